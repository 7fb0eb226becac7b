// Drops each staged file on its box as a person's drop gives it: a DataTransfer
// holding the File. Answers the boxes that let the browser take a dragged file
// (dragover not cancelled), where a real drop would open the picture instead.
(drops) => {
  const harness = window.ferlaneHarness;
  const ignored = [];
  for (const { slot, key, name, type } of drops) {
    const file = new File(harness.pieces[key] || [], name, { type });
    delete harness.pieces[key];
    const data = new DataTransfer();
    data.items.add(file);
    const target = document.querySelector(`.slot[data-slot="${slot}"] .drop`);
    for (const kind of ['dragenter', 'dragover', 'drop']) {
      const event = new DragEvent(kind, { bubbles: true, cancelable: true, dataTransfer: data });
      target.dispatchEvent(event);
      if (kind === 'dragover' && !event.defaultPrevented) ignored.push(slot);
    }
  }
  return ignored;
}
