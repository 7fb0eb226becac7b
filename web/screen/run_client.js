// The page's side of a run: the run's worker, its life, and its questions about the
// chosen files. The run itself is the worker's and its rules the matting module's;
// the worker reads the chosen files itself where its browser lets it, and this
// side reads them for it where not (some browsers let a worker of a page opened
// from a file read none).
//
// Every choice starts a run over the chosen files; the module says whether they
// make one. A run already going is abandoned for the newer choice: a worker that
// has not yet asked for or read any file takes the newer choice itself (choices made in
// quick succession then find its module ready); one that has is stopped, and with
// it all the memory its run took.
import { FERLANE } from '../shared/door.js';
import { ASKED, RUN } from '../shared/messages.js';
import { THUMB_SIDE } from './boxes.js';

// What the worker asks of a chosen file: a piece of its bytes, or the picture as
// this browser decodes it, moved to the worker rather than copied.
export async function answer(worker, file, { id, what, start, end }) {
  if (what === ASKED.BYTES) {
    try {
      const buffer = await file.slice(start, end).arrayBuffer();
      worker.postMessage({ type: RUN.ANSWER, id, buffer }, [buffer]);
    } catch (error) {
      worker.postMessage({ type: RUN.ANSWER, id });
    }
    return;
  }
  try {
    // As stored: no colour profile applied, colours not multiplied by their
    // opacity; the camera's rotation applied, as when the photograph is shown.
    const bitmap = await createImageBitmap(file, { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    worker.postMessage({ type: RUN.ANSWER, id, bitmap }, [bitmap]);
  } catch (error) {
    const readable = await file.slice(0, 1).arrayBuffer().then(() => true, () => false);
    worker.postMessage({ type: RUN.ANSWER, id, unread: readable ? FERLANE.UNREAD_CANNOT_DECODE : FERLANE.UNREAD_CANNOT_READ });
  }
}

// Sends a worker the files chosen, by slot, with the rest of the job (`fields`): the
// files themselves, which it reads where its browser lets it.
export function postChoice(worker, files, fields) {
  const chosen = files.map((file) => file && { name: file.name, size: file.size, file });
  try {
    worker.postMessage({ type: RUN.CHOOSE, ...fields, chosen });
  } catch (error) {
    // A browser that cannot send a File to a worker: the page reads them all.
    worker.postMessage({ type: RUN.CHOOSE, ...fields, chosen: chosen.map((file) => file && { ...file, file: null }) });
  }
}

export class RunClient {
  // url: the worker's script; boxes, progress and results: what a run tells.
  constructor({ url, boxes, progress, results }) {
    this.url = url;
    this.boxes = boxes;
    this.progress = progress;
    this.results = results;
    // The worker of the run going, if any.
    this.worker = null;
    // A worker started ahead of the run it will serve, its module ready by then.
    this.spare = new Worker(url);
    // The files of the last run started, by slot, and its number.
    this.lastFiles = null;
    this.jobs = 0;
    this.waitingForIdle = [];
  }

  // Resolves once no run is going.
  async whenIdle() {
    // A run that the same choice starts (several files dropped at once) goes first.
    await new Promise((resolve) => setTimeout(resolve));
    while (this.worker) await new Promise((resolve) => this.waitingForIdle.push(resolve));
  }

  // A run over the files in the boxes, unless it is the one going.
  start(chosenAt) {
    const files = this.boxes.files();
    if (this.lastFiles && files.every((file, i) => file === this.lastFiles[i])) return;
    if (!this.worker || this.worker.asked) {
      this.stop();
      this.worker = this.spare || new Worker(this.url);
      this.spare = null;
    }
    this.lastFiles = files;
    const job = ++this.jobs;
    this.progress.clearSteps();
    this.results.hide();
    this.progress.setState('running', 'Working…');
    const worker = this.worker;
    worker.asked = false;
    worker.onmessage = ({ data }) => {
      // A run given up for this one: its question gets an empty answer, and it ends.
      if (data.job !== job) {
        if (data.type === RUN.ASK) worker.postMessage({ type: RUN.ANSWER, id: data.id });
        return;
      }
      this.heard(worker, files, chosenAt, data);
    };
    // A worker that cannot even start (no memory for the module) ends up here.
    worker.onerror = (event) => {
      event.preventDefault();
      this.stop();
      this.progress.setState('failed', `failed: ${event.message || 'the worker stopped'}`);
      this.progress.bringIntoView();
    };
    postChoice(worker, files, { job, thumbnailSide: THUMB_SIDE });
  }

  // A message of the run going.
  heard(worker, files, chosenAt, data) {
    const { progress } = this;
    if (data.at !== undefined) progress.timePreviousStep(data.at);
    switch (data.type) {
      case RUN.ASK:
        worker.asked = true;
        answer(worker, files[data.slot], data);
        break;
      case RUN.READING:
        // Reading, it will ask nothing that could tell it of a newer choice.
        worker.asked = true;
        break;
      case RUN.STEP:
        progress.addStep(data.text, data.at);
        break;
      case RUN.NOTE:
        this.boxes.note(data.slot, data.text);
        break;
      case RUN.SIZE:
        this.boxes.showSize(data.slot, data.columns, data.rows, data.previewable);
        break;
      case RUN.THUMBNAIL:
        this.boxes.showRead(data.slot, files[data.slot], data.rgba, data.width, data.height);
        break;
      case RUN.WAITING:
        // Nothing was computed: the worker, its memory untouched, serves the next run.
        if (this.spare) worker.terminate();
        else this.spare = worker;
        this.worker = null;
        this.stop();
        progress.setState('idle', data.text);
        break;
      case RUN.FAILED:
        this.stop();
        this.boxes.refuse(data.slot);
        progress.setState('failed', data.text);
        progress.bringIntoView();
        break;
      case RUN.DONE:
        this.stop();
        this.results.show(data, chosenAt, () => this.lastFiles === files);
        break;
      default:
        throw new TypeError(`the run's worker sent an unknown message: ${data.type}`);
    }
  }

  // Ends the run, if any, and gives back all its memory with its worker.
  stop() {
    if (this.worker) this.worker.terminate();
    this.worker = null;
    if (!this.spare) this.spare = new Worker(this.url);
    for (const resume of this.waitingForIdle.splice(0)) resume();
  }
}
