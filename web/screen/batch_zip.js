// A batch's zip, written as its sets finish: each entry's bytes go into the zip's
// pieces as soon as fflate has framed them, and nothing else keeps them, so the
// page holds the zip once. Entries are stored as they are (BMP files, and PNG files
// already compressed), each with the same time, so that the same batch gives the
// same zip.
import { Zip, ZipPassThrough } from 'fflate';

// The oldest time a zip entry can say, in the local time zone as zip times are.
const ENTRY_TIME = new Date(1980, 0, 1, 0, 0, 0);
// fflate writes no Zip64 records: no entry, and no zip, may pass 4 GiB.
export const ZIP_LIMIT = 2 ** 32 - 1;

export class BatchZip {
  constructor() {
    this.pieces = [];
    this.size = 0;
    this.failure = null;
    this.zip = new Zip((error, chunk) => {
      if (error) this.failure = error;
      else {
        this.pieces.push(new Blob([chunk]));
        this.size += chunk.length;
      }
    });
  }

  // Whether `bytes` more would still fit, with room for the zip's directory.
  fits(bytes) {
    return this.size + bytes + 1024 * 1024 < ZIP_LIMIT;
  }

  async add(name, bytes) {
    const entry = new ZipPassThrough(name);
    entry.mtime = ENTRY_TIME;
    this.zip.add(entry);
    entry.push(new Uint8Array(bytes), true);
    if (this.failure) throw this.failure;
  }

  // The whole zip; nothing more can be added.
  finish() {
    this.zip.end();
    if (this.failure) throw this.failure;
    const blob = new Blob(this.pieces, { type: 'application/zip' });
    this.pieces = [];
    return blob;
  }
}
