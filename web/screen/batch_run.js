// A batch's runs: each set or frame is one run of the run's worker, exactly as a
// set chosen in the boxes, in a few workers at once. Results are handed on in the
// plan's order, so that the zip is the same however the workers' runs interleave;
// a worker whose result waits for an earlier one starts no other run meanwhile, so
// at most one set's files a worker are held.
import { FERLANE } from '../shared/door.js';
import { RUN } from '../shared/messages.js';
import { answer, postChoice } from './run_client.js';

// How many workers run at once: one a core, at most four (each run computes in one
// thread); where the browser tells the machine's memory (Chromium), no more than
// one for every 2 GiB, what a run of 24 MP photographs takes at its peak with its
// files.
export function batchWorkers(navigator) {
  let count = Math.min(4, Math.max(1, navigator.hardwareConcurrency || 2));
  if (navigator.deviceMemory) count = Math.min(count, Math.max(1, Math.floor(navigator.deviceMemory / 2)));
  return count;
}

// One run in the worker: { files } or { failed: text }.
// backgrounds: { keep } for a turntable's frame, whose backgrounds the module keeps
// for the next frame; { take } where the worker's last run, which ended well, had
// these very background files, which its module then takes rather than read again.
function runOne(worker, item, job, cancels, backgrounds) {
  return new Promise((settle) => {
    const resolve = (outcome) => {
      cancels.delete(resolve);
      settle(outcome);
    };
    cancels.add(resolve);
    worker.onmessage = ({ data }) => {
      if (data.job !== job) {
        if (data.type === RUN.ASK) worker.postMessage({ type: RUN.ANSWER, id: data.id });
        return;
      }
      if (data.type === RUN.ASK) answer(worker, item.files[data.slot], data);
      else if (data.type === RUN.DONE) resolve({ files: data.files });
      else if (data.type === RUN.FAILED || data.type === RUN.WAITING) resolve({ failed: data.text });
    };
    // A worker that cannot even start, or stopped (no memory for the module).
    worker.onerror = (event) => {
      event.preventDefault();
      resolve({ failed: `failed: ${event.message || 'the worker stopped'}` });
    };
    postChoice(worker, item.files, { job, backgrounds });
  });
}

export class BatchRun {
  // url: the run's worker's script; take(item, outcome) is called in the plan's
  // order with { files } or { failed }, and awaited.
  constructor({ url, items, workers, take }) {
    this.url = url;
    this.items = items;
    this.workers = Math.min(workers, items.length);
    this.take = take;
    this.stopped = false;
    this.live = new Set();
    this.next = 0;
    this.written = 0;
    this.waiting = new Map();
    this.jobs = 0;
    // The runs going, each ended with { stopped } when the batch stops.
    this.cancels = new Set();
  }

  // Resolves when every item was taken, or the batch stopped.
  async run() {
    await Promise.all(Array.from({ length: this.workers }, () => this.lane()));
  }

  stop() {
    this.stopped = true;
    for (const worker of this.live) worker.terminate();
    for (const cancel of this.cancels) cancel({ stopped: true });
    this.cancels.clear();
    this.live.clear();
    for (const resume of this.waiting.values()) resume();
    this.waiting.clear();
  }

  async lane() {
    let worker = null;
    // The background files of this worker's last run, where it was a frame that ended well.
    let backgrounds = null;
    while (!this.stopped && this.next < this.items.length) {
      const index = this.next++;
      if (!worker) {
        worker = new Worker(this.url);
        this.live.add(worker);
        backgrounds = null;
      }
      const { files, turntable } = this.items[index];
      const take = turntable && backgrounds !== null && backgrounds[0] === files[FERLANE.SLOT_BACKGROUND0] &&
        backgrounds[1] === files[FERLANE.SLOT_BACKGROUND1];
      const outcome = await runOne(worker, this.items[index], ++this.jobs, this.cancels, { keep: turntable, take });
      backgrounds = turntable && outcome.files ? [files[FERLANE.SLOT_BACKGROUND0], files[FERLANE.SLOT_BACKGROUND1]] : null;
      if (outcome.stopped) break;
      if (outcome.failed) {
        // What a failed run left in its worker's memory goes with the worker.
        worker.terminate();
        this.live.delete(worker);
        worker = null;
      }
      while (!this.stopped && this.written !== index) await new Promise((resume) => this.waiting.set(index, resume));
      if (this.stopped) break;
      await this.take(this.items[index], outcome);
      this.written = index + 1;
      const resume = this.waiting.get(this.written);
      this.waiting.delete(this.written);
      if (resume) resume();
    }
    if (worker) {
      worker.terminate();
      this.live.delete(worker);
    }
  }
}
