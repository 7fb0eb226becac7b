// Each chosen file's size, read from its header by the module before any file is
// decoded, told to the page for its box. The page makes a small picture only of a
// file told here as one it may decode: a header refused, or a size no tab can
// afford, is never decoded, not even for its box.
import { FERLANE } from '../shared/door.js';
import { RUN } from '../shared/messages.js';
import { headerFact, readHeader } from './core_calls.js';
import { Chosen } from './file_reader.js';

// chosen: { name, size } by slot, or null.
export async function tellSizes(core, link, chosen) {
  for (const [slot, file] of chosen.entries()) {
    if (!file) continue;
    const reader = new Chosen(link, slot, file.size);
    if (await readHeader(core, file.size, (start, end) => reader.bytes(start, end)) !== FERLANE.OK) continue;
    link.tell({
      type: RUN.SIZE, slot, columns: headerFact(core, FERLANE.HEADER_COLUMNS), rows: headerFact(core, FERLANE.HEADER_ROWS),
      previewable: headerFact(core, FERLANE.HEADER_PREVIEWABLE) === 1,
    });
  }
}
