// The five picture boxes: the file in each, its thumbnail and size, what the run
// notes of it, and whether the run refused it. Every choice is told to onChoice.
import { FERLANE } from '../shared/door.js';

export const THUMB_SIDE = 150;

// A box's name without "(optional)", as a sentence names it: "background 0".
export function boxWords(box) {
  return box.title.replace(/\s*\(.*\)/, '').toLowerCase();
}

export class Boxes {
  // whenIdle() resolves once no run is going; onChoice() starts one.
  constructor(document, { whenIdle, onChoice }) {
    this.whenIdle = whenIdle;
    this.onChoice = onChoice;
    this.placed = document.getElementById('placed');
    // By FERLANE.SLOT_*.
    this.all = [];
    for (const element of document.querySelectorAll('.slot')) {
      const box = {
        element,
        name: element.dataset.slot,
        title: element.querySelector('h2').textContent,
        file: null,
        dimensions: '',
        input: element.querySelector('input[type=file]'),
        thumb: element.querySelector('.thumb'),
        hint: element.querySelector('.hint'),
        size: element.querySelector('.size'),
        note: element.querySelector('.note'),
        clear: element.querySelector('.clear'),
      };
      this.all[FERLANE[`SLOT_${box.name.toUpperCase()}`]] = box;
      // The thumbnail shows what the input's name says.
      box.thumb.setAttribute('aria-hidden', 'true');
      box.note.id = `${box.name}-note`;
      box.input.setAttribute('aria-describedby', box.note.id);
      box.clear.setAttribute('aria-label', `Remove ${boxWords(box)}`);
      box.input.addEventListener('change', () => box.input.files[0] && this.choose(box, box.input.files[0]));
      box.clear.addEventListener('click', () => {
        this.choose(box, null);
        // The button is gone: the keyboard goes on from the box it emptied.
        box.input.focus();
      });
      this.describe(box);
    }
  }

  // The chosen files by slot, null for an empty box.
  files() {
    return this.all.map((box) => box.file);
  }

  // The box an element is in, if any.
  containing(element) {
    const slot = element.closest ? element.closest('.slot') : null;
    return this.all.find((box) => box.element === slot);
  }

  // Where the last drop put its files.
  tellPlaced(text) {
    this.placed.textContent = text;
  }

  choose(box, file) {
    this.tellPlaced('');
    this.place(box, file);
    this.onChoice();
  }

  // Puts a file in a box, or empties it, without starting a run.
  place(box, file) {
    box.file = file;
    box.previewed = null;
    box.dimensions = '';
    box.note.textContent = '';
    box.thumb.hidden = true;
    box.hint.hidden = false;
    box.size.textContent = file ? file.name : '';
    box.clear.hidden = !file;
    box.element.classList.remove('refused');
    if (!file) box.input.value = '';
    this.describe(box);
  }

  // The input's name: its box, its file and what is known of it.
  describe(box) {
    const known = box.file ? [box.file.name] : ['no file chosen', box.hint.textContent];
    if (box.file && box.dimensions) known.push(box.dimensions);
    if (box.element.classList.contains('refused')) known.push('refused');
    box.input.setAttribute('aria-label', `${box.title}: ${known.join(', ')}`);
  }

  showDimensions(box, file, width, height) {
    box.dimensions = `${width} × ${height}`;
    box.size.textContent = `${file.name}: ${box.dimensions}`;
    this.describe(box);
  }

  // The size the run read from the header of a slot's file, and whether the page
  // may decode the file for its thumbnail: only then is it decoded, once.
  showSize(slot, columns, rows, previewable) {
    const box = this.all[slot];
    if (!box || !box.file) return;
    this.showDimensions(box, box.file, columns, rows);
    if (previewable && box.previewed !== box.file) {
      box.previewed = box.file;
      this.showThumbnail(box, box.file);
    }
  }

  note(slot, text) {
    this.all[slot].note.textContent = text;
  }

  // Marks the box of the slot a run refused, if the failure is one picture's.
  refuse(slot) {
    const box = this.all[slot];
    if (!box) return;
    box.element.classList.add('refused');
    this.describe(box);
  }

  // The small picture a run made of the file it read for a slot: the file need not
  // be decoded for it.
  showRead(slot, file, rgba, width, height) {
    const box = this.all[slot];
    if (!box || box.file !== file) return;
    box.read = file;
    box.thumb.width = width;
    box.thumb.height = height;
    box.thumb.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(rgba), width, height), 0, 0);
    box.thumb.hidden = false;
    box.hint.hidden = true;
  }

  // Decoding a large picture for its thumbnail would compete with a run for memory
  // and processor time: it waits for the run to end, and a file the run refused, or
  // read and showed, is not decoded at all.
  async showThumbnail(box, file) {
    await this.whenIdle();
    if (box.read === file) return;
    if (box.file !== file || box.element.classList.contains('refused')) {
      if (box.previewed === file) box.previewed = null;
      return;
    }
    const context = box.thumb.getContext('2d');
    try {
      const bitmap = await createImageBitmap(file, { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
      if (box.file !== file || box.read === file) return bitmap.close();
      const scale = Math.min(1, THUMB_SIDE / Math.max(bitmap.width, bitmap.height));
      box.thumb.width = Math.max(1, Math.round(bitmap.width * scale));
      box.thumb.height = Math.max(1, Math.round(bitmap.height * scale));
      context.drawImage(bitmap, 0, 0, box.thumb.width, box.thumb.height);
      bitmap.close();
      box.thumb.hidden = false;
      box.hint.hidden = true;
    } catch (error) {
      if (box.file !== file) return;
      if (!box.dimensions) box.size.textContent = `${file.name}: no preview`;
    }
  }
}
