// Hands the module the picture its run wants, by the kind the module tells from the
// file's first bytes: a BMP file as it is, for the module's own reader; a PNG
// decoded here; anything else as the page's browser decodes it.
import { FERLANE } from '../shared/door.js';
import { ASKED } from '../shared/messages.js';
import { checkBmp, headerFact, pictureKind, readHeader } from './core_calls.js';
import { Chosen } from './file_reader.js';
import { decodePng, pngHeader, PngRefusal } from './png_decoder.js';

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

// A picture the page's browser decodes: no colour profile applied, colours not
// multiplied by their opacity as far as a canvas allows, the camera's rotation
// applied as the browser applies it when it shows the photograph. The module
// checks its header first: the browser decodes nothing the run would refuse, and
// must decode it at the size the header gave.
async function handDecoded(core, chosen) {
  const read = await readHeader(core, chosen.size, (start, end) => chosen.bytes(start, end));
  if (read === null) return core._ferlane_unread(FERLANE.UNREAD_CANNOT_READ);
  if (core._ferlane_check_header() !== FERLANE.OK) return FERLANE.FAILED;
  if (headerFact(core, FERLANE.HEADER_INKS) === 4) {
    chosen.note("a CMYK JPEG: this browser turns its inks into colours by its own formula, not ImageMagick's, " +
      "so the results may differ from the console tool's");
  }
  const { bitmap, unread } = await chosen.link.ask({ what: ASKED.BITMAP, slot: chosen.slot });
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
    chosen.note('its transparency is dropped; where it was transparent, this browser gives its colours only approximately');
  }
  return core._ferlane_take_pixels();
}

// The header is checked, and room asked for its size, before the rest of the
// file is read: a PNG of a size the run refuses costs no more than its header.
async function handPng(core, chosen, head) {
  const refused = (error) => {
    if (error instanceof PngRefusal) return core._ferlane_refuse_png(error.rule);
    // No memory for the decoder's rows or the inflater's pieces.
    if (error instanceof RangeError) return core._ferlane_unread(FERLANE.UNREAD_OUT_OF_MEMORY);
    throw error;
  };
  let header;
  try {
    header = pngHeader(head);
  } catch (error) {
    return refused(error);
  }
  const room = pixelRoom(core)(header.width, header.height);
  if (!room) return FERLANE.FAILED;
  const bytes = new Uint8Array(chosen.size);
  if (!(await chosen.pieces((piece, start) => bytes.set(piece, start)))) {
    return core._ferlane_unread(FERLANE.UNREAD_CANNOT_READ);
  }
  let png;
  try {
    png = await decodePng(bytes, () => room);
  } catch (error) {
    return refused(error);
  }
  if (png.translucent) chosen.note('its transparency is dropped, its colours are kept as stored');
  return core._ferlane_take_pixels();
}

// The file straight into the module's memory, in pieces.
async function handBmp(core, chosen, head) {
  const status = checkBmp(core, head, chosen.size);
  if (status !== FERLANE.OK) return status;
  const address = core._ferlane_bmp_buffer(chosen.size) >>> 0;
  if (!address) return FERLANE.FAILED;
  if (!(await chosen.pieces((piece, start) => core.HEAPU8.set(piece, address + start)))) {
    return core._ferlane_unread(FERLANE.UNREAD_CANNOT_READ);
  }
  return core._ferlane_take_bmp();
}

// Hands over the picture of `slot` (a file of `size` bytes) that the run wants.
export async function handPicture(core, link, slot, size) {
  const chosen = new Chosen(link, slot, size);
  const buffer = await chosen.bytes(0, FERLANE.HEAD_BYTES);
  if (!buffer) return core._ferlane_unread(FERLANE.UNREAD_CANNOT_READ);
  const head = new Uint8Array(buffer);
  const kind = pictureKind(core, head);
  if (kind === FERLANE.KIND_BMP) return handBmp(core, chosen, head);
  if (kind === FERLANE.KIND_PNG) return handPng(core, chosen, head);
  return handDecoded(core, chosen);
}
