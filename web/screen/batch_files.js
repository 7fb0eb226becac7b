// The files of a folder given to the page, each with its path in the folder: from
// a folder input (webkitRelativePath) or from a drop, whose folders are walked
// through their FileSystemEntry objects, as every engine gives them.

// Entries read from a directory come a batch at a time until an empty one.
function readAll(reader) {
  return new Promise((resolve, reject) => {
    const all = [];
    const next = () => reader.readEntries((some) => {
      if (!some.length) resolve(all);
      else {
        all.push(...some);
        next();
      }
    }, reject);
    next();
  });
}

async function walk(entry, into, unread) {
  const path = entry.fullPath.replace(/^\/+/, '');
  if (entry.isFile) {
    try {
      into.push({ path, file: await new Promise((resolve, reject) => entry.file(resolve, reject)) });
    } catch (error) {
      unread.push({ path, reason: `the browser cannot read it (${error.name || error})` });
    }
    return;
  }
  try {
    for (const child of await readAll(entry.createReader())) await walk(child, into, unread);
  } catch (error) {
    unread.push({ path, reason: `the browser cannot read this folder (${error.name || error})` });
  }
}

// The folders in a drop, or none: taken while the drop event lasts, as its items are
// empty after it.
export function droppedFolders(dataTransfer) {
  const entries = [...((dataTransfer && dataTransfer.items) || [])]
    .map((item) => (item.kind === 'file' && item.webkitGetAsEntry ? item.webkitGetAsEntry() : null))
    .filter(Boolean);
  return entries.some((entry) => entry.isDirectory) ? entries : [];
}

// { files: [{ path, file }], unread: [{ path, reason }] } of dropped entries.
export async function readDropped(entries) {
  const files = [];
  const unread = [];
  for (const entry of entries) await walk(entry, files, unread);
  return { files, unread };
}

export function readChosen(fileList) {
  return { files: [...fileList].map((file) => ({ path: file.webkitRelativePath || file.name, file })), unread: [] };
}
