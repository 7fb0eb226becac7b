// Runs the batch into a folder of the origin's private file system, which stands
// for the folder a person would choose (the chooser is a dialog no driver answers),
// and answers its files when the batch ends: [path, base64] each; null where the
// browser offers no folder to save into. A page from a file has no private file
// system: there, handles of the same interface that keep the files in memory.
async () => {
  const button = document.getElementById('batch-into-folder');
  if (button.hidden) return null;
  const memoryFolder = (name) => {
    const entries = new Map();
    return {
      kind: 'directory', name,
      async getDirectoryHandle(child) {
        if (!entries.has(child)) entries.set(child, memoryFolder(child));
        return entries.get(child);
      },
      async getFileHandle(child) {
        if (!entries.has(child)) {
          const parts = [];
          entries.set(child, { kind: 'file', name: child, getFile: async () => new File(parts, child),
            createWritable: async () => ({ write: async (data) => { parts.push(data); }, close: async () => {} }) });
        }
        return entries.get(child);
      },
      async *entries() { yield* entries.entries(); },
    };
  };
  let folder;
  try {
    const root = await navigator.storage.getDirectory();
    await root.removeEntry('batch', { recursive: true }).catch(() => {});
    folder = await root.getDirectoryHandle('batch', { create: true });
  } catch (error) {
    if (error.name !== 'SecurityError') throw error;
    folder = memoryFolder('batch');
  }
  window.showDirectoryPicker = async () => folder;
  button.click();
  const state = document.getElementById('batch-state');
  await new Promise((resolve) => setTimeout(resolve, 50));
  while (['planned', 'running'].includes(state.dataset.state)) await new Promise((resolve) => setTimeout(resolve, 20));
  const files = [];
  const walk = async (directory, path) => {
    for await (const [name, handle] of directory.entries()) {
      if (handle.kind === 'directory') await walk(handle, `${path}${name}/`);
      else {
        const bytes = new Uint8Array(await (await handle.getFile()).arrayBuffer());
        let text = '';
        for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
        files.push([`${path}${name}`, btoa(text)]);
      }
    }
  };
  await walk(folder, '');
  return [state.dataset.state, state.textContent, files];
}
