// Decodes a PNG file to its red, green and blue values at 8 bits, exactly as
// ImageMagick converts it to a 24-bit BMP (`-alpha off -depth 8`): the colours as
// stored, whatever their opacity, 16-bit samples cut to 8 bits. A browser's
// canvas keeps colours multiplied by their opacity and loses them where it is low,
// and not every browser decodes a PNG any other way.

class PngError extends Error {}

// Channels per pixel of each colour type: grey, RGB, palette, grey+alpha, RGBA.
const PNG_CHANNELS = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 };

// The passes of an interlaced picture: first column, first row, column step, row step.
const ADAM7 = [[0, 0, 8, 8], [4, 0, 8, 8], [0, 4, 4, 8], [2, 0, 4, 4], [0, 2, 2, 4], [1, 0, 2, 2], [0, 1, 1, 2]];

// The chunks after the signature, which the matting module has checked.
function pngChunks(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const chunks = [];
  for (let at = 8; at + 12 <= bytes.length;) {
    const length = view.getUint32(at);
    const type = String.fromCharCode(...bytes.subarray(at + 4, at + 8));
    if (at + 12 + length > bytes.length) throw new PngError('the file ends inside a chunk');
    chunks.push({ type, data: bytes.subarray(at + 8, at + 8 + length) });
    if (type === 'IEND') break;
    at += 12 + length;
  }
  return chunks;
}

// No Blob on the way: some browsers let a worker of a page opened from a file read
// no Blob, not even one of its own.
async function inflate(parts) {
  const compressed = new ReadableStream({
    start(controller) {
      for (const part of parts) controller.enqueue(part);
      controller.close();
    },
  });
  const reader = compressed.pipeThrough(new DecompressionStream('deflate')).getReader();
  const pieces = [];
  let length = 0;
  for (let piece = await reader.read(); !piece.done; piece = await reader.read()) {
    pieces.push(piece.value);
    length += piece.value.length;
  }
  const data = new Uint8Array(length);
  for (let i = 0, at = 0; i < pieces.length; at += pieces[i].length, ++i) data.set(pieces[i], at);
  return data;
}

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a);
  const pb = Math.abs(p - b);
  const pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes the rows' filters in place; returns where the next pass's data starts.
function unfilter(data, at, rows, rowBytes, step) {
  let previous = null;
  for (let row = 0; row < rows; ++row, at += rowBytes + 1) {
    const filter = data[at];
    const line = data.subarray(at + 1, at + 1 + rowBytes);
    if (line.length < rowBytes) throw new PngError('the image data ends early');
    for (let i = 0; i < rowBytes; ++i) {
      const left = i >= step ? line[i - step] : 0;
      const up = previous ? previous[i] : 0;
      const upLeft = previous && i >= step ? previous[i - step] : 0;
      switch (filter) {
        case 0: break;
        case 1: line[i] = (line[i] + left) & 0xff; break;
        case 2: line[i] = (line[i] + up) & 0xff; break;
        case 3: line[i] = (line[i] + ((left + up) >> 1)) & 0xff; break;
        case 4: line[i] = (line[i] + paeth(left, up, upLeft)) & 0xff; break;
        default: throw new PngError(`unknown row filter ${filter}`);
      }
    }
    previous = line;
  }
  return at;
}

// A sample's value at 8 bits: small depths spread over 0..255, 16 bits cut down;
// or, for a palette's index, as stored.
function sampleReader(line, depth, index) {
  if (depth === 8) return (i) => line[i];
  if (depth === 16) {
    // ImageMagick 6 (Q16, as Debian ships it) takes 16 bits to 8 at -depth 8 by
    // cutting, not rounding: every 16-bit value from 257 k to 257 k + 256 is k.
    return (i) => Math.floor(((line[2 * i] << 8) | line[2 * i + 1]) / 257);
  }
  const scale = index ? 1 : 255 / ((1 << depth) - 1);
  const perByte = 8 / depth;
  const mask = (1 << depth) - 1;
  return (i) => ((line[Math.floor(i / perByte)] >> (8 - depth * (1 + (i % perByte)))) & mask) * scale;
}

// Writes the picture's pixels into `rgba` (4 bytes a pixel, the fourth its
// opacity); returns whether any pixel is less than opaque.
export async function decodePng(bytes, rgbaFor) {
  const chunks = pngChunks(bytes);
  const header = chunks[0] && chunks[0].type === 'IHDR' ? chunks[0].data : null;
  if (!header || header.length < 13) throw new PngError('no header');
  const view = new DataView(header.buffer, header.byteOffset, 13);
  const width = view.getUint32(0);
  const height = view.getUint32(4);
  const [depth, type, , , interlace] = header.subarray(8, 13);
  const channels = PNG_CHANNELS[type];
  if (!channels || ![1, 2, 4, 8, 16].includes(depth)) throw new PngError('unknown pixel format');
  const palette = chunks.find((chunk) => chunk.type === 'PLTE');
  const transparency = chunks.find((chunk) => chunk.type === 'tRNS');
  if (type === 3 && !palette) throw new PngError('no palette');
  const data = await inflate(chunks.filter((chunk) => chunk.type === 'IDAT').map((chunk) => chunk.data));
  const rgba = rgbaFor(width, height);
  if (!rgba) return null;
  const bitsPerPixel = depth * channels;
  const step = Math.max(1, bitsPerPixel >> 3);
  let translucent = false;
  let at = 0;
  for (const [x0, y0, dx, dy] of interlace ? ADAM7 : [[0, 0, 1, 1]]) {
    const columns = Math.ceil((width - x0) / dx);
    const rows = Math.ceil((height - y0) / dy);
    if (columns <= 0 || rows <= 0) continue;
    const rowBytes = Math.ceil((columns * bitsPerPixel) / 8);
    const start = at;
    at = unfilter(data, at, rows, rowBytes, step);
    for (let row = 0; row < rows; ++row) {
      const line = data.subarray(start + row * (rowBytes + 1) + 1, start + (row + 1) * (rowBytes + 1));
      const sample = sampleReader(line, depth, type === 3);
      for (let column = 0; column < columns; ++column) {
        const k = 4 * ((y0 + row * dy) * width + x0 + column * dx);
        const s = column * channels;
        let opacity = 255;
        if (type === 3) {
          const index = sample(s);
          if (3 * index + 3 > palette.data.length) throw new PngError("a colour outside the palette");
          rgba.set(palette.data.subarray(3 * index, 3 * index + 3), k);
          if (transparency && index < transparency.data.length) opacity = transparency.data[index];
        } else if (channels <= 2) {
          rgba[k] = rgba[k + 1] = rgba[k + 2] = sample(s);
          if (channels === 2) opacity = sample(s + 1);
        } else {
          rgba[k] = sample(s);
          rgba[k + 1] = sample(s + 1);
          rgba[k + 2] = sample(s + 2);
          if (channels === 4) opacity = sample(s + 3);
        }
        if (opacity !== 255) translucent = true;
        rgba[k + 3] = opacity;
      }
    }
  }
  // A colour key in tRNS makes the pixels of that colour transparent.
  if (transparency && type !== 3) translucent = true;
  return { width, height, translucent };
}
