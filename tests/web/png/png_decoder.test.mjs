// The page's PNG decoder against the README's recipe, outside the browser: every
// file of the conformance set that tests/web/png/make_png_set.py wrote to $PNG_SET
// decodes to the recipe's BMP, pixel for pixel, or is refused, as the recipe
// refuses it, with the rule the set names; and what the header does not need is
// never inflated.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { deflateSync } from 'node:zlib';

import { FERLANE } from '../../../web/shared/door.js';
import { decodePng, PngRefusal } from '../../../web/worker/png_decoder.js';
import { SLICE_BYTES, SPARE_BYTES } from '../../../web/worker/png_inflate.js';

const folder = process.env.PNG_SET;
const set = JSON.parse(readFileSync(join(folder, 'set.json'), 'utf8'));
const room = (width, height) => new Uint8Array(4 * width * height);

// A 24-bit BMP's pixels as red, green, blue rows from the top.
function bmpPixels(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const offset = view.getUint32(10, true);
  const width = view.getInt32(18, true);
  const height = view.getInt32(22, true);
  assert.equal(view.getUint16(28, true), 24);
  const stride = (3 * width + 3) & ~3;
  const rgb = new Uint8Array(3 * width * Math.abs(height));
  for (let y = 0; y < Math.abs(height); ++y) {
    const row = offset + stride * (height > 0 ? height - 1 - y : y);
    for (let x = 0; x < width; ++x) {
      for (let c = 0; c < 3; ++c) rgb[3 * (y * width + x) + c] = bytes[row + 3 * x + 2 - c];
    }
  }
  return { width, height: Math.abs(height), rgb };
}

function firstDifference(rgba, rgb) {
  for (let k = 0; k < rgb.length / 3; ++k) {
    for (let c = 0; c < 3; ++c) {
      if (rgba[4 * k + c] !== rgb[3 * k + c]) return `pixel ${k}, channel ${c}: ${rgba[4 * k + c]}, not ${rgb[3 * k + c]}`;
    }
  }
  return null;
}

for (const { name, rule, converted } of set) {
  test(`${name}: ${rule ? `refused, ${rule}` : "the recipe's pixels"}`, async () => {
    const png = readFileSync(join(folder, `${name}.png`));
    assert.equal(converted, rule === null, 'the recipe agrees on whether it is a picture');
    if (rule) {
      await assert.rejects(decodePng(png, room), (error) => error instanceof PngRefusal && error.rule === FERLANE[`PNG_${rule}`]);
      return;
    }
    let pixels;
    const decoded = await decodePng(png, (width, height) => (pixels = room(width, height)));
    const bmp = bmpPixels(readFileSync(join(folder, `${name}.bmp`)));
    assert.deepEqual([decoded.width, decoded.height], [bmp.width, bmp.height]);
    assert.equal(firstDifference(pixels, bmp.rgb), null);
  });
}

function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length);
  head.write(type, 4, 'latin1');
  const tail = Buffer.alloc(4);
  // The CRC of type and data, by the decoder's own rule; a wrong one is refused.
  let c = -1;
  for (const byte of Buffer.concat([head.subarray(4), data])) {
    c ^= byte;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  }
  tail.writeUInt32BE((c ^ -1) >>> 0);
  return Buffer.concat([head, data, tail]);
}

function rgbPng(width, height, data) {
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width);
  header.writeUInt32BE(height, 4);
  header.set([8, 2, 0, 0, 0], 8);
  return Buffer.concat([Buffer.from('\x89PNG\r\n\x1a\n', 'latin1'), chunk('IHDR', header), chunk('IDAT', data), chunk('IEND', Buffer.alloc(0))]);
}

test('a bomb is inflated only as far as its header reaches', async () => {
  // 1000 × 1000 wants 3 001 000 bytes; its data would give 256 MiB.
  const bomb = rgbPng(1000, 1000, deflateSync(Buffer.alloc(256 << 20), { level: 9 }));
  const counter = { bytes: 0 };
  const decoded = await decodePng(bomb, room, counter);
  assert.equal(decoded.width, 1000);
  assert.ok(counter.bytes <= 2 * 3001000 + SPARE_BYTES + 2 * 1032 * SLICE_BYTES, `${counter.bytes} bytes inflated`);
});

test('a size the page refuses is refused before any data is inflated', async () => {
  const counter = { bytes: 0 };
  const asked = [];
  const big = rgbPng(20000, 20000, deflateSync(Buffer.alloc(1 << 20)));
  assert.equal(await decodePng(big, (width, height) => asked.push([width, height]) && null, counter), null);
  assert.deepEqual(asked, [[20000, 20000]]);
  assert.equal(counter.bytes, 0);
});
