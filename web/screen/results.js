// A run's results: the matte, the error map with its shares and the verdict on the
// backdrops, the cutout alone and over a backdrop, and the buttons that save them.
import { FERLANE } from '../shared/door.js';
import { SAVER } from '../shared/messages.js';
import { CompositeView } from './composite_view.js';
import { percent, verdict } from './verdict.js';

// The save buttons that save a file of the run as it is, by that file.
const SAVED_FILES = { alpha: FERLANE.FILE_ALPHA, error: FERLANE.FILE_ERROR, fg: FERLANE.FILE_FOREGROUND };
// The figures by the file each shows.
const PANELS = { alpha: FERLANE.FILE_ALPHA, error: FERLANE.FILE_ERROR, subject: FERLANE.FILE_FOREGROUND,
  composite: FERLANE.FILE_FOREGROUND };

// Hands a file to the browser to save, as a link to it would.
export function download(document, name, blob) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

function draw(canvas, bitmap) {
  canvas.width = bitmap.width;
  canvas.height = bitmap.height;
  canvas.getContext('2d').drawImage(bitmap, 0, 0);
}

export class Results {
  constructor(document, progress, saver) {
    this.document = document;
    this.progress = progress;
    this.saver = saver;
    this.section = document.getElementById('results');
    this.verdictLine = document.getElementById('verdict');
    this.composite = new CompositeView(document, progress);
    // The files of the run shown (name, offered, bytes, layout by FERLANE.FILE_*).
    this.files = null;
    for (const button of this.section.querySelectorAll('[data-save]')) {
      button.addEventListener('click', () => this.save(button));
    }
  }

  hide() {
    this.section.hidden = true;
    this.verdictLine.textContent = '';
  }

  // A run's end: data as the worker sent it; current() tells whether the run is
  // still the newest once the pictures are ready.
  async show(data, chosenAt, current) {
    const previews = {};
    for (const [which, { rgba, width, height }] of Object.entries(data.previews)) {
      previews[which] = await createImageBitmap(new ImageData(new Uint8ClampedArray(rgba), width, height));
    }
    if (!current()) return;
    this.files = data.files;
    const foreground = data.files[FERLANE.FILE_FOREGROUND];
    for (const figure of this.section.querySelectorAll('figure')) figure.hidden = !previews[PANELS[figure.dataset.panel]];
    for (const button of this.section.querySelectorAll('[data-save]')) {
      const file = data.files[SAVED_FILES[button.dataset.save] ?? FERLANE.FILE_FOREGROUND];
      button.hidden = !file || !file.offered;
    }
    const size = (which) => `${data.files[which].layout.columns} × ${data.files[which].layout.rows}`;
    const view = (id) => this.document.getElementById(id);
    if (previews[FERLANE.FILE_ALPHA]) {
      draw(view('alpha-view'), previews[FERLANE.FILE_ALPHA]);
      view('alpha-view').setAttribute('aria-label', `Alpha matte, ${size(FERLANE.FILE_ALPHA)}`);
    }
    if (previews[FERLANE.FILE_ERROR]) {
      draw(view('error-view'), previews[FERLANE.FILE_ERROR]);
      const { exact, coarse, unresolved } = data.shares;
      view('error-view').setAttribute('aria-label', `Error map, ${size(FERLANE.FILE_ERROR)}: black (exact) at ` +
        `${percent(exact)}, grey (coarse) at ${percent(coarse)}, white (not computed) at ${percent(unresolved)} ` +
        'of the picture');
    }
    const cutout = previews[FERLANE.FILE_FOREGROUND];
    if (cutout) {
      draw(view('subject-view'), cutout);
      view('subject-view').setAttribute('aria-label', `Cutout, ${size(FERLANE.FILE_FOREGROUND)}, over a chequerboard`);
    }
    this.composite.show(cutout || null, foreground && foreground.layout.columns, foreground && foreground.layout.rows);
    for (const share of this.section.querySelectorAll('#shares [data-share]')) {
      share.textContent = data.shares ? percent(data.shares[share.dataset.share]) : '';
    }
    this.section.classList.toggle('backdrop-check', !foreground);
    this.section.hidden = false;
    requestAnimationFrame(() => this.tellDone(data.shares, !foreground, chosenAt));
  }

  tellDone(shares, backdropOnly, chosenAt) {
    const ms = performance.now() - chosenAt;
    this.progress.setTook(ms);
    this.progress.setState('done', `${backdropOnly ? 'Backdrops checked' : 'Done'} in ${(ms / 1000).toFixed(1)} s.`);
    if (shares) {
      const [kind, text] = verdict(shares, backdropOnly);
      this.verdictLine.dataset.verdict = kind;
      this.verdictLine.textContent = text;
    }
    this.progress.bringIntoView();
  }

  async save(button) {
    const name = button.dataset.save;
    const files = this.files;
    if (Object.hasOwn(SAVED_FILES, name)) {
      const file = files[SAVED_FILES[name]];
      download(this.document, file.name, new Blob([file.bytes], { type: 'image/bmp' }));
      return;
    }
    // The PNG files are encoded by the saver, off the page's thread.
    const part = ({ bytes, layout }) => ({ bytes, layout });
    const request = { foreground: part(files[FERLANE.FILE_FOREGROUND]), alpha: part(files[FERLANE.FILE_ALPHA]) };
    button.disabled = true;
    try {
      let png;
      if (name === 'subject') {
        png = await this.saver.png({ type: SAVER.SUBJECT, ...request });
      } else {
        const backdrop = await this.composite.forSaving();
        png = await this.saver.png({ type: SAVER.COMPOSITE, ...request, backdrop }, backdrop.picture ? [backdrop.picture] : []);
      }
      download(this.document, `${name}.png`, new Blob([png], { type: 'image/png' }));
    } catch (error) {
      this.progress.addToState(`${name}.png cannot be made: ${error.message}`);
    } finally {
      button.disabled = false;
      // A disabled button loses the keyboard's focus in some browsers.
      if (this.document.activeElement === this.document.body) button.focus();
    }
  }
}
