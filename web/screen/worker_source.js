// A worker's script is inside the page, as the text of a <script type="text/plain">
// element, so that a page opened from a file, which may load no script file, can
// start it too: from a Blob.
export function workerUrl(document, id) {
  return URL.createObjectURL(new Blob([document.getElementById(id).textContent], { type: 'text/javascript' }));
}
