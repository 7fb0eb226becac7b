'use strict';
// One matting run, off the page's thread: decodes the pictures, hands them to the
// matting code (createFerlaneCore, the WebAssembly module this script is joined
// to) and sends back each step's line as it starts, then the files it wrote and
// small pictures of them for the page to show.

const SLOT_NAMES = ['background0', 'image0', 'background1', 'image1', 'alpha'];
const ALPHA_SLOT = 4;
// The files the module writes, as it numbers them.
const ALPHA_BMP = 0;
const ERROR_BMP = 1;
const FOREGROUND_BMP = 2;
const DONE = 0;
const OUT_OF_MEMORY = 2;
// The longest side of the pictures the page shows; the saved files keep every pixel.
const PREVIEW_SIDE = 1600;

class RunError extends Error {}

function step(text) {
  postMessage({ type: 'step', text, at: performance.now() });
}

function quoted(slot, file) {
  return `${SLOT_NAMES[slot]} "${file.name}"`;
}

function outOfMemory() {
  return new RunError('failed: out of memory. The pictures are too large for this browser tab; ' +
    'make them smaller, or use the console tool');
}

function isBmp(bytes) {
  return bytes.length >= 2 && bytes[0] === 0x42 && bytes[1] === 0x4d;
}

function isSixteenBitPng(bytes) {
  const signature = [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a];
  return bytes.length > 24 && signature.every((b, i) => bytes[i] === b) && bytes[24] === 16;
}

// Copies bytes into the module's memory, for a call that takes them over.
// Addresses are unsigned: above 2 GB the module's memory would give negative ones.
function intoModule(core, bytes) {
  const address = core._malloc(bytes.length) >>> 0;
  if (!address) throw outOfMemory();
  core.HEAPU8.set(bytes, address);
  return address;
}

// Reads a file straight into the module's memory, piece by piece, for a call that
// takes the bytes over: a copy of the whole file beside it would cost as much
// memory again, freshly handed over by the system, which is slow on many machines.
async function fileIntoModule(core, file, slot, call) {
  const address = core._malloc(file.size) >>> 0;
  if (!address) throw outOfMemory();
  let taken = false;
  try {
    const reader = file.stream().getReader();
    let end = address;
    for (;;) {
      let piece;
      try {
        piece = await reader.read();
      } catch (error) {
        throw new RunError(`failed: ${quoted(slot, file)} cannot be read`);
      }
      if (piece.done) break;
      core.HEAPU8.set(piece.value.subarray(0, address + file.size - end), end);
      end += piece.value.length;
    }
    taken = true;
    return call(address, Math.min(end - address, file.size));
  } finally {
    if (!taken) core._free(address);
  }
}

function check(status, refusal) {
  if (status === OUT_OF_MEMORY) throw outOfMemory();
  if (status !== DONE) throw new RunError(refusal);
}

// Pictures other than BMP are decoded by the browser as stored: no colour profile
// applied, and colours not multiplied by their opacity (as far as a canvas allows:
// see takeStoredColours). The camera's rotation is applied (the default), as every
// browser does when it shows the photograph.
async function decodedPixels(file, slot) {
  let bitmap;
  try {
    bitmap = await createImageBitmap(file, { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  } catch (error) {
    throw new RunError(`failed: ${quoted(slot, file)} is no picture this browser can decode`);
  }
  const { width, height } = bitmap;
  const canvas = new OffscreenCanvas(width, height);
  const context = canvas.getContext('2d', { willReadFrequently: true });
  if (!context) throw outOfMemory();
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  const rgba = context.getImageData(0, 0, width, height).data;
  canvas.width = canvas.height = 1;
  return { rgba, width, height };
}

function hasTransparency(rgba) {
  for (let k = 3; k < rgba.length; k += 4) {
    if (rgba[k] !== 255) return true;
  }
  return false;
}

// A canvas keeps colours multiplied by their opacity, which loses them where it is
// low. WebCodecs' decoder, where the browser has one, gives them as stored: they
// replace the canvas's where the picture is transparent. Opaque pixels are exact
// either way, so any difference there means the two decoders did not see the same
// picture (one of them turned it), and the canvas's colours are kept.
async function takeStoredColours(file, rgba, width, height) {
  if (typeof ImageDecoder === 'undefined' || !file.type) return false;
  let decoder;
  let frame;
  try {
    decoder = new ImageDecoder({ data: file.stream(), type: file.type, premultiplyAlpha: 'none', colorSpaceConversion: 'none' });
    frame = (await decoder.decode()).image;
    const channels = { RGBA: [0, 1, 2], BGRA: [2, 1, 0] }[frame.format];
    if (!channels || frame.displayWidth !== width || frame.displayHeight !== height) return false;
    const stored = new Uint8Array(frame.allocationSize());
    const [{ offset, stride }] = await frame.copyTo(stored);
    const [r, g, b] = channels;
    const everyPixel = (visit) => {
      for (let row = 0, k = 0; row < height; ++row) {
        for (let column = 0, i = offset + row * stride; column < width; ++column, i += 4, k += 4) {
          if (!visit(k, i)) return false;
        }
      }
      return true;
    };
    const agrees = (k, i) => rgba[k + 3] !== 255 ||
      (rgba[k] === stored[i + r] && rgba[k + 1] === stored[i + g] && rgba[k + 2] === stored[i + b]);
    if (!everyPixel(agrees)) return false;
    everyPixel((k, i) => {
      if (rgba[k + 3] !== 255) [rgba[k], rgba[k + 1], rgba[k + 2]] = [stored[i + r], stored[i + g], stored[i + b]];
      return true;
    });
    return true;
  } catch (error) {
    return false;
  } finally {
    if (frame) frame.close();
    if (decoder) decoder.close();
  }
}

async function readPicture(core, slot, file) {
  let head;
  try {
    head = new Uint8Array(await file.slice(0, 32).arrayBuffer());
  } catch (error) {
    throw new RunError(`failed: ${quoted(slot, file)} cannot be read`);
  }
  if (isBmp(head)) {
    const status = await fileIntoModule(core, file, slot, (address, length) => core._ferlane_read_bmp(slot, address, length));
    check(status, `failed: ${quoted(slot, file)} is no BMP this tool reads ` +
      '(24 or 32 bits per pixel, uncompressed, complete)');
    return;
  }
  const notes = isSixteenBitPng(head) ? ['16 bits per channel, read as 8 (the low byte dropped)'] : [];
  const { rgba, width, height } = await decodedPixels(file, slot);
  if (hasTransparency(rgba)) {
    notes.push(await takeStoredColours(file, rgba, width, height)
      ? 'its transparency is dropped, its colours are kept as stored'
      : 'its transparency is dropped; where it was transparent, this browser gives its colours only approximately');
  }
  if (notes.length) postMessage({ type: 'note', slot, text: notes.join('; ') });
  const status = core._ferlane_take_pixels(slot, intoModule(core, rgba), width, height);
  check(status, `failed: ${quoted(slot, file)} could not be taken`);
}

function size(core, slot) {
  return { columns: core._ferlane_columns(slot), rows: core._ferlane_rows(slot) };
}

function checkSameSize(core, slot, file, first) {
  const a = size(core, 0);
  const b = size(core, slot);
  if (a.columns !== b.columns || a.rows !== b.rows) {
    throw new RunError(`error: the images must have same size (${quoted(slot, file)} is ` +
      `${b.columns} × ${b.rows}, ${quoted(0, first)} is ${a.columns} × ${a.rows})`);
  }
}

// A BMP file the module wrote, moved out of its memory: the module's copy is
// released at once, so that the next file reuses its memory.
function takeWritten(core, which) {
  const address = core._ferlane_written_data(which) >>> 0;
  const file = core.HEAPU8.slice(address, address + (core._ferlane_written_size(which) >>> 0)).buffer;
  core._ferlane_release_written(which);
  return file;
}

function errorShares(errorBmp) {
  const { bytes, width, height, at } = bmpLayout(errorBmp);
  let exact = 0;
  let unresolved = 0;
  for (let row = 0; row < height; ++row) {
    for (let column = 0, i = at(row, 0); column < width; ++column, i += 3) {
      if (bytes[i] === 0) ++exact;
      else if (bytes[i] === 255) ++unresolved;
    }
  }
  const total = width * height;
  return { exact: exact / total, coarse: (total - exact - unresolved) / total, unresolved: unresolved / total };
}

function previewSize(width, height) {
  const scale = Math.min(1, PREVIEW_SIDE / Math.max(width, height));
  return { width: Math.max(1, Math.round(width * scale)), height: Math.max(1, Math.round(height * scale)) };
}

// The results are shown reduced, each shown pixel being the nearest one in the file.
function greyPreview(bmp) {
  const { width, height } = bmpLayout(bmp);
  const size = previewSize(width, height);
  return createImageBitmap(new ImageData(rgbaPixels(bmp, null, size), size.width, size.height));
}

function subjectPreview(foregroundBmp, alphaBmp) {
  const { width, height } = bmpLayout(foregroundBmp);
  const size = previewSize(width, height);
  return createImageBitmap(new ImageData(rgbaPixels(foregroundBmp, alphaBmp, size), size.width, size.height));
}

async function run(core, files, backdropOnly) {
  const alphaFile = !backdropOnly && files[ALPHA_SLOT];
  for (const slot of backdropOnly ? [0, 2] : [0, 1, 2, 3]) {
    step(`read ${quoted(slot, files[slot])}`);
    await readPicture(core, slot, files[slot]);
    if (slot !== 0) checkSameSize(core, slot, files[slot], files[0]);
  }
  const written = {};
  if (alphaFile) {
    step(`read ${quoted(ALPHA_SLOT, alphaFile)}`);
    await readPicture(core, ALPHA_SLOT, alphaFile);
    checkSameSize(core, ALPHA_SLOT, alphaFile, files[0]);
    check(core._ferlane_take_alpha_file(), 'failed: the file could not be written');
  } else {
    step('reconstruct alpha');
    // The module writes alpha.bmp and error.bmp as it computes them, band by band.
    check(core._ferlane_reconstruct_alpha(backdropOnly ? 1 : 0), 'failed');
  }
  if (backdropOnly) {
    step('write calculation error "error.bmp"');
    written.error = takeWritten(core, ERROR_BMP);
    return { written, previews: { error: await greyPreview(written.error) }, shares: errorShares(written.error) };
  }
  // The page shows alpha read from a file too, so it is written in every run; only
  // a computed one is announced and offered for saving, as the console tool writes it.
  if (!alphaFile) step('write alpha "alpha.bmp"');
  const alpha = takeWritten(core, ALPHA_BMP);
  if (!alphaFile) {
    written.alpha = alpha;
    step('write calculation error "error.bmp"');
    written.error = takeWritten(core, ERROR_BMP);
  }
  step('reconstruct foreground');
  check(core._ferlane_reconstruct_foreground(), 'failed');
  step('write foreground "fg.bmp"');
  written.fg = takeWritten(core, FOREGROUND_BMP);
  const previews = { alpha: await greyPreview(alpha), subject: await subjectPreview(written.fg, alpha) };
  if (written.error) previews.error = await greyPreview(written.error);
  // The page makes subject.png from these two when asked to.
  const { width, height } = bmpLayout(alpha);
  return { written, previews, alpha, width, height };
}

// The module is made ready as soon as the worker starts, before any run is asked for.
const coreReady = createFerlaneCore();

onmessage = async ({ data: { files, backdropOnly } }) => {
  try {
    const core = await coreReady;
    const result = await run(core, files, backdropOnly);
    const transfer = [...new Set([...Object.values(result.written), ...Object.values(result.previews), result.alpha])]
      .filter(Boolean);
    postMessage({ type: 'done', backdropOnly, at: performance.now(), ...result }, transfer);
  } catch (error) {
    const text = error instanceof RunError ? error.message
      : error instanceof RangeError ? outOfMemory().message : `failed: ${error}`;
    postMessage({ type: 'failed', text });
  }
};
