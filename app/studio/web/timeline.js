// The timeline: the document's frame on a slider and in a field, the last frame of the range the
// user plays, the document's frame rate, and play / pause. Playing asks for the frame the clock
// has reached at the document's rate; when the studio is slower than that, frames are skipped
// rather than the playback falling behind.
import { el } from './dom.js';

const $ = (id) => document.getElementById(id);

function whole(text, least) {
  const v = Number(String(text).trim());
  return Number.isInteger(v) && v >= least ? v : null;
}

export class Timeline {
  // `context`: frame(n, live), fps(n).
  constructor(context) {
    this.context = context;
    this.frame = 0;
    this.fps = 30;
    this.end = 90;
    this.playing = false;
    this.slider = $('frame-slider');
    this.number = $('frame-number');
    this.endField = $('frame-end');
    this.fpsField = $('fps');
    this.slider.addEventListener('input', () => this.go(Number(this.slider.value), true));
    this.slider.addEventListener('change', () => this.go(Number(this.slider.value), false));
    this.field(this.number, 0, (v) => this.go(v, false));
    this.field(this.endField, 1, (v) => { this.end = v; this.draw(); });
    this.field(this.fpsField, 1, (v) => this.context.fps(v));
    $('play').addEventListener('click', () => this.toggle());
    $('to-start').addEventListener('click', () => this.go(0, false));
    $('to-end').addEventListener('click', () => this.go(this.end, false));
    $('step-back').addEventListener('click', () => this.step(-1));
    $('step-forward').addEventListener('click', () => this.step(1));
    this.draw();
  }

  field(input, least, apply) {
    const done = () => {
      const v = whole(input.value, least);
      if (v === null) this.draw(); else apply(v);
    };
    input.addEventListener('change', done);
    input.addEventListener('keydown', (e) => {
      if (e.key === 'Enter') { e.preventDefault(); done(); input.blur(); }
      if (e.key === 'Escape') { this.draw(); input.blur(); }
    });
  }

  // The frame and rate the server reports.
  sync(frame, fps) {
    if (Number.isFinite(fps) && fps > 0) this.fps = fps;
    if (Number.isFinite(frame)) {
      this.frame = frame;
      if (frame > this.end) this.end = frame;
    }
    this.draw();
  }

  go(frame, live) {
    frame = Math.max(0, Math.round(frame));
    if (frame > this.end) this.end = frame;
    this.shown = frame;
    this.draw(frame);
    this.context.frame(frame, live);
  }

  step(by) {
    if (this.playing) this.toggle();
    this.go(this.frame + by < 0 ? this.end : this.frame + by > this.end ? 0 : this.frame + by, false);
  }

  toggle() {
    this.playing = !this.playing;
    document.body.dataset.playing = String(this.playing);
    if (!this.playing) return;
    const first = this.frame >= this.end ? 0 : this.frame;
    const start = performance.now();
    const tick = (now) => {
      if (!this.playing) return;
      const span = this.end + 1 - first;
      const target = first + (Math.floor(((now - start) * this.fps) / 1000) % Math.max(span, 1));
      if (target !== this.shown) this.go(target, true);
      requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  }

  draw(frame = this.frame) {
    this.slider.max = String(this.end);
    if (document.activeElement !== this.slider) this.slider.value = String(frame);
    if (document.activeElement !== this.number) this.number.value = String(frame);
    if (document.activeElement !== this.endField) this.endField.value = String(this.end);
    if (document.activeElement !== this.fpsField) this.fpsField.value = String(this.fps);
    document.body.dataset.frame = String(this.frame);
    this.ticks();
  }

  // Frame numbers under the slider, a round step apart.
  ticks() {
    const key = `${this.end}`;
    const box = $('ticks');
    if (box.dataset.key === key) return;
    box.dataset.key = key;
    const step = [1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000].find((s) => this.end / s <= 10) || Math.ceil(this.end / 10);
    const marks = [];
    for (let f = 0; f <= this.end; f += step) marks.push(el('span', { style: `left:${(f / this.end) * 100}%`, text: String(f) }));
    box.replaceChildren(...marks);
  }
}
