// The run's worker: one run of the page at a time, off the page's thread, in the
// matting module (web/door), which is ready as soon as the worker starts.
import createFerlaneCore from 'ferlane-core';
import { FERLANE } from '../shared/door.js';
import { RUN } from '../shared/messages.js';
import { Abandoned, PageLink } from './page_link.js';
import { run, RunFailed } from './run.js';

const link = new PageLink((message, transfer) => postMessage(message, transfer));

// A small set runs first, so that the browser has compiled its fast code by the
// page's first run.
const coreReady = createFerlaneCore().then((core) => {
  core._ferlane_warm_up();
  return core;
});

function failure(core, error) {
  if (error instanceof RunFailed) return { text: error.message, slot: error.slot };
  // The browser found no memory for an array: the module words it.
  if (core && error instanceof RangeError) {
    core._ferlane_unread(FERLANE.UNREAD_OUT_OF_MEMORY);
    return { text: core.UTF8ToString(core._ferlane_message()), slot: -1 };
  }
  return { text: `failed: ${error}`, slot: -1 };
}

async function start(job) {
  if (job !== link.newest) return;
  link.running = job;
  let core = null;
  try {
    core = await coreReady;
    if (job !== link.newest) return;
    const result = await run(core, link, job);
    if (result.waiting) {
      link.tell({ type: RUN.WAITING, text: result.waiting });
      return;
    }
    const transfer = [...Object.values(result.files).map((file) => file.bytes),
      ...Object.values(result.previews).map((shown) => shown.rgba)];
    link.tell({ type: RUN.DONE, at: performance.now(), ...result }, transfer);
  } catch (error) {
    if (error instanceof Abandoned) return;
    link.tell({ type: RUN.FAILED, ...failure(core, error) });
  }
}

// Runs one at a time, the newest choice first.
let queue = Promise.resolve();
onmessage = ({ data }) => {
  if (data.type === RUN.ANSWER) {
    link.answered(data);
  } else if (data.type === RUN.CHOOSE) {
    link.newest = data;
    queue = queue.then(() => start(data));
  }
};
