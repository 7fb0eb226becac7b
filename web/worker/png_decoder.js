// Decodes a PNG file to 8-bit red, green and blue, exactly as the README's recipe
// (ImageMagick 6 with libpng) converts it to a 24-bit BMP: the colours as stored,
// whatever their opacity; 16-bit samples cut to 8 bits; a file that says its
// samples are linear converted to sRGB (png_tone.js). A browser's canvas keeps
// colours multiplied by their opacity and loses them where it is low, so the page
// cannot take a PNG from the browser's own decoder.
//
// Our own decoder rather than a library's: a C decoder in the module would need
// zlib and libspng built for WebAssembly, which only Emscripten's downloaded ports
// provide; here the browser's DecompressionStream is native zlib and streams, so
// the data is inflated only as far as the header's size needs, and each row goes
// straight into the module's pixel room (no copy of the whole picture).
// bench/png_read.sh times it against ImageMagick on 24-megapixel photographs.
// On a quiet 2-core machine (min / median / max of 5, the recipe in the same
// rounds, 1.33 / 1.34 / 1.51 s at 8 bits and 1.66 / 1.69 / 1.84 s at 16): 8-bit
// 1.01 / 1.04 / 1.07 s in Chromium and 1.07 / 1.08 / 1.16 s in Firefox; 16-bit
// 1.75 / 1.78 / 1.82 s and 1.87 / 1.94 / 1.98 s. Most of it is the browser's
// inflater (alone, fed as here, 0.54 and 1.11 s in Chromium, 0.55 and 1.16 s in
// Firefox); the rows take 0.2 to 0.3 s.
//
// It is strict where libpng is: what libpng refuses is refused here with the rule
// it broke (FERLANE.PNG_*, worded by the matting module), and what libpng passes
// over with a warning (a damaged ancillary chunk, data past the last row, bytes
// after IEND) is passed over here too.
import { FERLANE } from '../shared/door.js';
import { inflateInto, InflateFailure } from './png_inflate.js';
import { FILTER_COUNT, rowWriter, unfilter } from './png_rows.js';
import { LINEAR_TO_SRGB, readsAsLinear, STORED } from './png_tone.js';

export class PngRefusal extends Error {
  constructor(rule) {
    super(`refused by PNG rule ${rule}`);
    this.rule = rule;
  }
}

function refuse(rule) {
  throw new PngRefusal(rule);
}

// The bit depths each colour type may have: grey, RGB, palette, grey+alpha, RGBA.
const DEPTHS = { 0: [1, 2, 4, 8, 16], 2: [8, 16], 3: [1, 2, 4, 8], 4: [8, 16], 6: [8, 16] };
const CHANNELS = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 };

// The passes of an interlaced picture: first column, first row, column step, row step.
const ADAM7 = [[0, 0, 8, 8], [4, 0, 8, 8], [0, 4, 4, 8], [2, 0, 4, 4], [0, 2, 2, 4], [1, 0, 2, 2], [0, 1, 1, 2]];
const MOST_DIMENSION = 0x7fffffff;
const SIGNATURE_BYTES = 8;

// CRC-32 eight bytes at a step ("slicing by 8"): every byte of a file is checked,
// and a byte at a time costs as much as the rest of the decoding.
const CRC_TABLES = (() => {
  const tables = new Int32Array(8 * 256);
  for (let n = 0; n < 256; ++n) {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    tables[n] = c;
  }
  for (let n = 0; n < 256; ++n) {
    for (let t = 1; t < 8; ++t) tables[256 * t + n] = (tables[256 * (t - 1) + n] >>> 8) ^ tables[tables[256 * (t - 1) + n] & 0xff];
  }
  return tables;
})();

function crc32(bytes, start, end) {
  const t = CRC_TABLES;
  let c = -1;
  let i = start;
  for (; i + 8 <= end; i += 8) {
    const low = c ^ (bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) | (bytes[i + 3] << 24));
    c = t[1792 + (low & 0xff)] ^ t[1536 + ((low >>> 8) & 0xff)] ^ t[1280 + ((low >>> 16) & 0xff)] ^ t[1024 + (low >>> 24)] ^
      t[768 + bytes[i + 4]] ^ t[512 + bytes[i + 5]] ^ t[256 + bytes[i + 6]] ^ t[bytes[i + 7]];
  }
  for (; i < end; ++i) c = t[(c ^ bytes[i]) & 0xff] ^ (c >>> 8);
  return (c ^ -1) >>> 0;
}

// The chunk at `at`: its type (4 letters), data, whether its CRC matches, and
// where the next starts.
function chunkAt(bytes, view, at) {
  if (at + 12 > bytes.length) refuse(FERLANE.PNG_CUT_SHORT);
  const length = view.getUint32(at);
  if (length > bytes.length - at - 12) refuse(FERLANE.PNG_CUT_SHORT);
  const type = String.fromCharCode(bytes[at + 4], bytes[at + 5], bytes[at + 6], bytes[at + 7]);
  const end = at + 8 + length;
  return { type, data: bytes.subarray(at + 8, end), sound: crc32(bytes, at + 4, end) === view.getUint32(end), next: end + 4 };
}

function readHeader(bytes, view) {
  const chunk = chunkAt(bytes, view, SIGNATURE_BYTES);
  if (chunk.type !== 'IHDR' || chunk.data.length !== 13) refuse(FERLANE.PNG_NO_HEADER);
  if (!chunk.sound) refuse(FERLANE.PNG_BAD_CHECKSUM);
  const width = view.getUint32(SIGNATURE_BYTES + 8);
  const height = view.getUint32(SIGNATURE_BYTES + 12);
  const [depth, type, compression, filtering, interlace] = chunk.data.subarray(8, 13);
  if (width === 0 || height === 0 || width > MOST_DIMENSION || height > MOST_DIMENSION) refuse(FERLANE.PNG_BAD_SIZE);
  if (!DEPTHS[type]?.includes(depth) || compression !== 0 || filtering !== 0 || interlace > 1) {
    refuse(FERLANE.PNG_BAD_FORMAT);
  }
  return { width, height, depth, type, interlace, next: chunk.next };
}

// The chunks after the header, up to IEND, as libpng takes them: the image data's
// parts, the palette, the transparency, and what decides the samples' tone.
function readChunks(bytes, view, header) {
  const found = { parts: [], palette: null, transparency: null, gamma: null, srgb: false };
  let before = 'IHDR';
  for (let at = header.next; ; ) {
    const { type, data, sound, next } = chunkAt(bytes, view, at);
    at = next;
    if (!/^[A-Za-z]{4}$/.test(type)) refuse(FERLANE.PNG_UNKNOWN_CRITICAL);
    const critical = type.charCodeAt(0) < 0x61;
    // libpng drops an ancillary chunk whose CRC is wrong, with a warning.
    if (!sound) {
      if (critical) refuse(FERLANE.PNG_BAD_CHECKSUM);
      continue;
    }
    const seenData = found.parts.length > 0;
    const seenPalette = found.palette !== null;
    if (type === 'IEND') break;
    if (type === 'IDAT') {
      if (seenData && before !== 'IDAT') refuse(FERLANE.PNG_CHUNK_OUT_OF_PLACE);
      found.parts.push(data);
    } else if (type === 'IHDR') {
      refuse(FERLANE.PNG_CHUNK_OUT_OF_PLACE);
    } else if (type === 'PLTE') {
      // Only a palette picture needs its palette, before its data.
      if (header.type === 3) {
        if (seenData || seenPalette) refuse(FERLANE.PNG_CHUNK_OUT_OF_PLACE);
        if (data.length === 0 || data.length % 3 !== 0 || data.length > 3 * 256) refuse(FERLANE.PNG_NO_PALETTE);
      }
      if (!seenData) found.palette = data;
    } else if (critical) {
      refuse(FERLANE.PNG_UNKNOWN_CRITICAL);
    } else if (type === 'gAMA' && !seenData && !seenPalette && found.gamma === null && data.length === 4) {
      found.gamma = view.getUint32(data.byteOffset - bytes.byteOffset);
    } else if (type === 'sRGB' && !seenData && !seenPalette && data.length === 1) {
      found.srgb = true;
    } else if (type === 'tRNS' && !seenData) {
      found.transparency = data;
    }
    before = type;
  }
  if (header.type === 3 && !found.palette) refuse(FERLANE.PNG_NO_PALETTE);
  if (found.parts.length === 0) refuse(FERLANE.PNG_NO_DATA);
  return found;
}

// The picture's size and format from the file's first bytes (the signature and
// IHDR: 33 bytes), checked as libpng checks them: { width, height, ... }.
export function pngHeader(head) {
  return readHeader(head, new DataView(head.buffer, head.byteOffset, head.byteLength));
}

// The passes that hold pixels, each with its place in the picture and its rows' bytes.
function passesOf({ width, height, depth, type, interlace }) {
  const bits = depth * CHANNELS[type];
  return (interlace ? ADAM7 : [[0, 0, 1, 1]])
    .map(([x0, y0, dx, dy]) => {
      const columns = Math.ceil((width - x0) / dx);
      return { x0, y0, dx, dy, columns, rows: Math.ceil((height - y0) / dy), rowBytes: Math.ceil((columns * bits) / 8) };
    })
    .filter((pass) => pass.columns > 0 && pass.rows > 0);
}

// Writes the picture's pixels into the room that roomFor(width, height) gives
// (four bytes a pixel, red, green and blue first), asked for as soon as the header
// is read; answers { width, height, translucent }, or null when roomFor gave none.
// Throws PngRefusal for a file libpng refuses. counter.bytes, when given, counts
// the bytes inflated.
export async function decodePng(bytes, roomFor, counter = { bytes: 0 }) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const header = readHeader(bytes, view);
  const { width, type, depth } = header;
  const out = roomFor(width, header.height);
  if (!out) return null;
  const found = readChunks(bytes, view, header);
  const tone = readsAsLinear(found.gamma, found.srgb) ? LINEAR_TO_SRGB : STORED;
  const outsidePalette = new PngRefusal(FERLANE.PNG_INDEX_OUTSIDE_PALETTE);
  const write = rowWriter({ type, depth, palette: found.palette, tone, outsidePalette });

  const passes = passesOf(header);
  const widest = Math.max(...passes.map((pass) => pass.rowBytes));
  const step = Math.max(1, (depth * CHANNELS[type]) >> 3);
  let row = new Uint8Array(widest);
  let above = new Uint8Array(widest);
  let pass = 0;
  let y = 0;
  let filter = -1;
  let filled = 0;
  let wanted = passes.reduce((sum, { rows, rowBytes }) => sum + rows * (rowBytes + 1), 0);
  // Takes inflated bytes into rows; answers how many more it wants.
  const take = (piece) => {
    wanted -= piece.length;
    for (let i = 0; i < piece.length;) {
      const { x0, y0, dx, dy, columns, rows, rowBytes } = passes[pass];
      if (filter < 0) {
        filter = piece[i++];
        if (filter >= FILTER_COUNT) refuse(FERLANE.PNG_UNKNOWN_FILTER);
        continue;
      }
      const count = Math.min(rowBytes - filled, piece.length - i);
      row.set(piece.subarray(i, i + count), filled);
      filled += count;
      i += count;
      if (filled < rowBytes) continue;
      const line = row.subarray(0, rowBytes);
      unfilter(filter, line, above, step);
      write(line, columns, out, 4 * ((y0 + y * dy) * width + x0), 4 * dx);
      [row, above] = [above, row];
      filter = -1;
      filled = 0;
      if (++y < rows) continue;
      y = 0;
      above.fill(0);
      if (++pass === passes.length) return 0;
    }
    return wanted;
  };
  let ending;
  try {
    ending = await inflateInto(found.parts, wanted, take, counter);
  } catch (error) {
    if (error instanceof InflateFailure) refuse(FERLANE.PNG_DATA_DAMAGED);
    throw error;
  }
  if (ending === 'ended') refuse(FERLANE.PNG_DATA_ENDS_EARLY);
  const clear = found.transparency && (type !== 3 || found.transparency.some((opacity) => opacity !== 255));
  return { width, height: header.height, translucent: Boolean(clear) || !write.opaque() };
}
