// The words in a file's name that say which box, or which of a set's photographs,
// it is: the console tool's default names. Files dropped together on the boxes and
// the sets and frames of a batch follow the same rule.
import { FERLANE } from './door.js';

export const NAMED_BOXES = {
  bg0: FERLANE.SLOT_BACKGROUND0, background0: FERLANE.SLOT_BACKGROUND0, image0: FERLANE.SLOT_IMAGE0,
  bg1: FERLANE.SLOT_BACKGROUND1, background1: FERLANE.SLOT_BACKGROUND1, image1: FERLANE.SLOT_IMAGE1,
  alpha: FERLANE.SLOT_ALPHA,
};

function words(name) {
  return name.toLowerCase().replace(/\.[^.]*$/, '').split(/[^a-z0-9]+/);
}

// The slot a file's name gives, or undefined: one of the words bg0, image0, bg1,
// image1 or alpha (or a box's own name) in it, in any case, and no other.
export function namedSlot(name) {
  const slots = new Set(words(name).filter((word) => Object.hasOwn(NAMED_BOXES, word)).map((word) => NAMED_BOXES[word]));
  return slots.size === 1 ? [...slots][0] : undefined;
}

// A frame's name: the file's name without its extension and without the word that
// says its slot, as "angle07" of "angle07_image0.jpg"; empty for "image0.jpg".
export function frameStem(name) {
  const base = name.replace(/\.[^.]*$/, '');
  const parts = base.split(/([^A-Za-z0-9]+)/);
  const kept = parts.filter((part, i) => i % 2 === 1 || !Object.hasOwn(NAMED_BOXES, part.toLowerCase()));
  return kept.join('').replace(/^[^A-Za-z0-9]+|[^A-Za-z0-9]+$/g, '').replace(/([^A-Za-z0-9])[^A-Za-z0-9]+/g, '$1');
}
