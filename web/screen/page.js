'use strict';
// The page: five picture boxes, the run's steps as the worker reports them, and the
// results with their save buttons. The run itself is the worker's, and its rules
// the matting module's; this page reads the chosen files for the worker, since
// some browsers let a worker of a page opened from a file read none itself.
// FERLANE holds the module's numbers (web/door/ferlane_door.h).

const THUMB_SIDE = 150;
const COMPOSITE_SIDE = 1600;

// The worker's script is inside the page, so that a page opened from a file, which
// may load no script file, can start it too.
const workerUrl = URL.createObjectURL(new Blob(
  [document.getElementById('worker-source').textContent], { type: 'text/javascript' }));

const slots = [];
for (const element of document.querySelectorAll('.slot')) slots[FERLANE[`SLOT_${element.dataset.slot.toUpperCase()}`]] = {
  element,
  file: null,
  input: element.querySelector('input[type=file]'),
  thumb: element.querySelector('.thumb'),
  hint: element.querySelector('.hint'),
  size: element.querySelector('.size'),
  note: element.querySelector('.note'),
  clear: element.querySelector('.clear'),
};
// The save buttons by the file each saves.
const SAVED_FILES = { alpha: FERLANE.FILE_ALPHA, error: FERLANE.FILE_ERROR, fg: FERLANE.FILE_FOREGROUND };
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

// Every choice starts a run over the chosen files; the module says whether they
// make one. A run already going is abandoned for the newer choice.
function startRun(chosenAt) {
  const files = slots.map((slot) => slot.file);
  if (lastJob && files.every((file, i) => file === lastJob[i])) return;
  stopRun();
  lastJob = files;
  stepList.replaceChildren();
  results.hidden = true;
  setState('running', 'Working…');
  worker = spareWorker || new Worker(workerUrl);
  spareWorker = null;
  const running = worker;
  worker.onmessage = ({ data }) => {
    if (data.at !== undefined) timePreviousStep(data.at);
    if (data.type === 'ask') {
      answer(running, files[data.slot], data);
    } else if (data.type === 'step') {
      const item = document.createElement('li');
      item.textContent = data.text;
      item.dataset.at = data.at;
      stepList.append(item);
    } else if (data.type === 'note') {
      slots[data.slot].note.textContent = data.text;
    } else if (data.type === 'waiting') {
      // Nothing was computed: the worker, its memory untouched, serves the next run.
      if (!spareWorker) spareWorker = worker;
      worker = null;
      stopRun();
      setState('idle', data.text);
    } else if (data.type === 'failed') {
      stopRun();
      if (slots[data.slot]) slots[data.slot].element.classList.add('refused');
      setState('failed', data.text);
    } else if (data.type === 'done') {
      stopRun();
      showResults(data, files, chosenAt);
    }
  };
  // A worker that cannot even start (no memory for the module) ends up here.
  worker.onerror = (event) => {
    event.preventDefault();
    stopRun();
    setState('failed', `failed: ${event.message || 'the worker stopped'}`);
  };
  worker.postMessage({ chosen: files.map((file) => file && { name: file.name, size: file.size }) });
}

// What the worker asks of a chosen file: a piece of its bytes, or the picture as
// this browser decodes it, moved to the worker rather than copied.
async function answer(to, file, { id, what, start, end }) {
  if (what === 'bytes') {
    try {
      const buffer = await file.slice(start, end).arrayBuffer();
      to.postMessage({ type: 'answer', id, buffer }, [buffer]);
    } catch (error) {
      to.postMessage({ type: 'answer', id });
    }
    return;
  }
  try {
    // As stored: no colour profile applied, colours not multiplied by their
    // opacity; the camera's rotation applied, as when the photograph is shown.
    const bitmap = await createImageBitmap(file, { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    to.postMessage({ type: 'answer', id, bitmap }, [bitmap]);
  } catch (error) {
    const readable = await file.slice(0, 1).arrayBuffer().then(() => true, () => false);
    to.postMessage({ type: 'answer', id, unread: readable ? FERLANE.UNREAD_CANNOT_DECODE : FERLANE.UNREAD_CANNOT_READ });
  }
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

async function showResults(data, files, chosenAt) {
  const previews = {};
  for (const [which, { rgba, width, height }] of Object.entries(data.previews)) {
    previews[which] = await createImageBitmap(new ImageData(new Uint8ClampedArray(rgba), width, height));
  }
  if (lastJob !== files) return;
  const alpha = data.files[FERLANE.FILE_ALPHA];
  const foreground = data.files[FERLANE.FILE_FOREGROUND];
  shown = { files: data.files, subject: previews[FERLANE.FILE_FOREGROUND] };
  if (foreground) Object.assign(shown, bmpLayout(foreground.bytes), { alpha: alpha.bytes });
  const panels = { alpha: FERLANE.FILE_ALPHA, error: FERLANE.FILE_ERROR, subject: FERLANE.FILE_FOREGROUND,
    composite: FERLANE.FILE_FOREGROUND };
  for (const figure of results.querySelectorAll('figure')) figure.hidden = !previews[panels[figure.dataset.panel]];
  for (const button of results.querySelectorAll('[data-save]')) {
    const name = button.dataset.save;
    const file = data.files[name === 'subject' ? FERLANE.FILE_FOREGROUND : SAVED_FILES[name]];
    button.hidden = !file || !file.offered;
  }
  if (previews[FERLANE.FILE_ALPHA]) draw(document.getElementById('alpha-view'), previews[FERLANE.FILE_ALPHA]);
  if (previews[FERLANE.FILE_ERROR]) draw(document.getElementById('error-view'), previews[FERLANE.FILE_ERROR]);
  if (shown.subject) {
    draw(document.getElementById('subject-view'), shown.subject);
    drawComposite();
  }
  document.getElementById('shares').textContent = data.shares
    ? `: resolved exactly at ${percent(data.shares.exact)} of the pixels, coarsely at ` +
      `${percent(data.shares.coarse)}, not at all at ${percent(data.shares.unresolved)}` : '';
  results.hidden = false;
  requestAnimationFrame(() => {
    const ms = performance.now() - chosenAt;
    state.dataset.ms = ms.toFixed(0);
    setState('done', `${foreground ? 'Done' : 'Backdrops checked'} in ${(ms / 1000).toFixed(1)} s.`);
  });
}

// The cutout over the chosen colour, or centred on the chosen picture, both at
// the scale the cutout is shown at.
function drawComposite() {
  if (!shown || !shown.subject) return;
  const subject = shown.subject;
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
      const file = shown.files[SAVED_FILES[name]];
      save(file.name, new Blob([file.bytes], { type: 'image/bmp' }));
      return;
    }
    const run = shown;
    button.disabled = true;
    try {
      const foreground = run.files[FERLANE.FILE_FOREGROUND].bytes;
      save('subject.png', await encodePng(rgbaPixels(foreground, run.alpha), run.width, run.height));
    } finally {
      button.disabled = false;
    }
  });
}

// What the module says of an empty choice.
startRun(performance.now());
