// A PNG's image data, inflated by the browser's own zlib (DecompressionStream)
// piece by piece, and only as far as the picture's header says it reaches: a
// small file whose data would inflate to gigabytes costs no more than its size.

// The compressed bytes handed to the inflater at a time. It inflates each slice
// whole before it waits for its output to be read, and may hold the next, so two
// slices bound what it inflates beyond what is wanted: deflate expands at most
// 1032 to 1. Each slice is as large as keeps that beyond no more than what is
// still wanted and SPARE_BYTES more, up to MOST_SLICE_BYTES, and at least
// SLICE_BYTES: every slice costs a round through the streams, and at a tenth of
// the size the rounds took a third of the inflating time of a 24-megapixel photograph.
export const SLICE_BYTES = 16 << 10;
const MOST_SLICE_BYTES = 1 << 20;
const MOST_EXPANSION = 1032;
export const SPARE_BYTES = 64 << 20;

export class InflateFailure extends Error {}

async function readOrFail(reader) {
  try {
    return await reader.read();
  } catch (error) {
    throw new InflateFailure(String(error));
  }
}

// Feeds `parts` (the IDAT chunks' data, in order) to the inflater and hands each
// inflated piece to take(piece), which answers how many bytes it still wants,
// until it wants none or the data ends; `wanted` is how many it wants at first. Answers 'ended' when the data ended before take had all,
// 'complete' when it ended right after, its checksum right, 'extra' when more
// followed (left uninflated); throws InflateFailure for data that does not
// inflate, and whatever take throws. counter.bytes grows by every byte inflated.
export async function inflateInto(parts, wanted, take, counter = { bytes: 0 }) {
  let still = wanted;
  let part = 0;
  let at = 0;
  const compressed = new ReadableStream({
    pull(controller) {
      while (part < parts.length && at >= parts[part].length) {
        ++part;
        at = 0;
      }
      if (part === parts.length) {
        controller.close();
        return;
      }
      const slice = Math.min(MOST_SLICE_BYTES, Math.max(SLICE_BYTES, Math.floor((still + SPARE_BYTES) / (2 * MOST_EXPANSION))));
      const end = Math.min(parts[part].length, at + slice);
      controller.enqueue(parts[part].subarray(at, end));
      at = end;
    },
  }, { highWaterMark: 0 });
  const reader = compressed.pipeThrough(new DecompressionStream('deflate')).getReader();
  try {
    for (;;) {
      const piece = await readOrFail(reader);
      if (piece.done) return 'ended';
      counter.bytes += piece.value.length;
      still = take(piece.value);
      if (still === 0) break;
    }
    // One more read tells whether the data ends here with its checksum.
    const after = await readOrFail(reader);
    if (after.done) return 'complete';
    counter.bytes += after.value.length;
    return 'extra';
  } finally {
    reader.cancel().catch(() => {});
  }
}
