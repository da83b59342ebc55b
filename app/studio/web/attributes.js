// The attribute panel: the selected object's description as the server reports it, its groups
// as folding sections, a field per parameter, buttons side by side. The panel is rebuilt only
// when the object or its list of parameters changes; otherwise each field takes its new value,
// its enabling and its hiding, so that a field being edited keeps its focus.
import { el } from './dom.js';
import { makeField } from './fields.js';

const kClosed = 'zvstudio.closed-groups';

function closedGroups() {
  try {
    return new Set(JSON.parse(localStorage.getItem(kClosed) || '[]'));
  } catch (e) {
    return new Set();
  }
}

function remember(key, closed) {
  const set = closedGroups();
  if (closed) set.add(key); else set.delete(key);
  try { localStorage.setItem(kClosed, JSON.stringify([...set])); } catch (e) { /* private mode */ }
}

function shape(object) {
  return `${object.path}|${object.parameters.map((p) => `${p.identifier}:${p.type}`).join(',')}`;
}

export class AttributePanel {
  // `context`: send(object, param, text, options), fonts, gradients.
  constructor(title, body, context) {
    this.title = title;
    this.body = body;
    this.context = context;
    this.fields = new Map();
    this.shape = '';
    this.object = null;
  }

  show(object) {
    this.object = object;
    if (!object) {
      this.shape = '';
      this.fields.clear();
      this.title.replaceChildren('Attributes');
      this.body.replaceChildren(el('p', { class: 'hint', style: 'padding:8px;color:var(--dim)', text: 'Select an object.' }));
      return;
    }
    this.title.replaceChildren(el('span', { text: object.name }), el('span', { class: 'kind', text: object.kind }));
    if (shape(object) !== this.shape) this.build(object);
    else for (const p of object.parameters) this.fields.get(p.identifier)?.update(p);
    this.foldEmptyGroups();
    this.presetShown(object);
  }

  // The preset menu names the preset whose formula the plot has, and none for a formula of the
  // user's own (the presets' labels are their formulas).
  presetShown(object) {
    const preset = object.parameters.find((p) => /_PRESET$/.test(p.identifier) && p.choices);
    const formula = object.parameters.find((p) => /_FORMULA$/.test(p.identifier));
    const control = preset && formula && this.fields.get(preset.identifier)?.control;
    if (!control || !control.custom) return;
    const bare = (t) => String(t ?? '').replace(/\s+/g, '');
    const chosen = preset.choices.find((c) => String(c.value) === String(preset.value));
    control.custom(!chosen || bare(chosen.label) !== bare(formula.value));
  }

  build(object) {
    this.shape = shape(object);
    this.fields.clear();
    const closed = closedGroups();
    const sections = new Map();  // group id -> its body
    const section = (id) => {
      if (sections.has(id)) return sections.get(id);
      const g = object.groups.find((x) => x.id === id);
      if (!g) return section(null);
      const key = `${object.kind}/${g.label}`;
      const wrap = el('div', { class: closed.has(key) ? 'group closed' : 'group', 'data-group': g.label });
      const head = el('div', { class: 'group-title', text: g.label || 'Object' });
      head.addEventListener('click', () => remember(key, wrap.classList.toggle('closed')));
      const inner = el('div', { class: 'group-body' });
      wrap.append(head, inner);
      const parent = g.parent !== undefined && g.parent !== null && object.groups.some((x) => x.id === g.parent)
        ? section(g.parent) : section(null);
      parent.append(wrap);
      sections.set(id, inner);
      return inner;
    };
    const root = el('div');
    sections.set(null, root);
    // A group that holds other groups but no parameter of its own (the host's "Object" tab) adds
    // only depth: its children stand at the top.
    const holders = new Set(object.groups.filter((g) => !object.parameters.some((p) => p.group === g.id) &&
      object.groups.some((c) => c.parent === g.id)).map((g) => g.id));
    for (const g of object.groups) if (holders.has(g.id)) sections.set(g.id, root);

    let buttons = null;
    for (const p of object.parameters) {
      const body = section(p.group ?? null);
      if (p.type === 'BUTTON') {
        if (!buttons || buttons.parentNode !== body) {
          buttons = el('div', { class: 'param buttons' }, el('span', { class: 'control' }));
          body.append(buttons);
        }
        buttons.firstChild.append(this.button(object, p));
        continue;
      }
      if (p.type === 'SEPARATOR') {
        body.append(el('div', { class: 'separator' }));
        continue;
      }
      buttons = null;
      const field = makeField(p, { ...this.context, send: (q, text, options) => this.context.send(object, q, text, options) });
      this.fields.set(p.identifier, field);
      body.append(field.row);
    }
    this.body.replaceChildren(root);
  }

  button(object, p) {
    const b = el('button', { type: 'button', 'data-identifier': p.identifier, text: p.label,
      title: `${p.label} (${p.identifier})`, disabled: p.enabled === false });
    b.hidden = p.shown === false;
    b.addEventListener('click', () => this.context.press(object, p));
    this.fields.set(p.identifier, {
      row: b,
      update(q) { b.disabled = q.enabled === false; b.hidden = q.shown === false; },
      refuse() {},
      clear() {},
    });
    return b;
  }

  // A section whose every field is hidden is hidden too.
  foldEmptyGroups() {
    for (const g of this.body.querySelectorAll('.group')) {
      g.hidden = ![...g.querySelectorAll('.param:not(.buttons), .param.buttons button')].some((n) => !n.hidden);
    }
  }

  field(path, identifier) {
    return this.object && this.object.path === path ? this.fields.get(identifier) : undefined;
  }

  clearRefusals() {
    for (const f of this.fields.values()) f.clear();
  }
}
