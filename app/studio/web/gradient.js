// The gradient editor: the gradient as a bar, its knots below it. A click on the bar adds a knot
// of the colour there; a knot is dragged to move it, or down off the bar (or Delete) to remove
// it; the selected knot's colour, position and bias have their fields; the named gradients are a
// menu. Every change goes to the server as the runner's gradient text (POSITION:#RRGGBB@BIAS, ...).
import { el, hexColour, numberText, rgbOfHex } from './dom.js';

const kRemoveDistance = 28;  // pixels below the bar that drop a dragged knot

function round(v) { return Number(v.toFixed(4)); }

function knotsOf(value) {
  const list = (value && value.gradient) || [];
  return list.map((k) => ({
    position: Number(k.position) || 0,
    colour: hexColour((k.color || [0, 0, 0]).map((c) => c * (k.brightness ?? 1))),
    bias: k.bias === undefined ? 0.5 : Number(k.bias),
  }));
}

function gradientText(knots) {
  return knots.map((k) => `${round(k.position)}:${k.colour}${Math.abs(k.bias - 0.5) > 1e-9 ? `@${round(k.bias)}` : ''}`)
    .join(',');
}

// The colour at a position, blended between its neighbours (for a new knot).
function colourAt(knots, t) {
  const sorted = [...knots].sort((a, b) => a.position - b.position);
  if (!sorted.length) return '#808080';
  if (t <= sorted[0].position) return sorted[0].colour;
  for (let i = 1; i < sorted.length; ++i) {
    const [a, b] = [sorted[i - 1], sorted[i]];
    if (t <= b.position) {
      const f = b.position > a.position ? (t - a.position) / (b.position - a.position) : 0;
      const [ca, cb] = [rgbOfHex(a.colour), rgbOfHex(b.colour)];
      return hexColour(ca.map((c, k) => c + (cb[k] - c) * f));
    }
  }
  return sorted[sorted.length - 1].colour;
}

// CSS draws the blend; a colour hint stands where a knot's bias puts the middle of its blend.
function cssGradient(knots) {
  const sorted = [...knots].sort((a, b) => a.position - b.position);
  if (sorted.length === 1) return sorted[0].colour;
  const stops = [];
  sorted.forEach((k, i) => {
    stops.push(`${k.colour} ${(k.position * 100).toFixed(2)}%`);
    const next = sorted[i + 1];
    if (next) stops.push(`${((k.position + k.bias * (next.position - k.position)) * 100).toFixed(2)}%`);
  });
  return `linear-gradient(90deg, ${stops.join(', ')})`;
}

export class GradientEditor {
  constructor(p, send, named) {
    this.send = send;
    this.knots = [];
    this.selected = null;
    this.dragging = false;
    this.bar = el('div', { class: 'bar', title: 'Click to add a knot' });
    this.rail = el('div', { class: 'knots' });
    this.colour = el('input', { type: 'color', title: 'Knot colour', 'aria-label': 'Knot colour' });
    this.position = el('input', { class: 'num', type: 'text', title: 'Knot position (0 to 1)', 'aria-label': 'Knot position' });
    this.bias = el('input', { class: 'num', type: 'text', title: 'Knot bias (0 to 1): where the blend to the next knot is half way', 'aria-label': 'Knot bias' });
    this.remove = el('button', { type: 'button', title: 'Remove the knot (Delete)', text: '\u2212' });
    const names = (named || []).map((g) => (typeof g === 'string' ? g : g.name));
    this.preset = el('select', { title: 'Named gradients', 'aria-label': 'Named gradient' },
      el('option', { value: '', text: 'Preset\u2026' }), ...names.map((n) => el('option', { value: n, text: n })));
    this.input = this.bar;
    this.nodes = [el('div', { class: 'gradient', 'aria-label': p.label }, this.bar, this.rail,
      el('div', { class: 'row' },
        el('span', { class: 'pair' }, this.colour, el('span', { class: 'hint', text: 'at' }), this.position),
        el('span', { class: 'pair' }, el('span', { class: 'hint', text: 'bias' }), this.bias, this.remove)),
      el('div', { class: 'row' }, this.preset))];
    this.wire();
  }

  wire() {
    this.bar.addEventListener('pointerdown', (e) => {
      const t = this.fraction(e.clientX);
      const knot = { position: round(t), colour: colourAt(this.knots, t), bias: 0.5 };
      this.knots.push(knot);
      this.select(knot);
      this.commit(false);
    });
    this.colour.addEventListener('input', () => this.edit((k) => { k.colour = this.colour.value; }, true));
    this.colour.addEventListener('change', () => this.edit((k) => { k.colour = this.colour.value; }, false));
    const number = (input, key) => input.addEventListener('change', () => {
      const v = Number(input.value);
      if (Number.isFinite(v)) this.edit((k) => { k[key] = Math.min(1, Math.max(0, v)); }, false);
    });
    number(this.position, 'position');
    number(this.bias, 'bias');
    this.remove.addEventListener('click', () => this.drop(this.selected));
    this.preset.addEventListener('change', () => {
      if (this.preset.value) this.send(this.preset.value, {});
      this.preset.value = '';
    });
    this.nodes[0].addEventListener('keydown', (e) => {
      if ((e.key === 'Delete' || e.key === 'Backspace') && e.target.classList.contains('knot')) {
        e.preventDefault();
        this.drop(this.selected);
      }
    });
  }

  fraction(clientX) {
    const r = this.bar.getBoundingClientRect();
    return Math.min(1, Math.max(0, (clientX - r.left) / r.width));
  }

  edit(change, live) {
    if (!this.selected) return;
    change(this.selected);
    this.draw();
    this.commit(live);
  }

  // Kept in position order, as the server gives the knots back.
  commit(live) {
    this.knots.sort((a, b) => a.position - b.position);
    this.send(gradientText(this.knots), { live });
  }

  drop(knot) {
    if (!knot || this.knots.length <= 1) return;  // a gradient keeps one knot at least
    this.knots = this.knots.filter((k) => k !== knot);
    this.select(this.knots[0]);
    this.commit(false);
  }

  select(knot) {
    this.selected = knot;
    this.draw();
  }

  draw() {
    this.bar.style.background = cssGradient(this.knots);
    this.rail.replaceChildren(...this.knots.map((k) => {
      const m = el('div', { class: k === this.selected ? 'knot selected' : 'knot', tabindex: 0,
        title: `${k.colour} at ${numberText(k.position)}`, style: `left:${k.position * 100}%` },
      el('i', { style: `background:${k.colour}` }));
      m.addEventListener('pointerdown', (e) => this.grab(e, k));
      return m;
    }));
    const k = this.selected;
    for (const n of [this.colour, this.position, this.bias, this.remove]) n.disabled = !k;
    this.remove.disabled = !k || this.knots.length <= 1;
    if (!k) return;
    if (document.activeElement !== this.colour) this.colour.value = k.colour;
    if (document.activeElement !== this.position) this.position.value = numberText(round(k.position));
    if (document.activeElement !== this.bias) this.bias.value = numberText(round(k.bias));
    const focused = this.rail.children[this.knots.indexOf(k)];
    if (this.dragging && focused) focused.focus();
  }

  // Moves the knot with the pointer; let go far below the bar, it is removed.
  grab(e, knot) {
    e.preventDefault();
    this.select(knot);
    const target = this.rail.children[this.knots.indexOf(knot)];
    target.focus();
    const rail = this.rail;
    rail.setPointerCapture(e.pointerId);
    this.dragging = true;
    const top = this.bar.getBoundingClientRect().bottom;
    const move = (m) => {
      knot.position = round(this.fraction(m.clientX));
      this.rail.style.opacity = m.clientY - top > kRemoveDistance + 12 && this.knots.length > 1 ? 0.4 : 1;
      this.draw();
      this.commit(true);
    };
    const up = (u) => {
      rail.removeEventListener('pointermove', move);
      rail.removeEventListener('pointerup', up);
      this.dragging = false;
      this.rail.style.opacity = 1;
      if (u.clientY - top > kRemoveDistance + 12) this.drop(knot);
      else this.commit(false);
    };
    rail.addEventListener('pointermove', move);
    rail.addEventListener('pointerup', up);
  }

  set(value) {
    if (this.dragging || this.nodes[0].contains(document.activeElement) && document.activeElement !== this.bar &&
        !document.activeElement.classList.contains('knot')) return;
    const index = this.selected ? this.knots.indexOf(this.selected) : 0;
    this.knots = knotsOf(value);
    this.selected = this.knots[Math.min(Math.max(index, 0), this.knots.length - 1)] || null;
    this.draw();
  }
}
