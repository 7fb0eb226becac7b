// Drops a folder on the page as a person's drag of it gives one: its entries as
// webkitGetAsEntry() answers them, made here from the staged files and their paths
// ([{ key, path }], paths as "sets/shoe/bg0.bmp"), since a page cannot make a
// DataTransfer that holds a real folder.
(files) => {
  const harness = window.ferlaneHarness;
  const directory = (name, fullPath) => ({
    isFile: false, isDirectory: true, name, fullPath, children: [],
    createReader() {
      let given = false;
      // As the engines do: the entries in a later task, then an empty batch.
      return { readEntries: (ok) => setTimeout(() => { ok(given ? [] : this.children); given = true; }) };
    },
  });
  const top = directory('', '');
  for (const { key, path } of files) {
    const parts = path.split('/');
    let folder = top;
    for (const part of parts.slice(0, -1)) {
      let next = folder.children.find((child) => child.name === part);
      if (!next) folder.children.push(next = directory(part, `${folder.fullPath}/${part}`));
      folder = next;
    }
    const file = new File(harness.pieces[key] || [], parts.at(-1));
    delete harness.pieces[key];
    folder.children.push({ isFile: true, isDirectory: false, name: file.name, fullPath: `/${path}`,
      file: (ok) => setTimeout(() => ok(file)) });
  }
  const data = new DataTransfer();
  for (const entry of top.children) data.items.add(new File([], entry.name));
  const given = DataTransferItem.prototype.webkitGetAsEntry;
  const entries = new Map([...data.items].map((item, i) => [item, top.children[i]]));
  DataTransferItem.prototype.webkitGetAsEntry = function () { return entries.get(this) || top.children[0]; };
  try {
    for (const kind of ['dragenter', 'dragover', 'drop']) {
      document.body.dispatchEvent(new DragEvent(kind, { bubbles: true, cancelable: true, dataTransfer: data }));
    }
  } finally {
    DataTransferItem.prototype.webkitGetAsEntry = given;
  }
}
