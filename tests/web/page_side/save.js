// Clicks a save button and answers what it saved: [name, base64 of the bytes];
// with no button named, answers what a key pressed since the last call saved.
async (name) => {
  const harness = window.ferlaneHarness;
  if (name) {
    harness.saved.length = 0;
    document.querySelector(`#saves [data-save="${name}"]`).click();
  }
  for (const end = performance.now() + 60000; !harness.saved.length && performance.now() < end;) {
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  const saved = harness.saved[0];
  if (!saved) throw new Error(`the button for ${name} saved nothing`);
  if (!(saved.blob instanceof Blob)) throw new Error(`${saved.name} was saved from no Blob of the page`);
  const url = await new Promise((resolve, reject) => {
    const reader = new FileReader();
    reader.onload = () => resolve(reader.result);
    reader.onerror = () => reject(reader.error);
    reader.readAsDataURL(saved.blob);
  });
  return [saved.name, url.slice(url.indexOf(',') + 1)];
}
