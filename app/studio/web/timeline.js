// The timeline: the document's frame on a slider and in a field, the last frame of the document's
// range, the document's frame rate, and play / pause. Playing loops over the whole range, asking
// for the frame the clock has reached at the document's rate; when the studio is slower than
// that, frames are skipped rather than the playback falling behind. The field, the slider and
// the picture show the frame whose picture is drawn.
import { el, textEntry } from './dom.js';

const $ = (id) => document.getElementById(id);

function whole(text, least) {
  const v = Number(String(text).trim());
  return Number.isInteger(v) && v >= least ? v : null;
}

export class Timeline {
  // `context`: frame(n, live), end(n, frame moved in or null), fps(n), paused(frame shown).
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
    this.scrubbing = false;  // the slider's thumb is under the pointer
    this.slider.addEventListener('pointerdown', () => { this.scrubbing = true; });
    this.slider.addEventListener('input', () => this.go(Number(this.slider.value), true));
    this.slider.addEventListener('change', () => {
      this.scrubbing = false;
      this.go(Number(this.slider.value), false);
    });
    this.field(this.number, 0, (v) => this.go(v, false));
    this.field(this.endField, 1, (v) => this.setEnd(v));
    this.field(this.fpsField, 1, (v) => this.context.fps(v));
    $('play').addEventListener('click', () => this.toggle());
    $('to-start').addEventListener('click', () => this.go(0, false));
    $('to-end').addEventListener('click', () => this.go(this.end, false));
    $('step-back').addEventListener('click', () => this.step(-1));
    $('step-forward').addEventListener('click', () => this.step(1));
    this.draw();
  }

  field(input, least, apply) {
    textEntry(input, (text) => {
      const v = whole(text, least);
      if (v === null) this.draw(); else apply(v);
    }, { blurOnEnter: true });
    input.addEventListener('blur', () => this.draw());
  }

  // The frame, rate and range end the server reports, once the picture of that frame is drawn.
  sync(frame, fps, end) {
    if (Number.isFinite(fps) && fps > 0) this.fps = fps;
    if (Number.isInteger(end) && end >= 1) this.end = end;
    if (Number.isFinite(frame)) this.frame = frame;
    // Undoing a longer range leaves the frame past the end: it comes back in.
    if (this.frame > this.end && !this.playing) this.go(this.end, false);
    this.draw();
  }

  go(frame, live) {
    frame = Math.min(Math.max(0, Math.round(frame)), this.end);
    this.asked = frame;
    if (!this.playing) this.draw(frame);
    this.context.frame(frame, live);
  }

  setEnd(end) {
    this.end = end;
    const inside = this.frame > end ? end : null;
    if (inside !== null) this.frame = inside;
    this.context.end(end, inside);
    this.draw();
  }

  step(by) {
    if (this.playing) this.toggle();
    const next = this.frame + by;
    this.go(next < 0 ? this.end : next > this.end ? 0 : next, false);
  }

  toggle() {
    this.playing = !this.playing;
    document.body.dataset.playing = String(this.playing);
    if (!this.playing) {
      this.context.paused(this.frame);
      this.draw();
      return;
    }
    const first = this.frame >= this.end ? 0 : this.frame;
    const start = performance.now();
    this.asked = first;
    const tick = (now) => {
      if (!this.playing) return;
      const target = (first + Math.floor(((now - start) * this.fps) / 1000)) % (this.end + 1);
      if (target !== this.asked) this.go(target, true);
      requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  }

  draw(frame = this.frame) {
    this.slider.max = String(this.end);
    const scrubbing = this.scrubbing;
    if (!scrubbing) this.slider.value = String(frame);
    const shown = scrubbing ? this.slider.value : String(frame);
    for (const [input, text] of [[this.number, shown], [this.endField, String(this.end)], [this.fpsField, String(this.fps)]]) {
      input.dataset.shown = text;
      if (document.activeElement !== input) input.value = text;
    }
    document.body.dataset.frame = String(this.frame);
    document.body.dataset.endFrame = String(this.end);
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
