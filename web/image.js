// The render as it arrives: a coarse picture scaled up, then the full one
// band by band over it; the output chosen beside it read under the pointer.

function encode(value, linear) {
  const v = Math.min(1, Math.max(0, value));
  const e = linear ? v : v <= 0.0031308 ? 12.92 * v : 1.055 * Math.pow(v, 1 / 2.4) - 0.055;
  return Math.round(e * 255);
}

// Linear floats (1 or 3 channels) as an ImageData; rows below `rows` left
// transparent.
function toImageData(values, channels, width, height, rows, linear) {
  const data = new ImageData(width, height);
  const count = width * Math.min(rows, height);
  for (let i = 0; i < count; ++i) {
    for (let c = 0; c < 3; ++c)
      data.data[i * 4 + c] = encode(values[i * channels + (channels === 3 ? c : 0)], linear);
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
  }

  // Draws a frame from api.nextFrame.
  show({info, beauty, aov}) {
    const {width, height} = info;
    if (info.pass === 'coarse') {
      const scratch = new OffscreenCanvas(width, height);
      scratch.getContext('2d').putImageData(
        toImageData(beauty, 3, width, height, info.rows, info.linear), 0, 0);
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
    const rows = info.rows;
    this.context.putImageData(toImageData(shown, channels, width, height, rows, linear),
      0, 0, 0, 0, width, rows);
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
