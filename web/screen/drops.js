// Files dragged onto the page: a file dragged anywhere on it is taken, never
// opened by the browser in place of the page, and goes to a box.
import { FERLANE } from '../shared/door.js';
import { namedSlot } from '../shared/box_names.js';
import { droppedFolders } from './batch_files.js';
import { boxWords } from './boxes.js';

// The photographs' boxes, which files dropped without a name of theirs fill.
const PHOTOGRAPHS = [FERLANE.SLOT_BACKGROUND0, FERLANE.SLOT_IMAGE0, FERLANE.SLOT_BACKGROUND1, FERLANE.SLOT_IMAGE1];

// Which box each file goes to: one dropped on a box goes there; several, or one
// dropped beside the boxes, go to the boxes their names give, and the rest fill the
// empty photograph boxes in the order of their names. Answers the boxes with their
// files, and the files left over.
function destinations(boxes, files, onBox) {
  const going = new Map();
  const rest = [];
  if (files.length === 1 && onBox) {
    going.set(onBox, files[0]);
    return { going, rest };
  }
  for (const file of files) {
    const box = boxes.all[namedSlot(file.name)];
    if (box && !going.has(box)) going.set(box, file);
    else rest.push(file);
  }
  rest.sort((a, b) => a.name.localeCompare(b.name, undefined, { numeric: true }));
  for (const slot of PHOTOGRAPHS) {
    const box = boxes.all[slot];
    if (!rest.length) break;
    if (!box.file && !going.has(box)) going.set(box, rest.shift());
  }
  return { going, rest };
}

// Places files dropped together, says what went where, and starts a run.
function dropped(boxes, files, onBox) {
  if (!files.length) return;
  const { going, rest } = destinations(boxes, files, onBox);
  for (const [box, file] of going) boxes.place(box, file);
  const told = boxes.all.filter((box) => going.has(box)).map((box) => `"${going.get(box).name}" in ${boxWords(box)}`);
  let text = `${files.length === 1 ? 'Dropped' : `Dropped ${files.length} files`}: ${told.join(', ')}.`;
  if (!told.length) text = '';
  if (rest.length) {
    text += ` Not placed, every photograph box being taken: ${rest.map((file) => `"${file.name}"`).join(', ')}.` +
      ' Remove a picture first, or drop a file on the box it should replace.';
  }
  boxes.tellPlaced(text.trim());
  if (going.size) boxes.onChoice();
}

// A dropped folder goes to the batch, its entries taken while the drop lasts.
export function takeDrops(window, boxes, batch) {
  const body = window.document.body;
  // The drop zone a drag is over, marked while it is.
  const drag = { over: null };
  const mark = (drop) => {
    if (drag.over !== drop) {
      if (drag.over) drag.over.classList.remove('over');
      if (drop) drop.classList.add('over');
      drag.over = drop;
    }
    body.classList.toggle('dragging', drop !== undefined);
  };
  window.addEventListener('dragover', (event) => {
    event.preventDefault();
    if (event.dataTransfer) event.dataTransfer.dropEffect = 'copy';
    mark(event.target.closest ? event.target.closest('.drop') : null);
  });
  window.addEventListener('dragleave', (event) => {
    if (!event.relatedTarget) mark(undefined);
  });
  window.addEventListener('drop', (event) => {
    event.preventDefault();
    mark(undefined);
    const folders = droppedFolders(event.dataTransfer);
    if (folders.length) {
      batch.takeDropped(folders);
      return;
    }
    const files = [...((event.dataTransfer && event.dataTransfer.files) || [])];
    dropped(boxes, files, boxes.containing(event.target));
  });
}
