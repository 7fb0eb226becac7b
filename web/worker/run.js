// One run in the matting module, which owns it: it says which step comes next and
// with what line, checks every picture and words every failure. This script hands
// it the pictures, sends the page each step's line, and collects the files written
// with their layouts and small pictures of them.
import { rgbaPixels } from '../shared/bmp_pixels.js';
import { FERLANE } from '../shared/door.js';
import { RUN } from '../shared/messages.js';
import { choose, heldPicture, writtenLayout } from './core_calls.js';
import { handPicture } from './pictures.js';
import { tellSizes } from './sizes.js';

// The longest side of the pictures the page shows; the saved files keep every pixel.
const PREVIEW_SIDE = 1600;

export class RunFailed extends Error {
  constructor(text, slot = -1) {
    super(text);
    this.slot = slot;
  }
}

function previewSize({ columns, rows }, side = PREVIEW_SIDE) {
  const scale = Math.min(1, side / Math.max(columns, rows));
  return { width: Math.max(1, Math.round(columns * scale)), height: Math.max(1, Math.round(rows * scale)) };
}

// A result reduced for showing, each shown pixel the nearest one in the file: its
// pixels' bytes and size, for the page to draw.
function preview(colour, alpha) {
  const size = previewSize(colour.layout);
  return { rgba: rgbaPixels(colour, alpha, size).buffer, ...size };
}

// A small picture of the picture the run now holds for a slot, sent to the page for
// its box: the page need not decode the file again for it, in a second copy, once
// the run has ended.
function tellThumbnail(core, link, slot, side) {
  const held = heldPicture(core, slot);
  if (!held) return;
  const size = previewSize(held.layout, side);
  const { buffer } = rgbaPixels(held, null, size);
  link.tell({ type: RUN.THUMBNAIL, slot, rgba: buffer, ...size }, [buffer]);
}

// The file of a FERLANE_STEP_FILE, moved out of the module's memory, which the
// next step may reuse.
function writtenFile(core) {
  const address = core._ferlane_file_data() >>> 0;
  const size = core._ferlane_file_size() >>> 0;
  const layout = writtenLayout(core, address, size);
  if (!layout) throw new RunFailed('failed: the run wrote a file its reader refuses');
  return {
    name: core.UTF8ToString(core._ferlane_file_name()),
    offered: core._ferlane_file_offered() === 1,
    bytes: core.HEAPU8.slice(address, address + size).buffer,
    layout,
  };
}

function shares(core) {
  const exact = core._ferlane_share(FERLANE.SHARE_EXACT);
  if (exact < 0) return null;
  return {
    exact, coarse: core._ferlane_share(FERLANE.SHARE_COARSE), unresolved: core._ferlane_share(FERLANE.SHARE_UNRESOLVED),
    // The same in each part of the picture, by FERLANE.PART_*.
    parts: Array.from({ length: FERLANE.PART_COUNT }, (_, part) => ({
      exact: core._ferlane_share_in(FERLANE.SHARE_EXACT, part),
      coarse: core._ferlane_share_in(FERLANE.SHARE_COARSE, part),
      unresolved: core._ferlane_share_in(FERLANE.SHARE_UNRESOLVED, part),
    })),
  };
}

// The run of a job: over its chosen files ({ name, size } by slot, or null),
// { waiting: line } when they make none, else { files, previews, shares } by
// FERLANE.FILE_*. Its backgrounds (a turntable's frames share them): { keep } keeps
// this run's for the next, { take } takes the last run's, the page's word that
// they are the very same files. With a thumbnailSide, each picture read is also
// sent to the page as a small picture.
export async function run(core, link, { chosen, backgrounds = {}, thumbnailSide = 0 }) {
  if (backgrounds.keep) core._ferlane_reset_keeping_backgrounds(backgrounds.take ? 1 : 0);
  else core._ferlane_reset();
  chosen.forEach((file, slot) => file && choose(core, slot, file.name));
  await tellSizes(core, link, chosen);
  const files = {};
  for (;;) {
    const next = core._ferlane_next();
    const line = core.UTF8ToString(core._ferlane_line());
    if (next === FERLANE.STEP_WAITING) return { waiting: line };
    if (next === FERLANE.STEP_FAILED) throw new RunFailed(core.UTF8ToString(core._ferlane_message()), core._ferlane_failed_slot());
    if (next === FERLANE.STEP_DONE) break;
    if (line) link.tell({ type: RUN.STEP, text: line, at: performance.now() });
    if (next === FERLANE.STEP_PICTURE) {
      const slot = core._ferlane_slot();
      await handPicture(core, link, slot, chosen[slot].size);
      if (thumbnailSide) tellThumbnail(core, link, slot, thumbnailSide);
    } else if (next === FERLANE.STEP_COMPUTE) {
      core._ferlane_compute();
    } else if (next === FERLANE.STEP_FILE) {
      files[core._ferlane_file()] = writtenFile(core);
    }
  }
  const alpha = files[FERLANE.FILE_ALPHA];
  const error = files[FERLANE.FILE_ERROR];
  const foreground = files[FERLANE.FILE_FOREGROUND];
  const previews = {};
  if (alpha) previews[FERLANE.FILE_ALPHA] = preview(alpha, null);
  if (error) previews[FERLANE.FILE_ERROR] = preview(error, null);
  if (foreground) previews[FERLANE.FILE_FOREGROUND] = preview(foreground, alpha);
  return { files, previews, shares: shares(core) };
}
