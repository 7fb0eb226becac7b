// The boxes' notes, [box, note] for each box that has one.
() => [...document.querySelectorAll('.slot')]
  .map((box) => [box.dataset.slot, box.querySelector('.note').textContent])
  .filter(([, note]) => note)
