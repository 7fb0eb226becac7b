// The pixels of the BMP files a run writes, where the matting module's reader finds
// them: each file comes as { bytes, layout }, its layout what ferlane_bmp_layout
// tells (columns, rows, topRow, rowStep, pixelBytes; redFirst for pixels held red,
// green, blue rather than as a BMP file's blue, green, red). What shows or saves
// them takes exactly these values, so that the cutout and subject.png agree with
// the files.

// RGBA pixels with straight alpha: a file's colours, and another's grey as their
// opacity (for the cutout: fg.bmp and alpha.bmp), or opaque without it. Given a
// smaller size, it takes the nearest pixel for each one, so that even a reduced
// picture shows only values the files hold.
export function rgbaPixels(colour, alpha, size) {
  const fg = colour.layout;
  const { width, height } = size || { width: fg.columns, height: fg.rows };
  const fgBytes = new Uint8Array(colour.bytes);
  const alphaBytes = alpha && new Uint8Array(alpha.bytes);
  const rgba = new Uint8ClampedArray(width * height * 4);
  const columns = Array.from({ length: width }, (_, column) => Math.floor((column * fg.columns) / width));
  const [red, blue] = fg.redFirst ? [0, 2] : [2, 0];
  for (let row = 0, k = 0; row < height; ++row) {
    const source = Math.floor((row * fg.rows) / height);
    const i = fg.topRow + source * fg.rowStep;
    const j = alpha && alpha.layout.topRow + source * alpha.layout.rowStep;
    for (let column = 0; column < width; ++column, k += 4) {
      const at = i + columns[column] * fg.pixelBytes;
      rgba[k] = fgBytes[at + red];
      rgba[k + 1] = fgBytes[at + 1];
      rgba[k + 2] = fgBytes[at + blue];
      rgba[k + 3] = alpha ? alphaBytes[j + columns[column] * alpha.layout.pixelBytes] : 255;
    }
  }
  return rgba;
}
