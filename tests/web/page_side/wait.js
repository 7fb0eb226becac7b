// Waits a while for the run to end; answers [state, message, steps, milliseconds].
async (limit) => {
  const state = document.getElementById('state');
  for (const end = performance.now() + limit; !['done', 'failed'].includes(state.dataset.state) &&
       performance.now() < end;) {
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  const steps = [...document.querySelectorAll('#steps li')].map((item) => item.firstChild.textContent);
  return [state.dataset.state, state.textContent, steps, state.dataset.ms ?? null];
}
