// The page: five picture boxes, the run's steps as the worker reports them, and the
// results with their save buttons. Each part owns its state; this joins them.
import { Boxes } from './boxes.js';
import { takeDrops } from './drops.js';
import { Progress } from './progress.js';
import { Results } from './results.js';
import { RunClient } from './run_client.js';
import { SaverClient } from './saver_client.js';
import { workerUrl } from './worker_source.js';

const progress = new Progress(document);
const results = new Results(document, progress, new SaverClient(workerUrl(document, 'saver-source')));
const boxes = new Boxes(document, {
  whenIdle: () => runs.whenIdle(),
  onChoice: () => runs.start(performance.now()),
});
const runs = new RunClient({ url: workerUrl(document, 'worker-source'), boxes, progress, results });
takeDrops(window, boxes);
// What the module says of an empty choice.
runs.start(performance.now());
