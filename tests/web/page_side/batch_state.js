// Waits a while for the batch to leave the states given; answers its state, its
// line, what its plan shows, the failures listed and the progress bar's value.
async (passing, limit) => {
  const state = document.getElementById('batch-state');
  for (const end = performance.now() + limit; passing.includes(state.dataset.state) && performance.now() < end;) {
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  const texts = (selector) => [...document.querySelectorAll(selector)].map((item) => item.textContent);
  return {
    state: state.dataset.state, line: state.textContent, summary: document.getElementById('batch-summary').textContent,
    items: texts('#batch-items li'), unplaced: texts('#batch-unplaced-list li'), failures: texts('#batch-failures li'),
    done: document.getElementById('batch-bar').value,
  };
}
