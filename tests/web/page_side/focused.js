// The focused control: its accessible name as the page gives it, whether its
// focus shows (on the box of a file input, which itself is not seen), and
// whether it is the one looked for.
(selector) => {
  const focused = document.activeElement;
  const seen = focused.type === 'file' ? focused.closest('label') : focused;
  const style = getComputedStyle(seen);
  return [focused.getAttribute('aria-label') || focused.closest('label, button, summary')?.textContent.trim()
            || focused.tagName, style.outlineStyle !== 'none' && parseFloat(style.outlineWidth) >= 2,
          focused.matches(selector)];
}
