// Many sets in one go: a folder of sets, or a turntable's frames over one pair of
// backgrounds, planned, run, and saved as one zip. The plan's rule is in
// batch_plan.js, the runs in batch_run.js, the zip in batch_zip.js; this is the
// batch's part of the page.
import { FERLANE } from '../shared/door.js';
import { SAVER } from '../shared/messages.js';
import { readChosen, readDropped } from './batch_files.js';
import { planBatch } from './batch_plan.js';
import { BatchRun, batchWorkers } from './batch_run.js';
import { canSaveIntoFolder, FolderSink } from './batch_folder.js';
import { BatchZip } from './batch_zip.js';
import { download } from './results.js';

const SHOTS = ['bg0', 'image0', 'bg1', 'image1', 'alpha'];

function minutes(ms) {
  const seconds = Math.round(ms / 1000);
  return seconds < 60 ? `${seconds} s` : `${Math.floor(seconds / 60)} min ${seconds % 60} s`;
}

function listItem(document, text) {
  const item = document.createElement('li');
  item.textContent = text;
  return item;
}

export class Batch {
  constructor(document, { url, saver }) {
    this.document = document;
    this.url = url;
    this.saver = saver;
    const $ = (id) => document.getElementById(id);
    this.view = {
      folder: $('batch-folder'), plan: $('batch-plan'), summary: $('batch-summary'), items: $('batch-items'),
      unplaced: $('batch-unplaced'), unplacedList: $('batch-unplaced-list'), start: $('batch-start'),
      running: $('batch-running'), bar: $('batch-bar'), count: $('batch-count'), stop: $('batch-stop'),
      state: $('batch-state'), failures: $('batch-failures'), save: $('batch-save'), intoFolder: $('batch-into-folder'),
    };
    this.plan = null;
    this.run = null;
    this.zip = null;
    this.blob = null;
    this.view.folder.addEventListener('change', () => this.take(readChosen(this.view.folder.files)));
    this.view.start.addEventListener('click', () => this.start(new BatchZip()));
    this.view.intoFolder.addEventListener('click', () => this.startIntoFolder());
    this.view.stop.addEventListener('click', () => this.stop());
    this.view.save.addEventListener('click', () => download(this.document, 'ferlane-batch.zip', this.blob));
  }

  // Dropped folders' entries, read before they are planned.
  async takeDropped(entries) {
    this.setState('reading', 'Reading the folder…');
    this.take(await readDropped(entries));
  }

  setState(state, text) {
    this.view.state.dataset.state = state;
    this.view.state.textContent = text;
  }

  // A folder's files, { files, unread }: planned and shown, not yet run.
  take({ files, unread }) {
    if (this.run) this.stop();
    const plan = planBatch(files);
    plan.unplaced.push(...unread);
    this.plan = plan;
    const { document, view } = this;
    const frames = plan.items.filter((item) => item.turntable).length;
    const sets = plan.items.length - frames;
    const counted = [sets && `${sets} set${sets === 1 ? '' : 's'}`, frames && `${frames} turntable frame${frames === 1 ? '' : 's'}`];
    view.summary.textContent = plan.items.length
      ? `${counted.filter(Boolean).join(' and ')} to run; ${plan.unplaced.length} file${plan.unplaced.length === 1 ? '' : 's'} not placed.`
      : `Nothing to run in these ${files.length} files; ${plan.unplaced.length} not placed.`;
    view.items.replaceChildren(...plan.items.map((item) => {
      const shots = item.files.map((file, slot) => file && `${SHOTS[slot]} "${file.name}"`).filter(Boolean);
      return listItem(document, `${item.name || '(the folder itself)'}: ${shots.join(', ')} → ${item.prefix}alpha.bmp…`);
    }));
    view.unplacedList.replaceChildren(...plan.unplaced.map(({ path, reason }) => listItem(document, `${path}: ${reason}`)));
    view.unplaced.hidden = !plan.unplaced.length;
    view.plan.hidden = false;
    view.running.hidden = true;
    view.failures.replaceChildren();
    view.save.hidden = true;
    view.start.disabled = !plan.items.length;
    view.intoFolder.hidden = !canSaveIntoFolder(document.defaultView);
    this.setState('planned', plan.items.length ? 'Planned: choose what to save, then run the batch.' : 'Nothing to run.');
  }

  chosenSaves() {
    return new Set([...this.document.querySelectorAll('#batch-saves input:checked')].map((input) => input.value));
  }

  // The folder asked for first, while the click still lets the page ask.
  async startIntoFolder() {
    let directory;
    try {
      directory = await this.document.defaultView.showDirectoryPicker({ mode: 'readwrite' });
    } catch (error) {
      this.setState('planned', `No folder chosen (${error.name === 'AbortError' ? 'cancelled' : error.message}).`);
      return;
    }
    await this.start(new FolderSink(directory));
  }

  // Runs the plan, its results going into the sink: a BatchZip, or a FolderSink.
  async start(sink) {
    const { view, plan } = this;
    if (!plan || !plan.items.length || this.run) return;
    const saves = this.chosenSaves();
    const total = plan.items.length;
    this.zip = sink;
    this.blob = null;
    const failed = [];
    let done = 0;
    const began = performance.now();
    view.failures.replaceChildren();
    view.save.hidden = true;
    view.start.disabled = view.intoFolder.disabled = true;
    view.running.hidden = view.stop.hidden = false;
    view.bar.max = total;
    view.bar.value = 0;
    const tell = () => {
      const left = done ? ` About ${minutes(((performance.now() - began) / done) * (total - done))} left.` : '';
      const text = `${done} of ${total} done${failed.length ? `, ${failed.length} failed` : ''}.${left}`;
      view.count.textContent = text;
      view.bar.setAttribute('aria-valuetext', text);
    };
    tell();
    this.setState('running', `Running ${total} with ${batchWorkers(navigator)} workers at once…`);
    const run = new BatchRun({
      url: this.url, items: plan.items, workers: batchWorkers(navigator),
      take: async (item, outcome) => {
        if (outcome.failed) {
          failed.push(item);
          view.failures.append(listItem(this.document, `${item.name}: ${outcome.failed}`));
        } else {
          const refusal = await this.write(item, outcome.files, saves);
          if (refusal) {
            this.refusal = refusal;
            run.stop();
            return;
          }
        }
        done += 1;
        view.bar.value = done;
        tell();
      },
    });
    this.run = run;
    this.refusal = null;
    await run.run();
    this.run = null;
    // The bar stays, showing how far the batch went.
    view.stop.hidden = true;
    view.start.disabled = view.intoFolder.disabled = false;
    try {
      this.blob = await this.zip.finish();
    } catch (error) {
      this.refusal = `the zip cannot be finished: ${error.message}`;
    }
    let saved = done - failed.length;
    const where = this.zip instanceof FolderSink ? ` into the folder "${this.zip.name}"` : '';
    this.zip = null;
    view.save.hidden = !saved || !this.blob;
    if (!this.blob) saved = `${saved}${where}`;
    if (this.blob) {
      const count = `${saved} ${saved === 1 ? 'result' : 'results'}`;
      view.save.textContent = `Save ferlane-batch.zip (${count}, ${(this.blob.size / 1e6).toFixed(1)} MB)`;
    }
    const failures = failed.length ? ` Failed: ${failed.map((item) => item.name).join(', ')}.` : '';
    if (this.refusal) this.setState('stopped', `Stopped after ${done} of ${total}: ${this.refusal}${failures}`);
    else if (run.stopped) this.setState('stopped', `Stopped after ${done} of ${total}.${failures}`);
    else this.setState('done', `Done: ${saved} of ${total} saved in ${minutes(performance.now() - began)}.${failures}`);
  }

  stop() {
    if (this.run) this.run.stop();
  }

  // One result's files in the zip, those chosen: the run's BMP files, the cutout and
  // the mask. Answers why not, where the zip cannot hold them.
  async write(item, files, saves) {
    const alpha = files[FERLANE.FILE_ALPHA];
    const foreground = files[FERLANE.FILE_FOREGROUND];
    const entries = [];
    if (saves.has('bmp')) {
      for (const file of Object.values(files)) if (file.offered) entries.push([file.name, file.bytes]);
    }
    const part = (file) => ({ bytes: file.bytes, layout: file.layout });
    if (saves.has('subject') && alpha && foreground) {
      entries.push(['subject.png', await this.saver.png({ type: SAVER.SUBJECT, foreground: part(foreground), alpha: part(alpha) })]);
    }
    if (saves.has('mask') && alpha) {
      entries.push(['mask.png', await this.saver.png({ type: SAVER.MASK, alpha: part(alpha) })]);
    }
    const bytes = entries.reduce((sum, [, data]) => sum + data.byteLength, 0);
    // The first set tells what every set of the batch will take, near enough.
    const expected = this.zip.size ? bytes : bytes * this.plan.items.length;
    if (!this.zip.fits(expected)) {
      const what = this.zip.size ? 'the zip would pass' : `${this.plan.items.length} such sets would make a zip of ` +
        `${(expected / 2 ** 30).toFixed(1)} GiB, past`;
      return `${what} 4 GiB, more than this page's zip can hold. Save less of each set, or run them with the ` +
        'console tool (the README\'s "Many sets" and "A turntable").';
    }
    try {
      for (const [name, data] of entries) await this.zip.add(`${item.prefix}${name}`, data);
    } catch (error) {
      return `${item.prefix}${entries.length ? entries[0][0] : ''} cannot be written: ${error.message}`;
    }
    return null;
  }
}
