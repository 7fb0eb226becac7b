// The cutout over a backdrop the photographer chooses: a colour from the swatches
// or the colour picker, or a picture.
const COMPOSITE_SIDE = 1600;

export class CompositeView {
  constructor(document, progress) {
    this.progress = progress;
    this.canvas = document.getElementById('composite-view');
    this.choices = document.querySelectorAll('input[name=backdrop]');
    this.other = document.getElementById('backdrop-other');
    this.colour = document.getElementById('backdrop-colour');
    this.pictureInput = document.getElementById('backdrop-picture');
    // The cutout as shown (an ImageBitmap) and the size of the file it shows.
    this.cutout = null;
    // A backdrop picture (an ImageBitmap) and its file's name, or null for a colour.
    this.picture = null;
    this.pictureName = '';
    for (const choice of this.choices) choice.addEventListener('change', () => this.chooseColour());
    this.colour.addEventListener('input', () => {
      this.other.checked = true;
      this.chooseColour();
    });
    this.pictureInput.addEventListener('change', () => this.choosePicture());
  }

  chosenColour() {
    const checked = [...this.choices].find((choice) => choice.checked);
    return !checked || checked === this.other ? this.colour.value : checked.value;
  }

  // What the backdrop is, for the composite's name.
  words() {
    return this.picture ? `the picture "${this.pictureName}"` : `the colour ${this.chosenColour()}`;
  }

  // The backdrop for the saver: { colour }, or { picture } with a copy of the
  // picture that is moved to the saver, as a run's pictures are moved to its worker.
  async forSaving() {
    return this.picture ? { picture: await createImageBitmap(this.picture) } : { colour: this.chosenColour() };
  }

  chooseColour() {
    if (this.picture) this.picture.close();
    this.picture = null;
    this.pictureInput.value = '';
    this.draw();
  }

  async choosePicture() {
    const file = this.pictureInput.files[0];
    if (!file) return;
    try {
      const picture = await createImageBitmap(file);
      if (this.picture) this.picture.close();
      this.picture = picture;
      this.pictureName = file.name;
      for (const choice of this.choices) choice.checked = false;
      this.draw();
    } catch (error) {
      this.progress.addToState(`The picture "${file.name}" cannot be decoded.`);
    }
  }

  // A run's cutout as shown (an ImageBitmap, perhaps reduced) and the columns and
  // rows of the file it shows; null for none.
  show(cutout, columns, rows) {
    this.cutout = cutout && { bitmap: cutout, columns, rows };
    this.draw();
  }

  // The cutout over the chosen colour, or centred on the chosen picture, both at
  // the scale the cutout is shown at.
  draw() {
    if (!this.cutout) return;
    const { bitmap, columns, rows } = this.cutout;
    const { canvas, picture } = this;
    const context = canvas.getContext('2d');
    canvas.setAttribute('aria-label', `Cutout over ${this.words()}`);
    if (!picture) {
      canvas.width = bitmap.width;
      canvas.height = bitmap.height;
      context.fillStyle = this.chosenColour();
      context.fillRect(0, 0, canvas.width, canvas.height);
      context.drawImage(bitmap, 0, 0);
      return;
    }
    const scale = Math.min(bitmap.width / columns, COMPOSITE_SIDE / Math.max(picture.width, picture.height));
    canvas.width = Math.max(1, Math.round(picture.width * scale));
    canvas.height = Math.max(1, Math.round(picture.height * scale));
    context.drawImage(picture, 0, 0, canvas.width, canvas.height);
    const width = columns * scale;
    const height = rows * scale;
    context.drawImage(bitmap, (canvas.width - width) / 2, (canvas.height - height) / 2, width, height);
  }
}
