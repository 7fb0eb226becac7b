/* global axe */
// axe-core's violations in the page as it is, each with the elements it found.
async (source) => {
  if (!window.axe) (0, eval)(source);
  const found = await axe.run(document, { resultTypes: ['violations'] });
  return found.violations.map((v) => `${v.id}: ${v.help} (${v.nodes.map((n) => n.target.join(' ')).join('; ')})`);
}
