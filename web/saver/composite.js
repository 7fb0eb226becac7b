// The composite as saved: the cutout at its full size over the backdrop shown, one
// backdrop pixel to one cutout pixel: over a colour the size of the cutout, over a
// picture the picture's size with the cutout centred.

// The backdrop's pixels: { colour } fills the cutout's size, { picture } (an
// ImageBitmap) is drawn as it is.
function backdropPixels(backdrop, width, height) {
  const ground = backdrop.picture ? { width: backdrop.picture.width, height: backdrop.picture.height } : { width, height };
  const canvas = new OffscreenCanvas(ground.width, ground.height);
  const context = canvas.getContext('2d', { willReadFrequently: true });
  if (backdrop.picture) {
    context.drawImage(backdrop.picture, 0, 0);
    backdrop.picture.close();
  } else {
    context.fillStyle = backdrop.colour;
    context.fillRect(0, 0, ground.width, ground.height);
  }
  const pixels = context.getImageData(0, 0, ground.width, ground.height).data;
  // The canvas's own memory goes at once, not when it is collected.
  canvas.width = canvas.height = 1;
  return { pixels, ...ground };
}

// The cutout's straight-alpha RGBA (width × height) blended over the backdrop:
// the backdrop's RGBA, opaque, and its size.
export function composite(subject, width, height, backdrop) {
  const ground = backdropPixels(backdrop, width, height);
  const out = ground.pixels;
  const left = Math.round((ground.width - width) / 2);
  const top = Math.round((ground.height - height) / 2);
  for (let row = Math.max(0, -top); row < Math.min(height, ground.height - top); ++row) {
    for (let column = Math.max(0, -left); column < Math.min(width, ground.width - left); ++column) {
      const k = 4 * (row * width + column);
      const j = 4 * ((row + top) * ground.width + column + left);
      const a = subject[k + 3];
      for (let c = 0; c < 3; ++c) out[j + c] = Math.round((subject[k + c] * a + out[j + c] * (255 - a)) / 255);
    }
  }
  return ground;
}
