'use strict';
// One run of the page, off the page's thread. The matting module (createFerlaneCore,
// the WebAssembly this script is joined to) owns the run: it says which step comes
// next and with what line, checks every picture and words every failure. This
// script asks the page for the chosen files' bytes or decoded pictures, hands them
// to the module, and sends the page each step's line, the files written and small
// pictures of them. FERLANE holds the module's numbers (web/door/ferlane_door.h).
//
// The page reads the files: some browsers let a worker of a page opened from a
// file read no File or Blob at all. What it reads comes over in pieces, moved
// rather than copied, so that no whole second copy of a file is ever held.

// The longest side of the pictures the page shows; the saved files keep every pixel.
const PREVIEW_SIDE = 1600;
// The bytes of a BMP file asked of the page at a time.
const PIECE_BYTES = 8 << 20;

class RunFailed extends Error {
  constructor(text, slot = -1) {
    super(text);
    this.slot = slot;
  }
}

// A newer choice than the run's came before the run asked the page for anything:
// the run gives way to it, in the same worker.
class Abandoned extends Error {}

// The newest choice the page sent, and the one being run. Every message carries
// its run's number, so that the page can tell a run it abandoned.
let newest = null;
let running = null;

function tell(message, transfer = []) {
  postMessage({ job: running.job, ...message }, transfer);
}

// Questions to the page, each answered once, in whatever order the answers come.
const questions = new Map();
let lastQuestion = 0;
async function ask(question) {
  const id = ++lastQuestion;
  const answer = await new Promise((resolve) => {
    questions.set(id, resolve);
    tell({ type: 'ask', id, ...question });
  });
  if (running !== newest) throw new Abandoned();
  return answer;
}

function step(text) {
  tell({ type: 'step', text, at: performance.now() });
}

// Pieces of a file, straight into the module's memory at `address`. False when the
// page could not read them.
async function bytesInto(core, slot, size, address) {
  const read = (start) => ask({ what: 'bytes', slot, start, end: Math.min(size, start + PIECE_BYTES) });
  let pending = size > 0 ? read(0) : null;
  for (let start = 0; start < size; start += PIECE_BYTES) {
    const { buffer } = await pending;
    if (!buffer) return false;
    pending = start + PIECE_BYTES < size ? read(start + PIECE_BYTES) : null;
    // Addresses are unsigned: above 2 GB the module's memory would give negative ones.
    core.HEAPU8.set(new Uint8Array(buffer), (address >>> 0) + start);
  }
  return true;
}

// The whole file as bytes of the worker's own, for decoding here.
async function wholeFile(slot, size) {
  const bytes = new Uint8Array(size);
  for (let start = 0; start < size; start += PIECE_BYTES) {
    const { buffer } = await ask({ what: 'bytes', slot, start, end: Math.min(size, start + PIECE_BYTES) });
    if (!buffer) return null;
    bytes.set(new Uint8Array(buffer), start);
  }
  return bytes;
}

// Room in the module for decoded pixels, as a view the decoder writes into; null
// when the module refused the size or had no memory for it.
function pixelRoom(core) {
  return (width, height) => {
    const address = core._ferlane_pixel_buffer(width, height) >>> 0;
    return address ? core.HEAPU8.subarray(address, address + 4 * width * height) : null;
  };
}

function hasTransparency(rgba) {
  for (let k = 3; k < rgba.length; k += 4) {
    if (rgba[k] !== 255) return true;
  }
  return false;
}

function note(slot, text) {
  tell({ type: 'note', slot, text });
}

// A picture the page's browser decoded: no colour profile applied, colours not
// multiplied by their opacity as far as a canvas allows, the camera's rotation
// applied as the browser applies it when it shows the photograph.
async function handDecoded(core, slot) {
  const { bitmap, unread } = await ask({ what: 'bitmap', slot });
  if (!bitmap) return core._ferlane_unread(unread);
  const { width, height } = bitmap;
  const canvas = new OffscreenCanvas(width, height);
  const context = canvas.getContext('2d', { willReadFrequently: true });
  if (!context) return core._ferlane_unread(FERLANE.UNREAD_OUT_OF_MEMORY);
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  const rgba = context.getImageData(0, 0, width, height).data;
  canvas.width = canvas.height = 1;
  const room = pixelRoom(core)(width, height);
  if (!room) return FERLANE.FAILED;
  room.set(rgba);
  if (hasTransparency(rgba)) {
    note(slot, 'its transparency is dropped; where it was transparent, this browser gives its colours only approximately');
  }
  return core._ferlane_take_pixels();
}

async function handPng(core, slot, size) {
  const bytes = await wholeFile(slot, size);
  if (!bytes) return core._ferlane_unread(FERLANE.UNREAD_CANNOT_READ);
  let png;
  try {
    png = await decodePng(bytes, pixelRoom(core));
  } catch (error) {
    return core._ferlane_unread(FERLANE.UNREAD_CANNOT_DECODE);
  }
  if (!png) return FERLANE.FAILED;
  if (png.translucent) note(slot, 'its transparency is dropped, its colours are kept as stored');
  return core._ferlane_take_pixels();
}

async function handBmp(core, slot, size, head) {
  const headAddress = core._malloc(head.length) >>> 0;
  if (!headAddress) return core._ferlane_unread(FERLANE.UNREAD_OUT_OF_MEMORY);
  core.HEAPU8.set(head, headAddress);
  const status = core._ferlane_check_bmp(headAddress, head.length, size);
  core._free(headAddress);
  if (status !== FERLANE.OK) return status;
  const address = core._ferlane_bmp_buffer(size);
  if (!address) return FERLANE.FAILED;
  if (!(await bytesInto(core, slot, size, address))) return core._ferlane_unread(FERLANE.UNREAD_CANNOT_READ);
  return core._ferlane_take_bmp();
}

// Hands over the picture the run wants, by what its first bytes say it is.
async function handPicture(core, slot, chosen) {
  const { buffer } = await ask({ what: 'bytes', slot, start: 0, end: Math.min(chosen.size, 64) });
  if (!buffer) return core._ferlane_unread(FERLANE.UNREAD_CANNOT_READ);
  const head = new Uint8Array(buffer);
  if (head.length >= 2 && head[0] === 0x42 && head[1] === 0x4d) return handBmp(core, slot, chosen.size, head);
  if (isPng(head)) return handPng(core, slot, chosen.size);
  if (isJpeg(head)) {
    const read = async (start, end) => {
      const answer = await ask({ what: 'bytes', slot, start, end: Math.min(chosen.size, end) });
      return answer.buffer ? new Uint8Array(answer.buffer) : null;
    };
    if (await jpegInks(read) === 4) {
      note(slot, "a CMYK JPEG: this browser turns its inks into colours by its own formula, not ImageMagick's, " +
        "so the results may differ from the console tool's");
    }
  }
  return handDecoded(core, slot);
}

function previewSize(width, height) {
  const scale = Math.min(1, PREVIEW_SIDE / Math.max(width, height));
  return { width: Math.max(1, Math.round(width * scale)), height: Math.max(1, Math.round(height * scale)) };
}

// A result reduced for showing, each shown pixel the nearest one in the file: its
// pixels' bytes and size, for the page to draw.
function preview(colourBmp, alphaBmp) {
  const { width, height } = bmpLayout(colourBmp);
  const size = previewSize(width, height);
  return { rgba: rgbaPixels(colourBmp, alphaBmp, size).buffer, ...size };
}

async function run(core, chosen) {
  core._ferlane_reset();
  chosen.forEach((file, slot) => {
    if (!file) return;
    const name = new TextEncoder().encode(`${file.name}\0`);
    const address = core._malloc(name.length) >>> 0;
    if (!address) throw new RangeError('no memory for a name');
    core.HEAPU8.set(name, address);
    core._ferlane_choose(slot, address);
    core._free(address);
  });
  const files = {};
  for (;;) {
    const next = core._ferlane_next();
    const line = core.UTF8ToString(core._ferlane_line());
    if (next === FERLANE.STEP_WAITING) return { waiting: line };
    if (next === FERLANE.STEP_FAILED) throw new RunFailed(core.UTF8ToString(core._ferlane_message()), core._ferlane_failed_slot());
    if (next === FERLANE.STEP_DONE) break;
    if (line) step(line);
    if (next === FERLANE.STEP_PICTURE) {
      const slot = core._ferlane_slot();
      await handPicture(core, slot, chosen[slot]);
    } else if (next === FERLANE.STEP_COMPUTE) {
      core._ferlane_compute();
    } else if (next === FERLANE.STEP_FILE) {
      // Moved out of the module's memory, which the next step may reuse.
      const address = core._ferlane_file_data() >>> 0;
      files[core._ferlane_file()] = {
        name: core.UTF8ToString(core._ferlane_file_name()),
        offered: core._ferlane_file_offered() === 1,
        bytes: core.HEAPU8.slice(address, address + (core._ferlane_file_size() >>> 0)).buffer,
      };
    }
  }
  const exact = core._ferlane_share(FERLANE.SHARE_EXACT);
  const shares = exact < 0 ? null : {
    exact, coarse: core._ferlane_share(FERLANE.SHARE_COARSE), unresolved: core._ferlane_share(FERLANE.SHARE_UNRESOLVED),
    // The same in each part of the picture, by FERLANE.PART_*.
    parts: Array.from({ length: FERLANE.PART_COUNT }, (_, part) => ({
      exact: core._ferlane_share_in(FERLANE.SHARE_EXACT, part),
      coarse: core._ferlane_share_in(FERLANE.SHARE_COARSE, part),
      unresolved: core._ferlane_share_in(FERLANE.SHARE_UNRESOLVED, part),
    })),
  };
  const alpha = files[FERLANE.FILE_ALPHA];
  const error = files[FERLANE.FILE_ERROR];
  const foreground = files[FERLANE.FILE_FOREGROUND];
  const previews = {};
  if (alpha) previews[FERLANE.FILE_ALPHA] = preview(alpha.bytes, null);
  if (error) previews[FERLANE.FILE_ERROR] = preview(error.bytes, null);
  if (foreground) previews[FERLANE.FILE_FOREGROUND] = preview(foreground.bytes, alpha.bytes);
  return { files, previews, shares };
}

// The module is made ready as soon as the worker starts, before any run is asked
// for, and runs a small set so that the browser has compiled its fast code by then.
const coreReady = createFerlaneCore().then((core) => {
  core._ferlane_warm_up();
  return core;
});

async function start(job) {
  if (job !== newest) return;
  running = job;
  let core = null;
  try {
    core = await coreReady;
    if (job !== newest) return;
    const result = await run(core, job.chosen);
    if (result.waiting) {
      tell({ type: 'waiting', text: result.waiting });
      return;
    }
    const transfer = [...Object.values(result.files).map((file) => file.bytes),
      ...Object.values(result.previews).map((shown) => shown.rgba)];
    tell({ type: 'done', at: performance.now(), ...result }, transfer);
  } catch (error) {
    if (error instanceof Abandoned) return;
    // The browser found no memory for an array: the module words it.
    if (core && error instanceof RangeError) core._ferlane_unread(FERLANE.UNREAD_OUT_OF_MEMORY);
    const text = error instanceof RunFailed ? error.message
      : core && error instanceof RangeError ? core.UTF8ToString(core._ferlane_message()) : `failed: ${error}`;
    tell({ type: 'failed', text, slot: error instanceof RunFailed ? error.slot : -1 });
  }
}

// Runs one at a time, the newest choice first.
let queue = Promise.resolve();
onmessage = ({ data }) => {
  if (data.type === 'answer') {
    const answered = questions.get(data.id);
    questions.delete(data.id);
    if (answered) answered(data);
    return;
  }
  newest = data;
  queue = queue.then(() => start(data));
};
