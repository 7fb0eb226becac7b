// Mutates valid PNGs of the conformance set ($PNG_SET) for $PNG_FUZZ_SECONDS: in
// their header (sound CRC), their inflated rows (deflated again), or anywhere
// (CRCs made right again or not), or cut short. Each must decode within the size
// its header asks for, inflating no more than that and two slices, or be refused
// by a FERLANE.PNG_* rule: no other error, no hang.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { crc32, deflateSync, inflateSync } from 'node:zlib';

import fc from 'fast-check';

import { FERLANE } from '../../../web/shared/door.js';
import { decodePng, PngRefusal } from '../../../web/worker/png_decoder.js';
import { SLICE_BYTES, SPARE_BYTES } from '../../../web/worker/png_inflate.js';

const folder = process.env.PNG_SET;
const seconds = Number(process.env.PNG_FUZZ_SECONDS || 10);
const seeds = JSON.parse(readFileSync(join(folder, 'set.json'), 'utf8'))
  .filter(({ rule }) => rule === null)
  .map(({ name }) => readFileSync(join(folder, `${name}.png`)))
  .filter((png) => png.length < 16384);
const rules = new Set(Object.entries(FERLANE).filter(([name]) => name.startsWith('PNG_')).map(([, rule]) => rule));
const MOST_PIXELS = 1 << 22;
const CHANNELS = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 };

function chunks(png) {
  const found = [];
  for (let at = 8; at + 12 <= png.length;) {
    const length = png.readUInt32BE(at);
    if (at + 12 + length > png.length) break;
    found.push({ at, type: png.toString('latin1', at + 4, at + 8), data: png.subarray(at + 8, at + 8 + length) });
    at += 12 + length;
  }
  return found;
}

function withSoundCrcs(png) {
  const out = Buffer.from(png);
  for (const { at, data } of chunks(out)) out.writeUInt32BE(crc32(out.subarray(at + 4, at + 8 + data.length)), at + 8 + data.length);
  return out;
}

function chunk(type, data) {
  const out = Buffer.alloc(12 + data.length);
  out.writeUInt32BE(data.length);
  out.write(type, 4, 'latin1');
  data.copy(out, 8);
  return withSoundCrcs(Buffer.concat([Buffer.alloc(8), out])).subarray(8);
}

// The data the header asks for: every pass's rows with their filter bytes.
function wantedBytes(png) {
  const width = png.readUInt32BE(16);
  const height = png.readUInt32BE(20);
  const bits = png[24] * (CHANNELS[png[25]] ?? 4);
  const passes = png[28] ? [[0, 0, 8, 8], [4, 0, 8, 8], [0, 4, 4, 8], [2, 0, 4, 4], [0, 2, 2, 4], [1, 0, 2, 2], [0, 1, 1, 2]] : [[0, 0, 1, 1]];
  return passes.reduce((sum, [x0, y0, dx, dy]) => {
    const columns = Math.ceil((width - x0) / dx);
    const rows = Math.ceil((height - y0) / dy);
    return columns > 0 && rows > 0 ? sum + rows * (Math.ceil((columns * bits) / 8) + 1) : sum;
  }, 0);
}

const mutations = {
  header: (png, [at, value]) => withSoundCrcs(Buffer.concat([png.subarray(0, 16 + (at % 13)), Buffer.from([value]), png.subarray(17 + (at % 13))])),
  rows: (png, [at, value]) => {
    const parts = chunks(png).filter(({ type }) => type === 'IDAT');
    let raw;
    try {
      raw = inflateSync(Buffer.concat(parts.map(({ data }) => data)));
    } catch {
      return png; // an earlier step broke the data: nothing to mutate within it
    }
    if (raw.length > 0) raw[at % raw.length] = value;
    const idat = chunk('IDAT', deflateSync(raw));
    return Buffer.concat([png.subarray(0, parts[0].at), idat, png.subarray(parts[parts.length - 1].at + 12 + parts[parts.length - 1].data.length)]);
  },
  anywhere: (png, [at, value], sound) => {
    const out = Buffer.from(png);
    out[8 + (at % (out.length - 8))] = value;
    return sound ? withSoundCrcs(out) : out;
  },
  cut: (png, [at]) => png.subarray(0, 8 + (at % (png.length - 8))),
};

test(`mutated PNGs decode within their size or are refused by a rule, for ${seconds} s`, async () => {
  const mutated = fc.tuple(
    fc.constantFrom(...seeds),
    fc.array(fc.tuple(fc.constantFrom(...Object.keys(mutations)), fc.tuple(fc.nat(), fc.nat(255)), fc.boolean()), { minLength: 1, maxLength: 4 }),
  ).map(([seed, steps]) => steps.reduce((png, [kind, where, sound]) => mutations[kind](png, where, sound), seed));
  await fc.assert(fc.asyncProperty(mutated, async (png) => {
    const counter = { bytes: 0 };
    let asked = null;
    try {
      await decodePng(png, (width, height) => {
        asked = [width, height];
        return width * height <= MOST_PIXELS ? new Uint8Array(4 * width * height) : null;
      }, counter);
    } catch (error) {
      if (!(error instanceof PngRefusal) || !rules.has(error.rule)) throw error;
    }
    if (counter.bytes > 0) {
      assert.ok(asked && asked[0] * asked[1] <= MOST_PIXELS, 'nothing inflated for a size refused');
      assert.ok(counter.bytes <= 2 * wantedBytes(png) + SPARE_BYTES + 2 * 1032 * SLICE_BYTES,
        `${counter.bytes} bytes inflated`);
    }
  }), { interruptAfterTimeLimit: seconds * 1000, numRuns: Number.MAX_SAFE_INTEGER, seed: Date.now() | 0 });
});
