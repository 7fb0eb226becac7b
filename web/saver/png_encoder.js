// Encodes straight-alpha RGBA pixels as an 8-bit RGBA PNG, byte for byte as given:
// a canvas would premultiply the colours by alpha and lose them where it is low.

const CRC_TABLE = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; ++n) {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

function crc32(bytes, crc = 0xffffffff) {
  for (let i = 0; i < bytes.length; ++i) crc = CRC_TABLE[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
  return crc;
}

function pngChunk(type, data) {
  const head = new Uint8Array(8);
  const view = new DataView(head.buffer);
  view.setUint32(0, data.length);
  for (let i = 0; i < 4; ++i) head[4 + i] = type.charCodeAt(i);
  const tail = new Uint8Array(4);
  new DataView(tail.buffer).setUint32(0, (crc32(data, crc32(head.subarray(4))) ^ 0xffffffff) >>> 0);
  return [head, data, tail];
}

// The PNG file's bytes. With `opaque`, the opacity is left out: an RGB PNG of the
// colours alone; with `grey`, a grey PNG of the red channel alone.
export async function encodePng(rgba, width, height, { opaque = false, grey = false } = {}) {
  const header = new Uint8Array(13);
  const view = new DataView(header.buffer);
  view.setUint32(0, width);
  view.setUint32(4, height);
  // 8 bits, grey, RGB or RGBA, deflate, no filter choice, not interlaced
  header.set([8, grey ? 0 : opaque ? 2 : 6, 0, 0, 0], 8);
  // Every row is stored unfiltered: a filter byte 0, then the row's pixels.
  const channels = grey ? 1 : opaque ? 3 : 4;
  const rowBytes = width * channels;
  const raw = new Uint8Array((rowBytes + 1) * height);
  for (let row = 0; row < height; ++row) {
    if (grey) {
      for (let column = 0, k = 4 * row * width, j = row * (rowBytes + 1) + 1; column < width; ++column, k += 4) {
        raw[j + column] = rgba[k];
      }
      continue;
    }
    if (!opaque) {
      raw.set(rgba.subarray(row * rowBytes, (row + 1) * rowBytes), row * (rowBytes + 1) + 1);
      continue;
    }
    for (let column = 0, k = 4 * row * width, j = row * (rowBytes + 1) + 1; column < width; ++column, k += 4, j += 3) {
      raw[j] = rgba[k];
      raw[j + 1] = rgba[k + 1];
      raw[j + 2] = rgba[k + 2];
    }
  }
  const zlib = await deflate(raw);
  const signature = new Uint8Array([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
  const parts = [signature, ...pngChunk('IHDR', header), ...pngChunk('IDAT', zlib), ...pngChunk('IEND', new Uint8Array(0))];
  return joined(parts);
}

// "deflate" is the zlib format a PNG's image data is stored in. No Blob on the
// way: some browsers let a worker of a page opened from a file read no Blob, not
// even one of its own.
async function deflate(raw) {
  const source = new ReadableStream({
    start(controller) {
      controller.enqueue(raw);
      controller.close();
    },
  });
  const reader = source.pipeThrough(new CompressionStream('deflate')).getReader();
  const pieces = [];
  for (let piece = await reader.read(); !piece.done; piece = await reader.read()) pieces.push(piece.value);
  return joined(pieces);
}

function joined(parts) {
  const bytes = new Uint8Array(parts.reduce((length, part) => length + part.length, 0));
  parts.reduce((at, part) => {
    bytes.set(part, at);
    return at + part.length;
  }, 0);
  return bytes;
}
