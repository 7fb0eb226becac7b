'use strict';
// The pixels of the BMP files the matting code writes: 24-bit, bottom-up, with a
// 54-byte header and rows padded to four bytes. The page shows and saves exactly
// these values, so the cutout and subject.png agree with the saved files.

function bmpLayout(bmp) {
  const view = new DataView(bmp);
  const width = view.getInt32(18, true);
  const height = view.getInt32(22, true);
  const stride = (width * 3 + 3) & ~3;
  return { bytes: new Uint8Array(bmp), width, height, at: (row, column) => 54 + (height - 1 - row) * stride + column * 3 };
}

// RGBA pixels with straight alpha: a file's colours, and another's grey as their
// opacity (for the cutout: fg.bmp and alpha.bmp), or opaque without it. Given a smaller size, it takes the nearest pixel for
// each one, so that even a reduced picture shows only values the files hold.
function rgbaPixels(colourBmp, alphaBmp, size) {
  const fg = bmpLayout(colourBmp);
  const alpha = alphaBmp && bmpLayout(alphaBmp);
  const { width, height } = size || fg;
  const rgba = new Uint8ClampedArray(width * height * 4);
  const columns = Array.from({ length: width }, (_, column) => Math.floor((column * fg.width) / width) * 3);
  for (let row = 0, k = 0; row < height; ++row) {
    const source = Math.floor((row * fg.height) / height);
    const i = fg.at(source, 0);
    const j = alpha && alpha.at(source, 0);
    for (let column = 0; column < width; ++column, k += 4) {
      const offset = columns[column];
      rgba[k] = fg.bytes[i + offset + 2];
      rgba[k + 1] = fg.bytes[i + offset + 1];
      rgba[k + 2] = fg.bytes[i + offset];
      rgba[k + 3] = alpha ? alpha.bytes[j + offset] : 255;
    }
  }
  return rgba;
}
