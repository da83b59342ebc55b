// The gradient editor: the gradient as a bar, its knots below it. A click on the bar adds a knot
// of the colour there; a knot is dragged to move it, or down off the bar (or Delete) to remove
// it; the selected knot's colour, position and bias have their fields; the named gradients are a
// menu. Every change goes to the server as the runner's gradient text (POSITION:#RRGGBB@BIAS, ...).
import { el, hexColour, numberText, onEscape, rgbOfHex, textEntry } from './dom.js';

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
    // Each named gradient as the editor writes it, to tell which one the gradient is.
    this.named = (named || []).map((g) => (typeof g === 'string' ? { name: g, text: null }
      : { name: g.name, text: g.value ? gradientText(knotsOf(g.value)) : null }));
    const names = this.named.map((g) => g.name);
    this.message = el('div', { class: 'knot-message', role: 'alert', hidden: true });
    this.preset = el('select', { title: 'Named gradients', 'aria-label': 'Named gradient' },
      el('option', { value: '', text: 'Preset\u2026' }), ...names.map((n) => el('option', { value: n, text: n })));
    this.input = this.bar;
    this.nodes = [el('div', { class: 'gradient', 'aria-label': p.label }, this.bar, this.rail,
      el('div', { class: 'row' },
        el('span', { class: 'pair' }, this.colour, el('span', { class: 'hint', text: 'at' }), this.position),
        el('span', { class: 'pair' }, el('span', { class: 'hint', text: 'bias' }), this.bias, this.remove)),
      el('div', { class: 'row' }, this.preset), this.message)];
    this.wire();
  }

  wire() {
    this.bar.addEventListener('pointerdown', (e) => {
      const t = this.fraction(e.clientX);
      const knot = { position: round(t), colour: colourAt(this.knots, t), bias: 0.5 };
      this.knots.push(knot);
      this.select(knot);
      this.commit();
    });
    this.colour.addEventListener('input', () => this.edit((k) => { k.colour = this.colour.value; }, 'preview'));
    this.colour.addEventListener('change', () => this.edit((k) => { k.colour = this.colour.value; }, 'end'));
    // A knot's position or bias is a number from 0 to 1: anything else is refused and the field
    // shows the knot's value again.
    const number = (input, key, label) => textEntry(input, (text) => {
      const v = Number(text.trim());
      if (text.trim() === '' || !Number.isFinite(v) || v < 0 || v > 1) {
        this.refuse(input, `${label} must be a number between 0 and 1`);
        return;
      }
      this.refuse(null);
      this.edit((k) => { k[key] = v; });
    });
    number(this.position, 'position', 'Knot position');
    number(this.bias, 'bias', 'Knot bias');
    for (const input of [this.position, this.bias]) input.addEventListener('revert', () => this.refuse(null));
    this.remove.addEventListener('click', () => this.drop(this.selected));
    this.preset.addEventListener('change', () => {
      if (this.preset.value) this.send(this.preset.value, {});
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

  edit(change, gesture) {
    if (!this.selected) return;
    change(this.selected);
    this.draw();
    this.commit(gesture);
  }

  // Kept in position order, as the server gives the knots back.
  commit(gesture) {
    this.knots.sort((a, b) => a.position - b.position);
    this.send(gradientText(this.knots), { gesture });
  }

  // The message under the editor for a value it refuses (null: none), the value shown again.
  refuse(input, message) {
    this.message.hidden = !input;
    this.message.textContent = message || '';
    for (const i of [this.position, this.bias]) i.classList.toggle('refused', i === input);
    if (input) {
      this.draw(true);
      input.select();
    }
  }

  drop(knot, gesture) {
    if (!knot || this.knots.length <= 1) return;  // a gradient keeps one knot at least
    const focused = this.rail.contains(document.activeElement);
    this.knots = this.knots.filter((k) => k !== knot);
    this.select(this.knots[0]);
    if (focused) this.rail.children[0]?.focus();
    this.commit(gesture);
  }

  select(knot) {
    this.selected = knot;
    this.draw();
  }

  // `again`: the fields show the knot's values even where focused.
  draw(again = false) {
    const knotFocused = this.rail.contains(document.activeElement);
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
    for (const [input, v] of [[this.position, k.position], [this.bias, k.bias]]) {
      input.dataset.shown = numberText(round(v));
      if (again || document.activeElement !== input) input.value = input.dataset.shown;
    }
    // The knot rebuilt keeps the focus its predecessor had, so that Delete still removes it.
    const focused = this.rail.children[this.knots.indexOf(k)];
    if ((this.dragging || knotFocused) && focused) focused.focus();
  }

  // The named gradient the gradient is, in the menu (its title when it is none of them).
  showName() {
    const text = gradientText(this.knots);
    const match = this.named.find((g) => g.text === text);
    this.preset.value = match ? match.name : '';
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
    const from = knot.position;
    let moved = false;
    const done = () => {
      rail.removeEventListener('pointermove', move);
      rail.removeEventListener('pointerup', up);
      stop();
      this.dragging = false;
      this.rail.style.opacity = 1;
    };
    // Esc puts the knot back where the drag took it from.
    const stop = onEscape(() => {
      done();
      knot.position = from;
      this.draw();
      if (moved) this.send('', { gesture: 'cancel' });
    });
    const move = (m) => {
      knot.position = round(this.fraction(m.clientX));
      this.rail.style.opacity = m.clientY - top > kRemoveDistance + 12 && this.knots.length > 1 ? 0.4 : 1;
      moved = true;
      this.draw();
      this.commit('preview');
    };
    const up = (u) => {
      done();
      if (u.clientY - top > kRemoveDistance + 12) this.drop(knot, moved ? 'end' : undefined);
      else if (moved) this.commit('end');
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
    this.showName();
  }
}
