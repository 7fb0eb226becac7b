// The page's state once no run is running, looked at once a frame.
async () => {
  while (document.getElementById('state').dataset.state === 'running') await new Promise(requestAnimationFrame);
  return document.getElementById('state').dataset.state;
}
