// The attribute panel's fields, one kind of control per description type. A field sends what the
// user gave as the text the runner's `set` action reads (the server checks it against the
// description; the page does not second-guess it), and shows the value the server reports back.
import { el, hexColour, numberText, onEscape, textEntry } from './dom.js';
import { GradientEditor } from './gradient.js';

function editing(input) { return document.activeElement === input; }

function showText(input, text) {
  input.dataset.shown = text;
  if (!editing(input)) input.value = text;
}

// ---- Numbers --------------------------------------------------------------------------------

function hasSlider(p) {
  return p.min !== undefined && p.max !== undefined && Number.isFinite(p.min) &&
    Number.isFinite(p.max) && p.max > p.min && p.max - p.min <= 1e6;
}

function stepOf(p) {
  if (Number(p.step) > 0) return Number(p.step);
  return p.type === 'LONG' ? 1 : 0.1;
}

function clampTo(p, v) {
  if (p.min !== undefined && Number.isFinite(p.min)) v = Math.max(p.min, v);
  if (p.max !== undefined && Number.isFinite(p.max)) v = Math.min(p.max, v);
  return p.type === 'LONG' ? Math.round(v) : Number(v.toPrecision(12));
}

// A drag of a number (its slider, its label, its arrow keys held): previews while it moves, the
// release ends it as one undo step, Esc puts back the value it started from.
function numberControl(p, send, row) {
  const input = el('input', { class: 'num', type: 'text', inputmode: 'decimal', 'aria-label': p.label });
  const slider = hasSlider(p) ? el('input', { type: 'range', min: p.min, max: p.max, tabindex: -1,
    step: p.type === 'LONG' ? 1 : 'any', 'aria-label': `${p.label} slider` }) : null;
  let current = 0;
  let drag = null;  // {from, cancelled, moved, stop}
  const show = (v) => {
    input.value = numberText(v);
    if (slider) slider.value = v;
  };
  const begin = () => {
    drag?.stop();
    const from = current;
    drag = { from, cancelled: false, moved: false, stop: onEscape(() => {
      if (!drag || drag.cancelled) return;
      drag.cancelled = true;
      show(from);
      if (drag.moved) send(numberText(from), { gesture: 'cancel' });
    }) };
  };
  const give = (v, gesture) => {
    if (gesture === 'preview' && !drag) begin();
    if (drag && drag.cancelled) return;
    show(v);
    if (gesture === 'preview') drag.moved = true;
    if (gesture !== 'preview' && drag) {
      const moved = drag.moved;
      drag.stop();
      drag = null;
      if (!moved && gesture === 'end') gesture = undefined;
    }
    send(numberText(v), { gesture });
  };
  const finish = () => {
    if (!drag) return;
    if (drag.cancelled || !drag.moved) {
      drag.stop();
      drag = null;
      return;
    }
    give(Number(input.value), 'end');
  };
  textEntry(input, (text) => send(text.trim(), {}));
  input.addEventListener('keydown', (e) => {
    if (e.key !== 'ArrowUp' && e.key !== 'ArrowDown') return;
    e.preventDefault();
    const base = Number(input.value);
    const by = stepOf(p) * (e.shiftKey ? 10 : e.ctrlKey ? 0.1 : 1) * (e.key === 'ArrowUp' ? 1 : -1);
    give(clampTo(p, (Number.isFinite(base) ? base : current) + by), 'preview');
  });
  input.addEventListener('keyup', (e) => { if (e.key === 'ArrowUp' || e.key === 'ArrowDown') finish(); });
  input.addEventListener('blur', finish);
  if (slider) {
    slider.addEventListener('pointerdown', () => begin());
    // A release that changed nothing (or after Esc) fires no change: the drag ends here too.
    slider.addEventListener('pointerup', () => setTimeout(finish, 0));
    slider.addEventListener('input', () => {
      if (drag && drag.cancelled) show(drag.from);
      else give(Number(slider.value), 'preview');
    });
    slider.addEventListener('change', () => {
      if (drag && !drag.cancelled) give(Number(slider.value), 'end');
      else finish();
    });
  }
  // Dragging the label left or right scrubs the value, as in a 3D application's attribute panel.
  row.classList.add('scrub');
  row.firstChild.addEventListener('pointerdown', (e) => {
    if (e.button !== 0) return;
    const from = Number.isFinite(Number(input.value)) ? Number(input.value) : current, x0 = e.clientX;
    const label = e.currentTarget;
    label.setPointerCapture(e.pointerId);
    begin();
    const move = (m) => {
      const dx = m.clientX - x0;
      if (dx === 0) return;
      give(clampTo(p, from + Math.round(dx / 3) * stepOf(p) * (m.shiftKey ? 10 : m.ctrlKey ? 0.1 : 1)), 'preview');
    };
    const up = () => {
      label.removeEventListener('pointermove', move);
      label.removeEventListener('pointerup', up);
      finish();
    };
    label.addEventListener('pointermove', move);
    label.addEventListener('pointerup', up);
  });
  return {
    nodes: [input, slider],
    set(v) {
      current = Number(v);
      showText(input, numberText(v));
      if (slider && !drag) slider.value = Number.isFinite(current) ? current : p.min;
    },
    input,
  };
}

function vectorControl(p, send) {
  const inputs = ['X', 'Y', 'Z'].map((axis) =>
    el('input', { class: 'num', type: 'text', inputmode: 'decimal', title: axis, 'aria-label': `${p.label} ${axis}` }));
  const apply = () => send(inputs.map((i) => i.value.trim()).join(','), {});
  for (const i of inputs) textEntry(i, apply);
  return {
    nodes: [el('span', { class: 'control vector', style: 'flex:1;display:flex;gap:3px' }, ...inputs)],
    set(v) { inputs.forEach((i, k) => showText(i, numberText((v || [])[k] ?? 0))); },
    input: inputs[0],
  };
}

// ---- Choices, switches, colours, texts, fonts ---------------------------------------------------

// A menu of presets (the plot's Preset) shows none of them when the values they set are changed
// since: `custom(true)` shows its blank entry.
function choiceControl(p, send) {
  const blank = el('option', { value: '', text: 'Custom', hidden: true, disabled: true });
  const select = el('select', { 'aria-label': p.label },
    blank, ...p.choices.map((c) => el('option', { value: c.value, text: c.label })));
  select.addEventListener('change', () => send(select.value, {}));
  let value = '';
  return {
    nodes: [select],
    set(v) { value = String(v); select.value = value; },
    custom(on) { select.value = on ? '' : value; },
    input: select,
  };
}

// A choice that acts as a command (the plot's Add Component): choosing runs it, and the menu goes
// back to its title.
function commandControl(p, run) {
  const select = el('select', { 'aria-label': p.label },
    el('option', { value: '', text: `${p.label}\u2026` }),
    ...p.choices.map((c, i) => el('option', { value: String(i), text: c.label })));
  select.addEventListener('change', () => {
    if (select.value !== '') run(Number(select.value));
    select.value = '';
  });
  return { nodes: [select], set() {}, input: select };
}

function switchControl(p, send) {
  const box = el('input', { type: 'checkbox', 'aria-label': p.label });
  box.addEventListener('change', () => send(box.checked ? 'true' : 'false', {}));
  return { nodes: [box], set(v) { box.checked = !!v; }, input: box };
}

function colourControl(p, send) {
  const picker = el('input', { type: 'color', 'aria-label': p.label });
  const hex = el('span', { class: 'hex' });
  // The picker reports every move; each shows live, the last one stays.
  picker.addEventListener('input', () => { hex.textContent = picker.value; send(picker.value, { gesture: 'preview' }); });
  picker.addEventListener('change', () => send(picker.value, { gesture: 'end' }));
  return {
    nodes: [picker, hex],
    set(v) {
      const h = Array.isArray(v) ? hexColour(v) : String(v);
      if (!editing(picker)) picker.value = h;
      hex.textContent = h;
    },
    input: picker,
  };
}

function textControl(p, send) {
  const formula = /FORMULA$/.test(p.identifier);
  const input = el('input', { class: formula ? 'text formula' : 'text', type: 'text', spellcheck: 'false',
    'aria-label': p.label, autocomplete: 'off' });
  textEntry(input, (text) => send(text, {}));
  return { nodes: [input], set(v) { showText(input, String(v ?? '')); }, input };
}

function fontControl(p, send, fonts) {
  const family = el('select', { 'aria-label': `${p.label} family`, style: 'flex:3' },
    ...fonts.map((f) => el('option', { value: f.family, text: f.family })));
  const style = el('select', { 'aria-label': `${p.label} style`, style: 'flex:2' });
  const fillStyles = (name, chosen) => {
    const f = fonts.find((x) => x.family === name);
    style.replaceChildren(...(f ? f.styles : []).map((s) => el('option', { value: s, text: s })));
    if (chosen) style.value = chosen;
  };
  const apply = () => send(style.value ? `${family.value}:${style.value}` : family.value, {});
  family.addEventListener('change', () => { fillStyles(family.value); style.value = ''; apply(); });
  style.addEventListener('change', apply);
  return {
    nodes: [el('span', { class: 'control', style: 'flex:1;display:flex;gap:3px' }, family, style)],
    set(v) {
      const f = (v && v.font) || v || {};
      if (!fonts.some((x) => x.family === f.family) && f.family) family.append(el('option', { value: f.family, text: f.family }));
      family.value = f.family || '';
      fillStyles(family.value, f.style);
    },
    input: family,
  };
}

function readOnlyControl() {
  const out = el('span', { class: 'hex' });
  return { nodes: [out], set(v) { out.textContent = typeof v === 'object' ? JSON.stringify(v) : String(v); }, input: out };
}

// ---- The field row --------------------------------------------------------------------------

// One parameter's row: its label, its control and room for a refusal's message. `context` gives
// `send(param, text, {live})`, the installed fonts, the named gradients and `command` (which
// choices are commands, and running one).
export function makeField(p, context) {
  const row = el('div', { class: 'param', 'data-identifier': p.identifier, 'data-type': p.type },
    el('span', { class: 'label', text: p.label, title: `${p.label} (${p.identifier})` }));
  const send = (text, options) => context.send(p, text, options);
  let control;
  if (context.command && context.command.matches(p)) control = commandControl(p, (i) => context.command.run(p, i));
  else if (p.choices && p.choices.length) control = choiceControl(p, send);
  else if (p.type === 'LONG' || p.type === 'REAL') control = numberControl(p, send, row);
  else if (p.type === 'BOOL') control = switchControl(p, send);
  else if (p.type === 'COLOR') control = colourControl(p, send);
  else if (p.type === 'VECTOR') control = vectorControl(p, send);
  else if (p.type === 'STRING') control = textControl(p, send);
  else if (p.type === 'FONT') control = fontControl(p, send, context.fonts);
  else if (p.type === 'GRADIENT') control = new GradientEditor(p, send, context.gradients);
  else control = readOnlyControl();
  const box = el('span', { class: 'control' }, ...control.nodes);
  row.append(box);
  let note = null;
  row.addEventListener('revert', () => field.clear());

  const field = {
    row,
    control,
    update(q) {
      control.set(q.value);
      row.classList.toggle('disabled', q.enabled === false);
      row.hidden = q.shown === false;
      for (const n of row.querySelectorAll('input, select, button')) n.disabled = q.enabled === false;
    },
    // A refused value: the server's message under the field; for a formula, its text again with the
    // character where reading stopped marked.
    refuse(message, column, text) {
      field.clear();
      row.classList.add('refused');
      note = el('div', { class: 'message', role: 'alert', text: message });
      if (column > 0 && control.input && control.input.classList.contains('formula')) {
        const t = text ?? control.input.value;
        const at = Math.min(column - 1, t.length);
        const mark = el('mark', { text: t.slice(at, at + 1) || ' ' });
        row.append(el('div', { class: 'formula-error' }, t.slice(0, at), mark, t.slice(at + 1)));
        row.dataset.errorColumn = String(column);
        if (editing(control.input)) control.input.setSelectionRange(at, at + 1);
      }
      row.append(note);
    },
    clear() {
      row.classList.remove('refused');
      delete row.dataset.errorColumn;
      for (const n of row.querySelectorAll('.message, .formula-error')) n.remove();
      note = null;
    },
  };
  field.update(p);
  return field;
}
