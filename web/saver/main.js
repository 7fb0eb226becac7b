// The worker that makes the PNG files the page saves, so that encoding a large
// cutout never holds up the page: it takes the run's fg.bmp and alpha.bmp, each
// with its layout, and answers the file's bytes.
import { rgbaPixels } from '../shared/bmp_pixels.js';
import { SAVER } from '../shared/messages.js';
import { composite } from './composite.js';
import { encodePng } from './png_encoder.js';

async function png({ type, foreground, alpha, backdrop }) {
  if (type === SAVER.MASK) {
    return encodePng(rgbaPixels(alpha, null), alpha.layout.columns, alpha.layout.rows, { grey: true });
  }
  const { columns, rows } = foreground.layout;
  const subject = rgbaPixels(foreground, alpha);
  if (type === SAVER.SUBJECT) return encodePng(subject, columns, rows);
  const ground = composite(subject, columns, rows, backdrop);
  return encodePng(ground.pixels, ground.width, ground.height, { opaque: true });
}

onmessage = async ({ data }) => {
  try {
    const bytes = await png(data);
    postMessage({ type: SAVER.PNG, id: data.id, bytes }, [bytes.buffer]);
  } catch (error) {
    postMessage({ type: SAVER.FAILED, id: data.id, text: `${error}` });
  }
};
