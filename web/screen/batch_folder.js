// A batch's results written straight into a folder the user chooses, where the
// browser lets a page do so (the File System Access API, in Chromium): the zip's
// entries as files, "<set>/alpha.bmp" in a folder of the set's, each written as
// its set finishes, so nothing of it stays in the tab.

export function canSaveIntoFolder(window) {
  return typeof window.showDirectoryPicker === 'function';
}

export class FolderSink {
  constructor(directory) {
    this.directory = directory;
    this.name = directory.name;
    this.size = 0;
  }

  // A folder has no limit of its own that the page knows of.
  fits() {
    return true;
  }

  async add(name, bytes) {
    const parts = name.split('/');
    let folder = this.directory;
    for (const part of parts.slice(0, -1)) folder = await folder.getDirectoryHandle(part, { create: true });
    const handle = await folder.getFileHandle(parts.at(-1), { create: true });
    const writable = await handle.createWritable();
    await writable.write(bytes);
    await writable.close();
    this.size += bytes.byteLength;
  }

  finish() {
    return null;
  }
}
