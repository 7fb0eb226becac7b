// The matting module's numbers (slots, steps, files, layouts...), which the build
// reads from web/door/ferlane_door.h: that header is their only copy.
import numbers from 'ferlane-door-numbers';
import { strict } from './strict.js';

export const FERLANE = strict(numbers, 'ferlane_door.h');
