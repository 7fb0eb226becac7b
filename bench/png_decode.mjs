// Prints the seconds the page's PNG decoder takes over FILE, once, in a fresh Node
// (as the page decodes each picture once; Node's DecompressionStream is the same
// zlib a browser's is):
//   node --import ./tests/web/png/door_numbers_hook.mjs bench/png_decode.mjs FILE
// bench/png_read.sh runs it in turns with ImageMagick.
import { readFileSync } from 'node:fs';

import { decodePng } from '../web/worker/png_decoder.js';

const bytes = new Uint8Array(readFileSync(process.argv[2]));
const start = performance.now();
await decodePng(bytes, (width, height) => new Uint8Array(4 * width * height));
console.log(((performance.now() - start) / 1000).toFixed(3));
