'use strict';
// The page: five picture slots, the run's steps as the worker reports them, and the
// results with their save buttons. All matting happens in the worker.

const BACKGROUND0 = 0;
const IMAGE0 = 1;
const BACKGROUND1 = 2;
const IMAGE1 = 3;
const THUMB_SIDE = 150;
const COMPOSITE_SIDE = 1600;

// The worker's script is inside the page, so that a page opened from a file, which
// may load no script file, can start it too.
const workerUrl = URL.createObjectURL(new Blob(
  [document.getElementById('worker-source').textContent], { type: 'text/javascript' }));

const slots = [...document.querySelectorAll('.slot')].map((element) => ({
  element,
  file: null,
  input: element.querySelector('input[type=file]'),
  thumb: element.querySelector('.thumb'),
  hint: element.querySelector('.hint'),
  size: element.querySelector('.size'),
  note: element.querySelector('.note'),
  clear: element.querySelector('.clear'),
}));
const stepList = document.getElementById('steps');
const state = document.getElementById('state');
const results = document.getElementById('results');
const backdropColour = document.getElementById('backdrop-colour');
const backdropPicture = document.getElementById('backdrop-picture');
const backdropClear = document.getElementById('backdrop-clear');

let worker = null;
// A worker started ahead of the run it will serve, its module ready by then.
let spareWorker = new Worker(workerUrl);
let lastJob = null;
let shown = null;
let backdrop = null;

function setState(name, text) {
  state.dataset.state = name;
  state.textContent = text;
}

// Resolves once no run is going: decoding a large picture for its thumbnail
// would compete with the run for memory and processor time.
const waitingForIdle = [];
async function whenIdle() {
  while (worker) await new Promise((resolve) => waitingForIdle.push(resolve));
}

async function showSize(slot, file) {
  try {
    const head = new DataView(await file.slice(0, 26).arrayBuffer());
    if (slot.file !== file || head.byteLength < 26 || head.getUint16(0) !== 0x424d) return;
    slot.size.textContent = `${file.name}: ${head.getInt32(18, true)} × ${Math.abs(head.getInt32(22, true))}`;
  } catch (error) {
    // The thumbnail tells the size, or that the file cannot be read.
  }
}

async function showThumbnail(slot, file) {
  showSize(slot, file);
  await whenIdle();
  if (slot.file !== file) return;
  const context = slot.thumb.getContext('2d');
  try {
    const bitmap = await createImageBitmap(file, { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    if (slot.file !== file) return bitmap.close();
    const scale = Math.min(1, THUMB_SIDE / Math.max(bitmap.width, bitmap.height));
    slot.thumb.width = Math.max(1, Math.round(bitmap.width * scale));
    slot.thumb.height = Math.max(1, Math.round(bitmap.height * scale));
    context.drawImage(bitmap, 0, 0, slot.thumb.width, slot.thumb.height);
    slot.size.textContent = `${file.name}: ${bitmap.width} × ${bitmap.height}`;
    bitmap.close();
    slot.thumb.hidden = false;
    slot.hint.hidden = true;
  } catch (error) {
    if (slot.file !== file) return;
    if (!slot.size.textContent.includes('×')) slot.size.textContent = `${file.name}: no preview`;
  }
}

function choose(slot, file) {
  slot.file = file;
  slot.note.textContent = '';
  slot.thumb.hidden = true;
  slot.hint.hidden = false;
  slot.size.textContent = file ? file.name : '';
  slot.clear.hidden = !file;
  slot.element.classList.remove('refused');
  if (!file) slot.input.value = '';
  startRun(performance.now());
  if (file) showThumbnail(slot, file);
}

for (const slot of slots) {
  slot.input.addEventListener('change', () => slot.input.files[0] && choose(slot, slot.input.files[0]));
  slot.clear.addEventListener('click', () => choose(slot, null));
  const drop = slot.element.querySelector('.drop');
  drop.addEventListener('dragover', (event) => { event.preventDefault(); drop.classList.add('over'); });
  drop.addEventListener('dragleave', () => drop.classList.remove('over'));
  drop.addEventListener('drop', (event) => {
    event.preventDefault();
    drop.classList.remove('over');
    if (event.dataTransfer.files.length) choose(slot, event.dataTransfer.files[0]);
  });
}
// A picture dropped beside a box would otherwise replace the page.
window.addEventListener('dragover', (event) => event.preventDefault());
window.addEventListener('drop', (event) => event.preventDefault());

// Both backgrounds and both photographs make a run; both backgrounds alone check
// the backdrops. A run already going is abandoned for the newer choice.
function startRun(chosenAt) {
  const files = slots.map((slot) => slot.file);
  if (!files[BACKGROUND0] || !files[BACKGROUND1]) {
    stopRun();
    lastJob = null;
    results.hidden = true;
    stepList.replaceChildren();
    setState('idle', 'Waiting for the two backgrounds.');
    return;
  }
  const backdropOnly = !(files[IMAGE0] && files[IMAGE1]);
  const job = { files: backdropOnly ? [files[BACKGROUND0], null, files[BACKGROUND1], null, null] : files, backdropOnly };
  if (lastJob && job.files.every((file, i) => file === lastJob.files[i])) return;
  stopRun();
  lastJob = job;
  stepList.replaceChildren();
  results.hidden = true;
  setState('running', backdropOnly ? 'Checking the backdrops…' : 'Working…');
  worker = spareWorker || new Worker(workerUrl);
  spareWorker = null;
  worker.onmessage = ({ data }) => {
    if (data.at !== undefined) timePreviousStep(data.at);
    if (data.type === 'step') {
      const item = document.createElement('li');
      item.textContent = data.text;
      item.dataset.at = data.at;
      stepList.append(item);
    } else if (data.type === 'note') {
      slots[data.slot].note.textContent = data.text;
    } else if (data.type === 'failed') {
      stopRun();
      const named = slots.find((slot) => slot.file && data.text.includes(`"${slot.file.name}"`));
      if (named && !data.text.startsWith('error:')) named.element.classList.add('refused');
      setState('failed', data.text);
    } else if (data.type === 'done') {
      stopRun();
      showResults(data, chosenAt);
    }
  };
  // A worker that cannot even start (no memory for the module) ends up here.
  worker.onerror = (event) => {
    event.preventDefault();
    stopRun();
    setState('failed', `failed: ${event.message || 'the worker stopped'}`);
  };
  worker.postMessage(job);
}

// Each step's line gets its duration once the next one starts.
function timePreviousStep(at) {
  const previous = stepList.lastElementChild;
  if (!previous || previous.querySelector('.took')) return;
  const took = document.createElement('span');
  took.className = 'took';
  took.textContent = `${((at - previous.dataset.at) / 1000).toFixed(2)} s`;
  previous.append(took);
}

// Ends the run, if any, and gives back all its memory with its worker.
function stopRun() {
  if (worker) worker.terminate();
  worker = null;
  if (!spareWorker) spareWorker = new Worker(workerUrl);
  for (const resume of waitingForIdle.splice(0)) resume();
}

function draw(canvas, bitmap) {
  canvas.width = bitmap.width;
  canvas.height = bitmap.height;
  canvas.getContext('2d').drawImage(bitmap, 0, 0);
}

function percent(share) {
  return `${(100 * share).toFixed(share > 0 && share < 0.001 ? 3 : 1)} %`;
}

function showResults(data, chosenAt) {
  shown = data;
  for (const figure of results.querySelectorAll('figure')) {
    figure.hidden = !data.previews[figure.dataset.panel] && !(figure.dataset.panel === 'composite' && data.previews.subject);
  }
  for (const button of results.querySelectorAll('[data-save]')) {
    const name = button.dataset.save;
    button.hidden = name === 'subject' ? !data.written.fg : !data.written[name];
  }
  if (data.previews.alpha) draw(document.getElementById('alpha-view'), data.previews.alpha);
  if (data.previews.error) draw(document.getElementById('error-view'), data.previews.error);
  if (data.previews.subject) {
    draw(document.getElementById('subject-view'), data.previews.subject);
    drawComposite();
  }
  document.getElementById('shares').textContent = data.shares
    ? `: resolved exactly at ${percent(data.shares.exact)} of the pixels, coarsely at ` +
      `${percent(data.shares.coarse)}, not at all at ${percent(data.shares.unresolved)}` : '';
  results.hidden = false;
  requestAnimationFrame(() => {
    const ms = performance.now() - chosenAt;
    state.dataset.ms = ms.toFixed(0);
    setState('done', `${data.backdropOnly ? 'Backdrops checked' : 'Done'} in ${(ms / 1000).toFixed(1)} s.`);
  });
}

// The cutout over the chosen colour, or centred on the chosen picture, both at
// the scale the cutout is shown at.
function drawComposite() {
  if (!shown || !shown.previews.subject) return;
  const subject = shown.previews.subject;
  const canvas = document.getElementById('composite-view');
  const context = canvas.getContext('2d');
  if (!backdrop) {
    canvas.width = subject.width;
    canvas.height = subject.height;
    context.fillStyle = backdropColour.value;
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.drawImage(subject, 0, 0);
    return;
  }
  const scale = Math.min(subject.width / shown.width, COMPOSITE_SIDE / Math.max(backdrop.width, backdrop.height));
  canvas.width = Math.max(1, Math.round(backdrop.width * scale));
  canvas.height = Math.max(1, Math.round(backdrop.height * scale));
  context.drawImage(backdrop, 0, 0, canvas.width, canvas.height);
  const width = shown.width * scale;
  const height = shown.height * scale;
  context.drawImage(subject, (canvas.width - width) / 2, (canvas.height - height) / 2, width, height);
}

backdropColour.addEventListener('input', () => {
  if (backdrop) backdrop.close();
  backdrop = null;
  backdropClear.hidden = true;
  drawComposite();
});
backdropPicture.addEventListener('change', async () => {
  const file = backdropPicture.files[0];
  if (!file) return;
  try {
    const picture = await createImageBitmap(file);
    if (backdrop) backdrop.close();
    backdrop = picture;
    backdropClear.hidden = false;
    drawComposite();
  } catch (error) {
    setState(state.dataset.state, `${state.textContent} The picture "${file.name}" cannot be decoded.`);
  }
});
backdropClear.addEventListener('click', () => {
  backdropPicture.value = '';
  backdropColour.dispatchEvent(new Event('input'));
});

function save(name, blob) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

for (const button of results.querySelectorAll('[data-save]')) {
  button.addEventListener('click', async () => {
    const name = button.dataset.save;
    if (name !== 'subject') {
      save(`${name}.bmp`, new Blob([shown.written[name]], { type: 'image/bmp' }));
      return;
    }
    const run = shown;
    button.disabled = true;
    try {
      const { width, height } = bmpLayout(run.written.fg);
      save('subject.png', await encodePng(rgbaPixels(run.written.fg, run.alpha), width, height));
    } finally {
      button.disabled = false;
    }
  });
}
