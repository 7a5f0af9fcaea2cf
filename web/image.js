// The render as it arrives: a coarse picture scaled up, then the full one
// band by band over it; the output chosen beside it read under the pointer.

// The sRGB curve by table: 4096 steps between 0 and 1 are finer than the
// 256 levels they land on.
const STEPS = 4096;
const SRGB = new Uint8ClampedArray(STEPS + 1).map((_, i) => {
  const v = i / STEPS;
  return Math.round((v <= 0.0031308 ? 12.92 * v : 1.055 * Math.pow(v, 1 / 2.4) - 0.055) * 255);
});

function encode(value, linear) {
  const v = Math.min(1, Math.max(0, value)) || 0;
  return linear ? Math.round(v * 255) : SRGB[Math.round(v * STEPS)];
}

// Rows first to last - 1 of linear floats (1 or 3 channels) as an ImageData.
function toImageData(values, channels, width, first, last, linear) {
  const rows = Math.max(1, last - first);
  const data = new ImageData(width, rows);
  const offset = first * width;
  const count = width * (last - first);
  for (let i = 0; i < count; ++i) {
    const at = (offset + i) * channels;
    for (let c = 0; c < 3; ++c)
      data.data[i * 4 + c] = encode(values[at + (channels === 3 ? c : 0)], linear);
    data.data[i * 4 + 3] = 255;
  }
  return data;
}

export class RenderView {
  constructor(canvas) {
    this.canvas = canvas;
    this.context = canvas.getContext('2d');
    this.frame = null;    // the last full picture, or the one coming
    this.showAov = false;
    this.shownPass = '';  // which pass the rows drawn so far belong to
    this.shownRows = 0;
  }

  // Draws a frame from api.nextFrame.
  show({info, beauty, aov}) {
    const {width, height} = info;
    if (info.pass === 'coarse') {
      this.shownRows = 0;
      const scratch = new OffscreenCanvas(width, height);
      scratch.getContext('2d').putImageData(
        toImageData(beauty, 3, width, 0, info.rows, info.linear), 0, 0);
      this.context.imageSmoothingEnabled = false;
      this.context.drawImage(scratch, 0, 0, this.canvas.width, this.canvas.height);
      return;
    }
    if (this.canvas.width !== width || this.canvas.height !== height) {
      this.canvas.width = width;
      this.canvas.height = height;
    }
    this.frame = {info, beauty, aov};
    const shown = this.showAov && aov.length ? aov : beauty;
    const channels = shown === aov ? info.aovChannels : 3;
    // An output is shown as its values are, a picture through the sRGB curve.
    const linear = shown === aov ? true : info.linear;
    // Only the rows that came since the last picture of this pass are drawn.
    const pass = `${info.version}/${info.pass}/${this.showAov}`;
    if (pass !== this.shownPass || info.rows < this.shownRows) this.shownRows = 0;
    this.shownPass = pass;
    if (info.rows > this.shownRows)
      this.context.putImageData(
        toImageData(shown, channels, width, this.shownRows, info.rows, linear), 0, this.shownRows);
    this.shownRows = info.rows;
  }

  // What lies under the pointer at the event's place: pixel, colour and the
  // captured output's value.
  probe(event) {
    if (!this.frame) return null;
    const {info, beauty, aov} = this.frame;
    const box = this.canvas.getBoundingClientRect();
    const x = Math.floor((event.clientX - box.left) * info.width / box.width);
    const y = Math.floor((event.clientY - box.top) * info.height / box.height);
    if (x < 0 || y < 0 || x >= info.width || y >= info.height || y >= info.rows) return null;
    const at = y * info.width + x;
    const color = [0, 1, 2].map((c) => beauty[at * 3 + c]);
    let value = null;
    if (aov.length) {
      const n = info.aovChannels;
      value = Array.from(aov.slice(at * n, at * n + n));
    }
    return {x, y, color, value, aov: info.aov};
  }
}
