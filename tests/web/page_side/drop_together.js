// Drops the staged files together, as one drag of several, on the element the
// selector finds. Answers whether the page took the drag (dragover cancelled).
(selector, files) => {
  const harness = window.ferlaneHarness;
  const data = new DataTransfer();
  for (const { key, name } of files) {
    data.items.add(new File(harness.pieces[key] || [], name));
    delete harness.pieces[key];
  }
  let taken = false;
  for (const kind of ['dragenter', 'dragover', 'drop']) {
    const event = new DragEvent(kind, { bubbles: true, cancelable: true, dataTransfer: data });
    document.querySelector(selector).dispatchEvent(event);
    if (kind === 'dragover') taken = event.defaultPrevented;
  }
  return taken;
}
