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
for (const element of document.querySelectorAll('.slot')) {
  const slot = {
    element,
    name: element.dataset.slot,
    title: element.querySelector('h2').textContent,
    file: null,
    dimensions: '',
    input: element.querySelector('input[type=file]'),
    drop: element.querySelector('.drop'),
    thumb: element.querySelector('.thumb'),
    hint: element.querySelector('.hint'),
    size: element.querySelector('.size'),
    note: element.querySelector('.note'),
    clear: element.querySelector('.clear'),
  };
  slots[FERLANE[`SLOT_${slot.name.toUpperCase()}`]] = slot;
  // The thumbnail shows what the input's name says.
  slot.thumb.setAttribute('aria-hidden', 'true');
  slot.note.id = `${slot.name}-note`;
  slot.input.setAttribute('aria-describedby', slot.note.id);
  slot.clear.setAttribute('aria-label', `Remove ${slot.title.replace(/\s*\(.*\)/, '').toLowerCase()}`);
}
// The photographs' boxes, which files dropped without a name of theirs fill.
const PHOTOGRAPHS = [FERLANE.SLOT_BACKGROUND0, FERLANE.SLOT_IMAGE0, FERLANE.SLOT_BACKGROUND1, FERLANE.SLOT_IMAGE1];
// The words in a file's name that say its box, as the console tool's default names have them.
const NAMED_BOXES = { bg0: FERLANE.SLOT_BACKGROUND0, background0: FERLANE.SLOT_BACKGROUND0,
  image0: FERLANE.SLOT_IMAGE0, bg1: FERLANE.SLOT_BACKGROUND1, background1: FERLANE.SLOT_BACKGROUND1,
  image1: FERLANE.SLOT_IMAGE1, alpha: FERLANE.SLOT_ALPHA };
// The save buttons by the file each saves.
const SAVED_FILES = { alpha: FERLANE.FILE_ALPHA, error: FERLANE.FILE_ERROR, fg: FERLANE.FILE_FOREGROUND };
// The parts of the picture, as a photographer names them.
const PART_WORDS = {
  [FERLANE.PART_TOP_LEFT]: 'the top left', [FERLANE.PART_TOP]: 'the top', [FERLANE.PART_TOP_RIGHT]: 'the top right',
  [FERLANE.PART_LEFT]: 'the left', [FERLANE.PART_CENTRE]: 'the centre', [FERLANE.PART_RIGHT]: 'the right',
  [FERLANE.PART_BOTTOM_LEFT]: 'the bottom left', [FERLANE.PART_BOTTOM]: 'the bottom',
  [FERLANE.PART_BOTTOM_RIGHT]: 'the bottom right',
};
// Above these shares of the picture the backdrops are not good enough.
const UNRESOLVED_TOLERATED = 0.0005;
const COARSE_TOLERATED = 0.05;

const stepList = document.getElementById('steps');
const state = document.getElementById('state');
const placed = document.getElementById('placed');
const results = document.getElementById('results');
const verdictLine = document.getElementById('verdict');
const backdropChoices = document.querySelectorAll('input[name=backdrop]');
const backdropOther = document.getElementById('backdrop-other');
const backdropColour = document.getElementById('backdrop-colour');
const backdropPicture = document.getElementById('backdrop-picture');

let worker = null;
// A worker started ahead of the run it will serve, its module ready by then.
let spareWorker = new Worker(workerUrl);
let lastJob = null;
let shown = null;
// The composite's backdrop: a colour, or a picture and its file's name.
let backdrop = null;
let backdropName = '';

function setState(name, text) {
  state.dataset.state = name;
  state.textContent = text;
}

// The input's name: its box, its file and what is known of it.
function describe(slot) {
  const known = slot.file ? [slot.file.name] : ['no file chosen', slot.hint.textContent];
  if (slot.file && slot.dimensions) known.push(slot.dimensions);
  if (slot.element.classList.contains('refused')) known.push('refused');
  slot.input.setAttribute('aria-label', `${slot.title}: ${known.join(', ')}`);
}

// Resolves once no run is going: decoding a large picture for its thumbnail
// would compete with the run for memory and processor time.
const waitingForIdle = [];
async function whenIdle() {
  // A run that the same choice starts (several files dropped at once) goes first.
  await new Promise((resolve) => setTimeout(resolve));
  while (worker) await new Promise((resolve) => waitingForIdle.push(resolve));
}

function showDimensions(slot, file, width, height) {
  slot.dimensions = `${width} × ${height}`;
  slot.size.textContent = `${file.name}: ${slot.dimensions}`;
  describe(slot);
}

async function showSize(slot, file) {
  try {
    const head = new DataView(await file.slice(0, 26).arrayBuffer());
    if (slot.file !== file || head.byteLength < 26 || head.getUint16(0) !== 0x424d) return;
    showDimensions(slot, file, head.getInt32(18, true), Math.abs(head.getInt32(22, true)));
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
    showDimensions(slot, file, bitmap.width, bitmap.height);
    bitmap.close();
    slot.thumb.hidden = false;
    slot.hint.hidden = true;
  } catch (error) {
    if (slot.file !== file) return;
    if (!slot.dimensions) slot.size.textContent = `${file.name}: no preview`;
  }
}

// Puts a file in a box, or empties it, without starting a run.
function place(slot, file) {
  slot.file = file;
  slot.dimensions = '';
  slot.note.textContent = '';
  slot.thumb.hidden = true;
  slot.hint.hidden = false;
  slot.size.textContent = file ? file.name : '';
  slot.clear.hidden = !file;
  slot.element.classList.remove('refused');
  if (!file) slot.input.value = '';
  describe(slot);
  if (file) showThumbnail(slot, file);
}

function choose(slot, file) {
  placed.textContent = '';
  place(slot, file);
  startRun(performance.now());
}

for (const slot of slots) {
  slot.input.addEventListener('change', () => slot.input.files[0] && choose(slot, slot.input.files[0]));
  slot.clear.addEventListener('click', () => {
    choose(slot, null);
    // The button is gone: the keyboard goes on from the box it emptied.
    slot.input.focus();
  });
}

// The box a file's name gives, or undefined: one of the words bg0, image0, bg1,
// image1 or alpha (or a box's own name) in it, in any case, and no other.
function namedBox(file) {
  const words = file.name.toLowerCase().replace(/\.[^.]*$/, '').split(/[^a-z0-9]+/);
  const boxes = new Set(words.filter((word) => word in NAMED_BOXES).map((word) => NAMED_BOXES[word]));
  return boxes.size === 1 ? [...boxes][0] : undefined;
}

function boxWords(slot) {
  return slot.title.replace(/\s*\(.*\)/, '').toLowerCase();
}

// Files dropped together: one dropped on a box goes there; several, or one dropped
// beside the boxes, go to the boxes their names give, and the rest fill the empty
// photograph boxes in the order of their names. The page says what went where.
function dropped(files, onBox) {
  if (!files.length) return;
  const going = new Map();
  const rest = [];
  if (files.length === 1 && onBox) {
    going.set(onBox, files[0]);
  } else {
    for (const file of files) {
      const box = slots[namedBox(file)];
      if (box && !going.has(box)) going.set(box, file);
      else rest.push(file);
    }
    rest.sort((a, b) => a.name.localeCompare(b.name, undefined, { numeric: true }));
    for (const index of PHOTOGRAPHS) {
      const slot = slots[index];
      if (!rest.length) break;
      if (!slot.file && !going.has(slot)) going.set(slot, rest.shift());
    }
  }
  for (const [slot, file] of going) place(slot, file);
  const told = slots.filter((slot) => going.has(slot))
    .map((slot) => `"${going.get(slot).name}" in ${boxWords(slot)}`);
  let text = `${files.length === 1 ? 'Dropped' : `Dropped ${files.length} files`}: ${told.join(', ')}.`;
  if (!told.length) text = '';
  if (rest.length) {
    text += ` Not placed, every photograph box being taken: ${rest.map((file) => `"${file.name}"`).join(', ')}.` +
      ' Remove a picture first, or drop a file on the box it should replace.';
  }
  placed.textContent = text.trim();
  if (going.size) startRun(performance.now());
}

// A file dragged anywhere on the page is taken, never opened by the browser in
// place of the page.
let dragTarget = null;
function markDrag(drop) {
  if (dragTarget !== drop) {
    if (dragTarget) dragTarget.classList.remove('over');
    if (drop) drop.classList.add('over');
    dragTarget = drop;
  }
  document.body.classList.toggle('dragging', drop !== undefined);
}
window.addEventListener('dragover', (event) => {
  event.preventDefault();
  if (event.dataTransfer) event.dataTransfer.dropEffect = 'copy';
  markDrag(event.target.closest ? event.target.closest('.drop') : null);
});
window.addEventListener('dragleave', (event) => {
  if (!event.relatedTarget) markDrag(undefined);
});
window.addEventListener('drop', (event) => {
  event.preventDefault();
  markDrag(undefined);
  const box = event.target.closest ? event.target.closest('.slot') : null;
  const files = [...((event.dataTransfer && event.dataTransfer.files) || [])];
  dropped(files, slots.find((slot) => slot.element === box));
});

// Every choice starts a run over the chosen files; the module says whether they
// make one. A run already going is abandoned for the newer choice: a worker that
// has not yet asked for any file takes the newer choice itself (choices made in
// quick succession then find its module ready); one that has is stopped, and with
// it all the memory its run took.
let jobs = 0;
function startRun(chosenAt) {
  const files = slots.map((slot) => slot.file);
  if (lastJob && files.every((file, i) => file === lastJob[i])) return;
  if (!worker || worker.asked) {
    stopRun();
    worker = spareWorker || new Worker(workerUrl);
    spareWorker = null;
  }
  lastJob = files;
  const job = ++jobs;
  stepList.replaceChildren();
  results.hidden = true;
  verdictLine.textContent = '';
  setState('running', 'Working…');
  const running = worker;
  running.asked = false;
  running.onmessage = ({ data }) => {
    // A run given up for this one: its question gets an empty answer, and it ends.
    if (data.job !== job) {
      if (data.type === 'ask') running.postMessage({ type: 'answer', id: data.id });
      return;
    }
    if (data.at !== undefined) timePreviousStep(data.at);
    if (data.type === 'ask') {
      running.asked = true;
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
      if (spareWorker) running.terminate();
      else spareWorker = running;
      worker = null;
      stopRun();
      setState('idle', data.text);
    } else if (data.type === 'failed') {
      stopRun();
      if (slots[data.slot]) {
        slots[data.slot].element.classList.add('refused');
        describe(slots[data.slot]);
      }
      setState('failed', data.text);
      bringIntoView();
    } else if (data.type === 'done') {
      stopRun();
      showResults(data, files, chosenAt);
    }
  };
  // A worker that cannot even start (no memory for the module) ends up here.
  running.onerror = (event) => {
    event.preventDefault();
    stopRun();
    setState('failed', `failed: ${event.message || 'the worker stopped'}`);
    bringIntoView();
  };
  running.postMessage({ job, chosen: files.map((file) => file && { name: file.name, size: file.size }) });
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

// A run's end, where the boxes fill a small screen: the status and the results
// come into view.
function bringIntoView() {
  const { top, bottom } = state.getBoundingClientRect();
  const resultsTop = results.hidden ? 0 : results.getBoundingClientRect().top;
  if (top < 0 || bottom > window.innerHeight || resultsTop > (2 / 3) * window.innerHeight) {
    state.scrollIntoView({ block: 'start' });
  }
}

function draw(canvas, bitmap) {
  canvas.width = bitmap.width;
  canvas.height = bitmap.height;
  canvas.getContext('2d').drawImage(bitmap, 0, 0);
}

function percent(share) {
  return `${(100 * share).toFixed(share > 0 && share < 0.001 ? 3 : 1)} %`;
}

function listed(words) {
  return words.length > 1 ? `${words.slice(0, -1).join(', ')} and ${words[words.length - 1]}` : words[0];
}

// Where in the picture most of a share lies, in words: "along the bottom", "in
// the top left and the centre".
const PART_LINES = [
  [[FERLANE.PART_TOP_LEFT, FERLANE.PART_TOP, FERLANE.PART_TOP_RIGHT], 'along the top'],
  [[FERLANE.PART_LEFT, FERLANE.PART_CENTRE, FERLANE.PART_RIGHT], 'across the middle'],
  [[FERLANE.PART_BOTTOM_LEFT, FERLANE.PART_BOTTOM, FERLANE.PART_BOTTOM_RIGHT], 'along the bottom'],
  [[FERLANE.PART_TOP_LEFT, FERLANE.PART_LEFT, FERLANE.PART_BOTTOM_LEFT], 'down the left side'],
  [[FERLANE.PART_TOP, FERLANE.PART_CENTRE, FERLANE.PART_BOTTOM], 'down the middle'],
  [[FERLANE.PART_TOP_RIGHT, FERLANE.PART_RIGHT, FERLANE.PART_BOTTOM_RIGHT], 'down the right side'],
];
function where(shares, which) {
  const most = Math.max(...shares.parts.map((part) => part[which]));
  const named = new Set(shares.parts.map((part, index) => (part[which] >= most / 3 ? index : -1))
    .filter((index) => index >= 0));
  if (named.size >= 6) return 'across most of the picture';
  const words = [];
  for (const [parts, line] of PART_LINES) {
    if (parts.every((part) => named.has(part))) {
      words.push(line);
      for (const part of parts) named.delete(part);
    }
  }
  words.push(...[...named].sort((a, b) => a - b).map((part) => `in ${PART_WORDS[part]}`));
  return listed(words);
}

// What the error map says of the backdrops, and what to do about it.
function verdict(shares, backdropOnly) {
  const again = backdropOnly ? 'check again' : 'take the four photographs again';
  if (shares.unresolved >= UNRESOLVED_TOLERATED) {
    return ['unresolved', `The backdrops come too close ${where(shares, 'unresolved')}: there (white in the ` +
      `map, ${percent(shares.unresolved)} of the picture) the two backgrounds look the same, and the cutout ` +
      `cannot be computed. Change the colour of one backdrop there, with another cloth, paper or light, and ${again}.`];
  }
  if (shares.coarse >= COARSE_TOLERATED) {
    return ['coarse', `Usable, but the backdrops are close ${where(shares, 'coarse')} (grey in the map, ` +
      `${percent(shares.coarse)} of the picture): fine edges and veils there come out in steps. More ` +
      `difference in colour between the two backdrops there helps.`];
  }
  return ['good', `Good backdrops: alpha can be computed everywhere, exactly at ${percent(shares.exact)} of ` +
    'the picture.'];
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
    const file = data.files[SAVED_FILES[name] ?? FERLANE.FILE_FOREGROUND];
    button.hidden = !file || !file.offered;
  }
  const size = (which) => `${bmpLayout(data.files[which].bytes).width} × ${bmpLayout(data.files[which].bytes).height}`;
  if (previews[FERLANE.FILE_ALPHA]) {
    const view = document.getElementById('alpha-view');
    draw(view, previews[FERLANE.FILE_ALPHA]);
    view.setAttribute('aria-label', `Alpha matte, ${size(FERLANE.FILE_ALPHA)}`);
  }
  if (previews[FERLANE.FILE_ERROR]) {
    const view = document.getElementById('error-view');
    draw(view, previews[FERLANE.FILE_ERROR]);
    const { exact, coarse, unresolved } = data.shares;
    view.setAttribute('aria-label', `Error map, ${size(FERLANE.FILE_ERROR)}: black (exact) at ${percent(exact)}, ` +
      `grey (coarse) at ${percent(coarse)}, white (not computed) at ${percent(unresolved)} of the picture`);
  }
  if (shown.subject) {
    const view = document.getElementById('subject-view');
    draw(view, shown.subject);
    view.setAttribute('aria-label', `Cutout, ${size(FERLANE.FILE_FOREGROUND)}, over a chequerboard`);
    drawComposite();
  }
  for (const share of document.querySelectorAll('#shares [data-share]')) {
    share.textContent = data.shares ? percent(data.shares[share.dataset.share]) : '';
  }
  results.classList.toggle('backdrop-check', !foreground);
  results.hidden = false;
  requestAnimationFrame(() => {
    const ms = performance.now() - chosenAt;
    state.dataset.ms = ms.toFixed(0);
    setState('done', `${foreground ? 'Done' : 'Backdrops checked'} in ${(ms / 1000).toFixed(1)} s.`);
    if (data.shares) {
      const [kind, text] = verdict(data.shares, !foreground);
      verdictLine.dataset.verdict = kind;
      verdictLine.textContent = text;
    }
    bringIntoView();
  });
}

function backdropWords() {
  return backdrop ? `the picture "${backdropName}"` : `the colour ${backdropColourValue()}`;
}

function backdropColourValue() {
  const checked = [...backdropChoices].find((choice) => choice.checked);
  return !checked || checked === backdropOther ? backdropColour.value : checked.value;
}

// The cutout over the chosen colour, or centred on the chosen picture, both at
// the scale the cutout is shown at.
function drawComposite() {
  if (!shown || !shown.subject) return;
  const subject = shown.subject;
  const canvas = document.getElementById('composite-view');
  const context = canvas.getContext('2d');
  canvas.setAttribute('aria-label', `Cutout over ${backdropWords()}`);
  if (!backdrop) {
    canvas.width = subject.width;
    canvas.height = subject.height;
    context.fillStyle = backdropColourValue();
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

// The composite at the cutout's full size, as an opaque PNG: over the colour the
// size of the cutout, over a picture the picture's size with the cutout centred,
// one picture pixel to one cutout pixel, as shown.
async function compositePng(run) {
  const { width, height } = run;
  const ground = backdrop ? { width: backdrop.width, height: backdrop.height } : { width, height };
  const canvas = new OffscreenCanvas(ground.width, ground.height);
  const context = canvas.getContext('2d', { willReadFrequently: true });
  if (backdrop) {
    context.drawImage(backdrop, 0, 0);
  } else {
    context.fillStyle = backdropColourValue();
    context.fillRect(0, 0, ground.width, ground.height);
  }
  const out = context.getImageData(0, 0, ground.width, ground.height).data;
  canvas.width = canvas.height = 1;
  const subject = rgbaPixels(run.files[FERLANE.FILE_FOREGROUND].bytes, run.alpha);
  const left = Math.round((ground.width - width) / 2);
  const top = Math.round((ground.height - height) / 2);
  for (let row = Math.max(0, -top); row < Math.min(height, ground.height - top); ++row) {
    for (let column = Math.max(0, -left); column < Math.min(width, ground.width - left); ++column) {
      const k = 4 * (row * width + column);
      const j = 4 * ((row + top) * ground.width + column + left);
      const a = subject[k + 3];
      for (let c = 0; c < 3; ++c) out[j + c] = Math.round((subject[k + c] * a + out[j + c] * (255 - a)) / 255);
    }
  }
  return encodePng(out, ground.width, ground.height, { opaque: true });
}

function chooseColour() {
  if (backdrop) backdrop.close();
  backdrop = null;
  backdropPicture.value = '';
  drawComposite();
}
for (const choice of backdropChoices) choice.addEventListener('change', chooseColour);
backdropColour.addEventListener('input', () => {
  backdropOther.checked = true;
  chooseColour();
});
backdropPicture.addEventListener('change', async () => {
  const file = backdropPicture.files[0];
  if (!file) return;
  try {
    const picture = await createImageBitmap(file);
    if (backdrop) backdrop.close();
    backdrop = picture;
    backdropName = file.name;
    for (const choice of backdropChoices) choice.checked = false;
    drawComposite();
  } catch (error) {
    setState(state.dataset.state, `${state.textContent} The picture "${file.name}" cannot be decoded.`);
  }
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
    if (SAVED_FILES[name] !== undefined) {
      const file = shown.files[SAVED_FILES[name]];
      save(file.name, new Blob([file.bytes], { type: 'image/bmp' }));
      return;
    }
    const run = shown;
    button.disabled = true;
    try {
      const foreground = run.files[FERLANE.FILE_FOREGROUND].bytes;
      if (name === 'subject') save('subject.png', await encodePng(rgbaPixels(foreground, run.alpha), run.width, run.height));
      else save('composite.png', await compositePng(run));
    } finally {
      button.disabled = false;
      // A disabled button loses the keyboard's focus in some browsers.
      if (document.activeElement === document.body) button.focus();
    }
  });
}

for (const slot of slots) describe(slot);
// What the module says of an empty choice.
startRun(performance.now());
