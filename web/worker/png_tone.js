// The tone of a PNG's samples as ImageMagick 6 writes them to a BMP. A file that
// says its samples are linear (a gAMA chunk above 0.75, as good as 1.0, and no sRGB
// chunk) is converted to sRGB on the way; every other keeps its stored values, a
// gAMA of 1/2.2 or 1/1.8, an sRGB chunk and an ICC profile included. Without the
// conversion the page would differ from the README's recipe by up to 73 levels on
// such a file.

// gAMA values in hundred-thousandths: the least that reads as linear is just above
// 0.75; above the most, libpng drops the chunk as out of range.
const LINEAR_ABOVE = 75000;
const MOST_GAMMA = 625000000;

export function readsAsLinear(gamma, hasSrgb) {
  return !hasSrgb && gamma !== null && gamma > LINEAR_ABOVE && gamma <= MOST_GAMMA;
}

// ImageMagick (Q16) encodes the value with the sRGB curve at 16 bits, then takes
// it to 8 bits rounding.
function linearToSrgb(value) {
  const x = value / 255;
  const encoded = x <= 0.0031308 ? 12.92 * x : 1.055 * Math.pow(x, 1 / 2.4) - 0.055;
  const q = Math.round(65535 * encoded) + 128;
  return (q - (q >> 8)) >> 8;
}

export const STORED = Uint8Array.from({ length: 256 }, (_, v) => v);
export const LINEAR_TO_SRGB = Uint8Array.from({ length: 256 }, (_, v) => linearToSrgb(v));

