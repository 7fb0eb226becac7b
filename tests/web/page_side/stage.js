// Adds a piece of a file to be dropped, its bytes as base64, to what is staged under key.
(key, base64) => {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  const pieces = window.ferlaneHarness.pieces;
  (pieces[key] ||= []).push(new Blob([bytes]));
}
