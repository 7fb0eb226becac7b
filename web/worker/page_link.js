// The worker's side of its talk with the page: messages about the run it is on,
// and questions about the chosen files, answered in whatever order the answers come.
import { RUN } from '../shared/messages.js';

// A newer choice than the run's came before the run got its answer: the run gives
// way to it, in the same worker.
export class Abandoned extends Error {}

export class PageLink {
  constructor(post) {
    this.post = post;
    // The newest choice the page sent, and the one being run. Every message carries
    // its run's number, so that the page can tell a run it abandoned.
    this.newest = null;
    this.running = null;
    this.questions = new Map();
    this.lastQuestion = 0;
  }

  tell(message, transfer = []) {
    this.post({ job: this.running.job, ...message }, transfer);
  }

  async ask(question) {
    const id = ++this.lastQuestion;
    const answer = await new Promise((resolve) => {
      this.questions.set(id, resolve);
      this.tell({ type: RUN.ASK, id, ...question });
    });
    if (this.running !== this.newest) throw new Abandoned();
    return answer;
  }

  answered(data) {
    const resolve = this.questions.get(data.id);
    this.questions.delete(data.id);
    if (resolve) resolve(data);
  }
}
