// A PNG's rows: the filters undone in place, one row against the one above it,
// and each row's samples written as 8-bit red, green and blue into the module's
// four-byte pixels. One writer per colour type and depth, chosen once per picture,
// each a plain loop over typed arrays: a 24-megapixel photograph has 72 million
// samples, and a call for each would cost seconds.

export const FILTER_COUNT = 5;

// Undoes `filter` on `row` in place, `above` being the row above, already undone
// (zeros above the first row), `step` the bytes of a whole pixel (at least 1).
export function unfilter(filter, row, above, step) {
  const length = row.length;
  switch (filter) {
    case 1:
      for (let i = step; i < length; ++i) row[i] = (row[i] + row[i - step]) & 0xff;
      break;
    case 2:
      for (let i = 0; i < length; ++i) row[i] = (row[i] + above[i]) & 0xff;
      break;
    case 3:
      for (let i = 0; i < step; ++i) row[i] = (row[i] + (above[i] >> 1)) & 0xff;
      for (let i = step; i < length; ++i) row[i] = (row[i] + ((row[i - step] + above[i]) >> 1)) & 0xff;
      break;
    case 4:
      for (let i = 0; i < step; ++i) row[i] = (row[i] + above[i]) & 0xff;
      for (let i = step; i < length; ++i) {
        const a = row[i - step];
        const b = above[i];
        const c = above[i - step];
        const pa = b > c ? b - c : c - b;
        const pb = a > c ? a - c : c - a;
        const pc = a + b - c - c < 0 ? c + c - a - b : a + b - c - c;
        row[i] = (row[i] + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c)) & 0xff;
      }
      break;
    default:
      break;
  }
}

// A writer for the picture: write(row, columns, out, k, kStep) writes a row's
// `columns` pixels at out[k], out[k + kStep]... (red, green, blue; the fourth byte
// is left alone: the matting does not use it). It throws `outsidePalette` for an
// index beyond the palette. write.opaque() tells whether every pixel so far was.
//
// `tone` maps an 8-bit value to the one written (the identity, or a gamma
// conversion); 16-bit samples are first cut to 8 bits as ImageMagick 6 (Q16) cuts
// them at -depth 8, not rounded: every value from 257 k to 257 k + 256 is k;
// smaller grey samples are spread over 0..255.
export function rowWriter({ type, depth, palette, tone, outsidePalette }) {
  let allOpaque = true;
  const opaque = () => allOpaque;
  let write;
  if (type === 3) {
    const count = palette.length / 3;
    const red = new Uint8Array(256);
    const green = new Uint8Array(256);
    const blue = new Uint8Array(256);
    for (let i = 0; i < count; ++i) {
      red[i] = tone[palette[3 * i]];
      green[i] = tone[palette[3 * i + 1]];
      blue[i] = tone[palette[3 * i + 2]];
    }
    const perByte = 8 / depth;
    const mask = (1 << depth) - 1;
    write = (row, columns, out, k, kStep) => {
      for (let x = 0; x < columns; ++x, k += kStep) {
        const index = depth === 8 ? row[x] : (row[(x / perByte) | 0] >> (8 - depth * (1 + (x % perByte)))) & mask;
        if (index >= count) throw outsidePalette;
        out[k] = red[index];
        out[k + 1] = green[index];
        out[k + 2] = blue[index];
      }
    };
  } else if (depth < 8) {
    // Grey at 1, 2 or 4 bits: 0..2^depth - 1 spread over 0..255 (17, 85 or 255 a step).
    const perByte = 8 / depth;
    const mask = (1 << depth) - 1;
    const grey = new Uint8Array(mask + 1);
    for (let v = 0; v <= mask; ++v) grey[v] = tone[(v * 255) / mask];
    write = (row, columns, out, k, kStep) => {
      for (let x = 0; x < columns; ++x, k += kStep) {
        const v = grey[(row[(x / perByte) | 0] >> (8 - depth * (1 + (x % perByte)))) & mask];
        out[k] = out[k + 1] = out[k + 2] = v;
      }
    };
  } else if (depth === 8) {
    write = type === 0 ? (row, columns, out, k, kStep) => {
      for (let x = 0; x < columns; ++x, k += kStep) out[k] = out[k + 1] = out[k + 2] = tone[row[x]];
    } : type === 4 ? (row, columns, out, k, kStep) => {
      let all = 0xff;
      for (let x = 0, s = 0; x < columns; ++x, k += kStep, s += 2) {
        out[k] = out[k + 1] = out[k + 2] = tone[row[s]];
        all &= row[s + 1];
      }
      if (all !== 0xff) allOpaque = false;
    } : type === 2 ? (row, columns, out, k, kStep) => {
      for (let x = 0, s = 0; x < columns; ++x, k += kStep, s += 3) {
        out[k] = tone[row[s]];
        out[k + 1] = tone[row[s + 1]];
        out[k + 2] = tone[row[s + 2]];
      }
    } : (row, columns, out, k, kStep) => {
      let all = 0xff;
      for (let x = 0, s = 0; x < columns; ++x, k += kStep, s += 4) {
        out[k] = tone[row[s]];
        out[k + 1] = tone[row[s + 1]];
        out[k + 2] = tone[row[s + 2]];
        all &= row[s + 3];
      }
      if (all !== 0xff) allOpaque = false;
    };
  } else {
    // 16 bits: the cut to 8 bits, floor(v / 257), is the high byte less one where
    // the low byte is below it (v = 257 hi + (lo - hi)); no table of every value.
    const cut = (row, s) => tone[row[s] - ((row[s + 1] - row[s]) >>> 31)];
    write = type === 0 ? (row, columns, out, k, kStep) => {
      for (let x = 0, s = 0; x < columns; ++x, k += kStep, s += 2) out[k] = out[k + 1] = out[k + 2] = cut(row, s);
    } : type === 4 ? (row, columns, out, k, kStep) => {
      let all = 0xff;
      for (let x = 0, s = 0; x < columns; ++x, k += kStep, s += 4) {
        out[k] = out[k + 1] = out[k + 2] = cut(row, s);
        all &= row[s + 2] & row[s + 3];
      }
      if (all !== 0xff) allOpaque = false;
    } : type === 2 ? (row, columns, out, k, kStep) => {
      for (let x = 0, s = 0; x < columns; ++x, k += kStep, s += 6) {
        out[k] = cut(row, s);
        out[k + 1] = cut(row, s + 2);
        out[k + 2] = cut(row, s + 4);
      }
    } : (row, columns, out, k, kStep) => {
      let all = 0xff;
      for (let x = 0, s = 0; x < columns; ++x, k += kStep, s += 8) {
        out[k] = cut(row, s);
        out[k + 1] = cut(row, s + 2);
        out[k + 2] = cut(row, s + 4);
        all &= row[s + 6] & row[s + 7];
      }
      if (all !== 0xff) allOpaque = false;
    };
  }
  write.opaque = opaque;
  return write;
}
