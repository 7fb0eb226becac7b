// Clicks the batch's save button; answers the name and the base64 of what it saved.
async () => {
  const harness = window.ferlaneHarness;
  harness.saved.length = 0;
  document.getElementById('batch-save').click();
  const saved = harness.saved[0];
  if (!saved || !(saved.blob instanceof Blob)) throw new Error('the batch\'s button saved no Blob of the page');
  const url = await new Promise((resolve, reject) => {
    const reader = new FileReader();
    reader.onload = () => resolve(reader.result);
    reader.onerror = () => reject(reader.error);
    reader.readAsDataURL(saved.blob);
  });
  return [saved.name, url.slice(url.indexOf(',') + 1)];
}
