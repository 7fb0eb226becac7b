// The page's side of the worker that encodes the saved PNG files (web/saver),
// started at the first save and kept for the next ones.
import { SAVER } from '../shared/messages.js';

export class SaverClient {
  constructor(url) {
    this.url = url;
    this.worker = null;
    this.pending = new Map();
    this.lastId = 0;
  }

  // The PNG file's bytes for a request (type SAVER.SUBJECT or SAVER.COMPOSITE),
  // its `transfer` moved to the saver.
  png(request, transfer = []) {
    if (!this.worker) {
      this.worker = new Worker(this.url);
      this.worker.onmessage = ({ data }) => {
        const { resolve, reject } = this.pending.get(data.id);
        this.pending.delete(data.id);
        if (data.type === SAVER.PNG) resolve(data.bytes);
        else reject(new Error(data.text));
      };
      // A worker that cannot start or stopped: every save asked of it fails, and the
      // next one starts another.
      this.worker.onerror = (event) => {
        event.preventDefault();
        this.worker.terminate();
        this.worker = null;
        for (const { reject } of this.pending.values()) reject(new Error(event.message || 'the saver stopped'));
        this.pending.clear();
      };
    }
    const id = ++this.lastId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.worker.postMessage({ ...request, id }, transfer);
    });
  }
}
