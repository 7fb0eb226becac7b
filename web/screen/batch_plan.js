// What a batch will run, from the files of a folder (each with its path in the
// folder): the sets and frames it makes, and every file it cannot place, with why.
//
// Each folder is read alone, its files by the words in their names (as files
// dropped on the boxes are):
// - a set: one each of bg0, image0, bg1 and image1, and perhaps an alpha file; its
//   results go to "<folder>/alpha.bmp" and so on;
// - a turntable: a folder with more than one image0 (or image1) photograph: one
//   bg0 and one bg1 for all its frames, and each frame two photographs whose names
//   differ only in the word image0 or image1 ("angle07_image0.jpg",
//   "angle07_image1.jpg"); its results go to "<frame>_alpha.bmp" and so on.
import { FERLANE } from '../shared/door.js';
import { frameStem, namedSlot } from '../shared/box_names.js';

const SHOT_WORDS = ['bg0', 'image0', 'bg1', 'image1', 'alpha'];
const PHOTOGRAPHS = [FERLANE.SLOT_BACKGROUND0, FERLANE.SLOT_IMAGE0, FERLANE.SLOT_BACKGROUND1, FERLANE.SLOT_IMAGE1];

const byName = (a, b) => a.localeCompare(b, undefined, { numeric: true });

function folderOf(path) {
  const at = path.lastIndexOf('/');
  return at < 0 ? '' : path.slice(0, at);
}

function baseName(path) {
  return path.slice(path.lastIndexOf('/') + 1);
}

// The folders' names as the results will carry them: the top folder, which a chosen
// or dropped folder always adds, left out where every file is below it.
function shortNames(folders) {
  const tops = new Set(folders.map((folder) => folder.split('/')[0]));
  const cut = tops.size === 1 && folders.every((folder) => folder.includes('/') || folder === [...tops][0]);
  return (folder) => {
    const short = cut ? folder.slice(folder.indexOf('/') + 1) : folder;
    return cut && !folder.includes('/') ? '' : short;
  };
}

function planSet(folder, name, named, refuse) {
  for (const slot of PHOTOGRAPHS) {
    if (!named[slot].length) {
      for (const list of named) for (const entry of list) refuse(entry, `set "${name}" has no ${SHOT_WORDS[slot]} photograph`);
      return [];
    }
  }
  const files = named.map((list) => (list[0] ? list[0].file : null));
  return [{ name, prefix: name ? `${name}/` : '', files, turntable: false }];
}

function planTurntable(folder, name, named, refuse) {
  const items = [];
  for (const slot of [FERLANE.SLOT_BACKGROUND0, FERLANE.SLOT_BACKGROUND1]) {
    if (!named[slot].length) {
      for (const list of named) for (const entry of list) refuse(entry, `turntable "${name || folder}" has no ${SHOT_WORDS[slot]} background`);
      return items;
    }
  }
  for (const slot of [FERLANE.SLOT_BACKGROUND0, FERLANE.SLOT_BACKGROUND1]) {
    const [kept, ...others] = named[slot];
    for (const entry of others) refuse(entry, `turntable "${name || folder}" has another ${SHOT_WORDS[slot]} background, "${kept.path}"`);
  }
  for (const entry of named[FERLANE.SLOT_ALPHA]) refuse(entry, 'a turntable computes every frame\'s alpha');
  const frames = new Map();
  for (const slot of [FERLANE.SLOT_IMAGE0, FERLANE.SLOT_IMAGE1]) {
    for (const entry of named[slot]) {
      const stem = frameStem(baseName(entry.path));
      if (!frames.has(stem)) frames.set(stem, [null, null]);
      const pair = frames.get(stem);
      const side = slot === FERLANE.SLOT_IMAGE0 ? 0 : 1;
      if (!stem) refuse(entry, 'a turntable\'s frame needs a name beside the word image0 or image1');
      else if (pair[side]) refuse(entry, `frame "${stem}" has another ${SHOT_WORDS[slot]} photograph, "${pair[side].path}"`);
      else pair[side] = entry;
    }
  }
  const prefix = name ? `${name}/` : '';
  for (const stem of [...frames.keys()].filter(Boolean).sort(byName)) {
    const [first, second] = frames.get(stem);
    if (!first || !second) {
      refuse(first || second, `frame "${stem}" has no ${first ? 'image1' : 'image0'} photograph`);
      continue;
    }
    const files = [named[FERLANE.SLOT_BACKGROUND0][0].file, first.file, named[FERLANE.SLOT_BACKGROUND1][0].file,
      second.file, null];
    items.push({ name: `${prefix}${stem}`, prefix: `${prefix}${stem}_`, files, turntable: true });
  }
  return items;
}

// entries: { path, file } with paths as "sets/shoe/bg0.jpg". Answers { items,
// unplaced }: items { name, prefix, files by slot, turntable } in the order of
// their names, unplaced { path, reason }.
export function planBatch(entries) {
  const unplaced = [];
  const refuse = (entry, reason) => unplaced.push({ path: entry.path, reason });
  const folders = new Map();
  for (const entry of entries) {
    const name = baseName(entry.path);
    if (name.startsWith('.')) {
      refuse(entry, 'a hidden file');
      continue;
    }
    const slot = namedSlot(name);
    if (slot === undefined) {
      refuse(entry, 'its name says no photograph: none of the words bg0, image0, bg1, image1 or alpha, or more than one');
      continue;
    }
    const folder = folderOf(entry.path);
    if (!folders.has(folder)) folders.set(folder, Array.from({ length: FERLANE.SLOT_COUNT }, () => []));
    folders.get(folder)[slot].push(entry);
  }
  const short = shortNames([...folders.keys()]);
  const items = [];
  for (const folder of [...folders.keys()].sort(byName)) {
    const named = folders.get(folder);
    for (const list of named) list.sort((a, b) => byName(a.path, b.path));
    const name = short(folder);
    const turntable = named[FERLANE.SLOT_IMAGE0].length > 1 || named[FERLANE.SLOT_IMAGE1].length > 1;
    if (!turntable) {
      // A second file for a photograph of a set: the first by name is taken.
      for (const list of named) for (const entry of list.splice(1)) refuse(entry, `set "${name}" has another ${SHOT_WORDS[named.indexOf(list)]} photograph, "${list[0].path}"`);
    }
    items.push(...(turntable ? planTurntable : planSet)(folder, name, named, refuse));
  }
  unplaced.sort((a, b) => byName(a.path, b.path));
  return { items, unplaced };
}
