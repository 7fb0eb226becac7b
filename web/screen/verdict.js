// What the error map's shares say of the backdrops, and what to do about it, in a
// photographer's words.
import { FERLANE } from '../shared/door.js';

// Above these shares of the picture the backdrops are not good enough.
const UNRESOLVED_TOLERATED = 0.0005;
const COARSE_TOLERATED = 0.05;

// The parts of the picture, as a photographer names them.
const PART_WORDS = {
  [FERLANE.PART_TOP_LEFT]: 'the top left', [FERLANE.PART_TOP]: 'the top', [FERLANE.PART_TOP_RIGHT]: 'the top right',
  [FERLANE.PART_LEFT]: 'the left', [FERLANE.PART_CENTRE]: 'the centre', [FERLANE.PART_RIGHT]: 'the right',
  [FERLANE.PART_BOTTOM_LEFT]: 'the bottom left', [FERLANE.PART_BOTTOM]: 'the bottom',
  [FERLANE.PART_BOTTOM_RIGHT]: 'the bottom right',
};
// Whole rows and columns of parts, said as one.
const PART_LINES = [
  [[FERLANE.PART_TOP_LEFT, FERLANE.PART_TOP, FERLANE.PART_TOP_RIGHT], 'along the top'],
  [[FERLANE.PART_LEFT, FERLANE.PART_CENTRE, FERLANE.PART_RIGHT], 'across the middle'],
  [[FERLANE.PART_BOTTOM_LEFT, FERLANE.PART_BOTTOM, FERLANE.PART_BOTTOM_RIGHT], 'along the bottom'],
  [[FERLANE.PART_TOP_LEFT, FERLANE.PART_LEFT, FERLANE.PART_BOTTOM_LEFT], 'down the left side'],
  [[FERLANE.PART_TOP, FERLANE.PART_CENTRE, FERLANE.PART_BOTTOM], 'down the middle'],
  [[FERLANE.PART_TOP_RIGHT, FERLANE.PART_RIGHT, FERLANE.PART_BOTTOM_RIGHT], 'down the right side'],
];

export function percent(share) {
  return `${(100 * share).toFixed(share > 0 && share < 0.001 ? 3 : 1)} %`;
}

function listed(words) {
  return words.length > 1 ? `${words.slice(0, -1).join(', ')} and ${words[words.length - 1]}` : words[0];
}

// Where in the picture most of a share lies, in words: "along the bottom", "in
// the top left and the centre".
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

// [kind, text]: the kind 'unresolved', 'coarse' or 'good', and the advice.
export function verdict(shares, backdropOnly) {
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
