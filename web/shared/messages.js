// The messages between the page and its workers: each carries one of these as its
// `type`, and both sides take the names from here.
import { strict } from './strict.js';

// Between the page and the run's worker.
export const RUN = strict({
  // page: the files chosen, by slot ({ job, chosen: { name, size, file }, backgrounds: { keep, take },
  // thumbnailSide: the longest side of the small pictures it wants of them })
  CHOOSE: 'choose',
  ASK: 'ask', // worker: something of a chosen file ({ id, what, slot, start, end })
  ANSWER: 'answer', // page: the answer to an ASK of the same id
  READING: 'reading', // worker: it reads a chosen file itself, asking nothing of the page
  STEP: 'step', // worker: the run's next step, its line and when it began
  NOTE: 'note', // worker: what the page should know of a slot's picture
  SIZE: 'size', // worker: a slot's picture's columns and rows from its header, and whether the page may decode it
  THUMBNAIL: 'thumbnail', // worker: a small picture of a slot's picture as the run read it ({ slot, rgba, width, height })
  WAITING: 'waiting', // worker: nothing to run with these files, and why
  FAILED: 'failed', // worker: the run failed, its message and the slot it names
  DONE: 'done', // worker: the files written, small pictures of them and the error map's shares
}, 'RUN');

// What an ASK wants of the file.
export const ASKED = strict({
  BYTES: 'bytes', // its bytes from start to end
  BITMAP: 'bitmap', // the picture as the page's browser decodes it
}, 'ASKED');

// Between the page and the worker that encodes the saved pictures.
export const SAVER = strict({
  SUBJECT: 'subject', // page: the cutout as a PNG with its transparency
  COMPOSITE: 'composite', // page: the cutout over a backdrop, an opaque PNG
  MASK: 'mask', // page: alpha.bmp as a grey PNG, the mask photogrammetry programs read
  PNG: 'png', // saver: the PNG file's bytes
  FAILED: 'failed', // saver: why there is none
}, 'SAVER');
