// Given to Node as --import: lets the page's modules import the door's numbers by
// the name the page's build gives them, from the file $FERLANE_DOOR_NUMBERS that
// web/build/door_numbers.py wrote.
import { register } from 'node:module';
import { pathToFileURL } from 'node:url';

export async function resolve(specifier, context, next) {
  if (specifier !== 'ferlane-door-numbers') return next(specifier, context);
  return { url: pathToFileURL(process.env.FERLANE_DOOR_NUMBERS).href, shortCircuit: true };
}

if (!process.env.FERLANE_DOOR_NUMBERS_HOOKED) {
  process.env.FERLANE_DOOR_NUMBERS_HOOKED = '1';
  register(import.meta.url);
}
