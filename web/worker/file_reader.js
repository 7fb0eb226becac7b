// Reads a chosen file for the run. The worker reads the File the page sent it
// wherever its browser lets it: then the bytes go from the disk to the module with
// one copy and no trip through the page. Some browsers let a worker of a page
// opened from a file read no File at all; there the page reads for it, and what
// it reads comes over in pieces, moved rather than copied. Either way no whole
// second copy of a file is held, and the next pieces are being read while the
// last is copied.
import { ASKED, RUN } from '../shared/messages.js';

// The bytes read at a time, and how many such reads are kept going: enough that
// the disk never waits for a copy, few enough that the pieces waiting to be
// copied stay small beside the file. A read the page makes costs a message each
// way and a move between threads, so more are kept going; its pieces stay small,
// as WebKitGTK read the files of a 24-megapixel set faster in 8 MiB pieces than
// in 32 MiB ones.
const OWN_READS = { piece: 32 << 20, going: 2 };
const PAGE_READS = { piece: 8 << 20, going: 3 };

// Whether this worker can read the File: asked of the browser by reading a byte,
// once per file, since a worker may read one kind of File (made in the page) and
// not another (chosen from the disk).
async function canRead(file) {
  if (!file || typeof file.slice !== 'function') return false;
  try {
    await file.slice(0, 1).arrayBuffer();
    return true;
  } catch (error) {
    return false;
  }
}

// One chosen file of the run: its slot, its size, and the page to ask for it
// where the worker cannot read its File.
export class Chosen {
  constructor(link, slot, size) {
    this.link = link;
    this.slot = slot;
    this.size = size;
    const sent = link.running && link.running.chosen && link.running.chosen[slot];
    this.file = sent && sent.file && sent.file.size === size ? sent.file : null;
    this.own = null;
  }

  // Whether the worker reads the file itself. The page hears of the first such
  // read: a worker that reads no longer takes a newer choice in its stride, since
  // it asks the page nothing that would tell it to give way.
  ownReading() {
    if (!this.own) {
      this.own = canRead(this.file).then((readable) => {
        if (readable) this.link.tell({ type: RUN.READING, slot: this.slot });
        return readable;
      });
    }
    return this.own;
  }

  // Its bytes from start to end, as an ArrayBuffer; undefined when they could not be read.
  async bytes(start, end) {
    end = Math.min(this.size, end);
    if (await this.ownReading()) {
      try {
        return await this.file.slice(start, end).arrayBuffer();
      } catch (error) {
        return undefined;
      }
    }
    const { buffer } = await this.link.ask({ what: ASKED.BYTES, slot: this.slot, start, end });
    return buffer;
  }

  note(text) {
    this.link.tell({ type: RUN.NOTE, slot: this.slot, text });
  }

  // The whole file, piece by piece, each given to into(piece, start) in order as
  // it comes while the next are read. False when a piece could not be read.
  async pieces(into) {
    const own = await this.ownReading();
    if (own) {
      const streamed = await this.streamed(into);
      if (streamed !== null) return streamed;
    }
    const { piece, going } = own ? OWN_READS : PAGE_READS;
    // Each read settles to its bytes or its error: a run given up for a newer
    // choice leaves reads behind it that nobody waits for.
    const reads = [];
    let next = 0;
    const read = () => {
      if (next >= this.size) return;
      const start = next;
      next += piece;
      reads.push(this.bytes(start, start + piece).then((buffer) => ({ buffer, start }), (error) => ({ error })));
    };
    for (let k = 0; k < going; k++) read();
    while (reads.length) {
      const { buffer, start, error } = await reads.shift();
      if (error) throw error;
      if (!buffer) return false;
      read();
      into(new Uint8Array(buffer), start);
    }
    return true;
  }

  // The file read as a byte stream into one buffer, over and over, where the
  // browser's File streams let a reader bring its own (Chromium, Firefox): it read
  // a 24-megapixel set's four files in 1.25 to 1.55 s where pieces read by slices,
  // a new buffer each, took 2.1 to 2.6 s. Null where the stream takes no buffer.
  async streamed(into) {
    let reader;
    try {
      reader = this.file.stream().getReader({ mode: 'byob' });
    } catch (error) {
      return null;
    }
    let buffer = new ArrayBuffer(OWN_READS.piece);
    let at = 0;
    try {
      for (;;) {
        const { value, done } = await reader.read(new Uint8Array(buffer));
        if (done) break;
        // A file grown since it was chosen would write past its room.
        if (at + value.length > this.size) return false;
        into(value, at);
        at += value.length;
        buffer = value.buffer;
      }
    } catch (error) {
      return false;
    } finally {
      reader.cancel().catch(() => {});
    }
    return at === this.size;
  }
}
