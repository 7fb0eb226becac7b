// Kept by the page for the harness once it is open: each Blob a URL is made for,
// what the page's <a download> links would have saved, instead of saving it, and
// the name of each file the page's thread had the browser decode.
// Done the same way in every engine, as WebKitGTK's driver has no downloads.
() => {
  const harness = window.ferlaneHarness = { blobs: new Map(), saved: [], pieces: {}, decoded: [] };
  const decode = window.createImageBitmap;
  window.createImageBitmap = (source, ...options) => {
    if (source instanceof File) harness.decoded.push(source.name);
    return decode.call(window, source, ...options);
  };
  const createObjectURL = URL.createObjectURL;
  URL.createObjectURL = (object) => {
    const url = createObjectURL.call(URL, object);
    harness.blobs.set(url, object);
    return url;
  };
  HTMLAnchorElement.prototype.click = function () {
    if (!this.hasAttribute('download')) return HTMLElement.prototype.click.call(this);
    harness.saved.push({ name: this.download, blob: harness.blobs.get(this.href) });
  };
}
