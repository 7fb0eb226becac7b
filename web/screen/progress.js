// The run's steps as the worker reports them, and the page's state line.
export class Progress {
  constructor(document) {
    this.window = document.defaultView;
    this.steps = document.getElementById('steps');
    this.state = document.getElementById('state');
    this.results = document.getElementById('results');
  }

  setState(name, text) {
    this.state.dataset.state = name;
    this.state.textContent = text;
  }

  // Adds to the state line without changing the state.
  addToState(text) {
    this.setState(this.state.dataset.state, `${this.state.textContent} ${text}`);
  }

  // The time from the choice to the run's end, which the tests read.
  setTook(ms) {
    this.state.dataset.ms = ms.toFixed(0);
  }

  clearSteps() {
    this.steps.replaceChildren();
  }

  addStep(text, at) {
    const item = this.steps.ownerDocument.createElement('li');
    item.textContent = text;
    item.dataset.at = at;
    this.steps.append(item);
  }

  // Each step's line gets its duration once the next one starts.
  timePreviousStep(at) {
    const previous = this.steps.lastElementChild;
    if (!previous || previous.querySelector('.took')) return;
    const took = this.steps.ownerDocument.createElement('span');
    took.className = 'took';
    took.textContent = `${((at - previous.dataset.at) / 1000).toFixed(2)} s`;
    previous.append(took);
  }

  // A run's end, where the boxes fill a small screen: the status and the results
  // come into view.
  bringIntoView() {
    const { top, bottom } = this.state.getBoundingClientRect();
    const height = this.window.innerHeight;
    const resultsTop = this.results.hidden ? 0 : this.results.getBoundingClientRect().top;
    if (top < 0 || bottom > height || resultsTop > (2 / 3) * height) this.state.scrollIntoView({ block: 'start' });
  }
}
