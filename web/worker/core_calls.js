// Calls into the matting module that hand it bytes of the worker's or read numbers
// back: the module, not this script, knows what a file's first bytes say.
import { FERLANE } from '../shared/door.js';

// Addresses are unsigned: above 2 GB the module's memory would give negative ones.
const address = (pointer) => pointer >>> 0;

// use(address) with a copy of `bytes` in the module's memory; null when there is
// no memory for it.
function withCopy(core, bytes, use) {
  const at = address(core._malloc(Math.max(1, bytes.length)));
  if (!at) return null;
  try {
    core.HEAPU8.set(bytes, at);
    return use(at);
  } finally {
    core._free(at);
  }
}

export function pictureKind(core, head) {
  return withCopy(core, head, (at) => core._ferlane_picture_kind(at, head.length)) ?? FERLANE.KIND_OTHER;
}

// The layout room[FERLANE.BMP_*] that fill(room) writes in the module's memory:
// { columns, rows, topRow, rowStep, pixelBytes }, or null where it fails.
function layoutFrom(core, fill) {
  const room = address(core._malloc(8 * FERLANE.BMP_LAYOUT_COUNT));
  if (!room) return null;
  try {
    if (!fill(room)) return null;
    const value = (which) => core.HEAPF64[room / 8 + which];
    return {
      columns: value(FERLANE.BMP_COLUMNS),
      rows: value(FERLANE.BMP_ROWS),
      topRow: value(FERLANE.BMP_TOP_ROW),
      rowStep: value(FERLANE.BMP_ROW_STEP),
      pixelBytes: value(FERLANE.BMP_PIXEL_BYTES),
    };
  } finally {
    core._free(room);
  }
}

// Where a BMP file's pixels lie, from its first bytes at `at` in the module's
// memory, or null for a file the reader refuses.
function layoutAt(core, at, headLength, fileLength) {
  return layoutFrom(core, (room) => core._ferlane_bmp_layout(at, headLength, fileLength, room) === FERLANE.OK);
}

// The picture the run holds for a slot, as { bytes, layout } over the module's
// memory (its pixels red first), or null.
export function heldPicture(core, slot) {
  let at = 0;
  const layout = layoutFrom(core, (room) => (at = address(core._ferlane_held_picture(slot, room))) !== 0);
  return layout && { bytes: core.HEAPU8.buffer, layout: { ...layout, topRow: at, redFirst: true } };
}

// The layout of a file the run wrote, still in the module's memory.
export function writtenLayout(core, at, length) {
  return layoutAt(core, at, Math.min(length, FERLANE.HEAD_BYTES), length);
}

// Checks a BMP file's first bytes and length against the run, before any pixel
// is handed over.
export function checkBmp(core, head, fileLength) {
  return withCopy(core, head, (at) => core._ferlane_check_bmp(at, head.length, fileLength)) ??
    core._ferlane_unread(FERLANE.UNREAD_OUT_OF_MEMORY);
}

// Reads a file's header through the module, which asks for the bytes it wants:
// read(start, end) answers them as an ArrayBuffer, or undefined when the page
// could not read them. Answers FERLANE.OK with the header's facts known to the
// module (headerFact), FERLANE.FAILED for a header it refuses, or null for a file
// the page could not read.
export async function readHeader(core, fileLength, read) {
  core._ferlane_header_begin(fileLength);
  for (;;) {
    const start = core._ferlane_header_at();
    const buffer = await read(start, start + (core._ferlane_header_length() >>> 0));
    if (!buffer) return null;
    const bytes = new Uint8Array(buffer);
    const status = withCopy(core, bytes, (at) => core._ferlane_read_header(at, bytes.length)) ?? FERLANE.FAILED;
    if (status !== FERLANE.HEADER_MORE) return status;
  }
}

// What the header last read says, by FERLANE.HEADER_*.
export function headerFact(core, which) {
  return core._ferlane_header_fact(which);
}

// Names a chosen picture for the run.
export function choose(core, slot, name) {
  const bytes = new TextEncoder().encode(`${name}\0`);
  const named = withCopy(core, bytes, (at) => {
    core._ferlane_choose(slot, at);
    return true;
  });
  if (!named) throw new RangeError('no memory for a name');
}
