// The page: five picture boxes, the run's steps as the worker reports them, and the
// results with their save buttons. Each part owns its state; this joins them.
import { Batch } from './batch.js';
import { Boxes } from './boxes.js';
import { takeDrops } from './drops.js';
import { Progress } from './progress.js';
import { Results } from './results.js';
import { RunClient } from './run_client.js';
import { SaverClient } from './saver_client.js';
import { workerUrl } from './worker_source.js';

const runScript = workerUrl(document, 'worker-source');
const progress = new Progress(document);
const saver = new SaverClient(workerUrl(document, 'saver-source'));
const results = new Results(document, progress, saver);
const boxes = new Boxes(document, {
  whenIdle: () => runs.whenIdle(),
  onChoice: () => runs.start(performance.now()),
});
const runs = new RunClient({ url: runScript, boxes, progress, results });
const batch = new Batch(document, { url: runScript, saver });
takeDrops(window, boxes, batch);
// What the module says of an empty choice.
runs.start(performance.now());
