// Small helpers the page's panels share: building elements, and numbers and colours as the
// fields show them.

export function el(tag, attrs = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (k === 'class') e.className = v;
    else if (k === 'text') e.textContent = v;
    else if (k.startsWith('on')) e.addEventListener(k.slice(2), v);
    else if (v !== undefined && v !== null && v !== false) e.setAttribute(k, v === true ? '' : v);
  }
  e.append(...children.filter((c) => c !== null && c !== undefined));
  return e;
}

// A number as a field shows it: twelve significant digits, so that a binary fraction's tail
// (0.30000000000000004) does not fill the field.
export function numberText(v) {
  if (typeof v === 'string') return v;  // "nan", "inf"
  if (!Number.isFinite(v)) return String(v);
  return String(Number(v.toPrecision(12)));
}

export function hexColour(rgb) {
  const c = (x) => Math.round(Math.min(1, Math.max(0, Number(x) || 0)) * 255).toString(16).padStart(2, '0');
  return `#${c(rgb[0])}${c(rgb[1])}${c(rgb[2])}`;
}

export function rgbOfHex(hex) {
  return [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16) / 255);
}

// A field typed into: Enter applies (once: leaving the field afterwards applies nothing more),
// Escape puts back the value last shown (the input's data-shown) and says so with a `revert`
// event, leaving the field applies what Enter has not.
export function textEntry(input, apply, { blurOnEnter = false } = {}) {
  let sent = null;
  const give = () => {
    if (input.value === sent) return;
    sent = input.value;
    apply(input.value);
  };
  input.addEventListener('focus', () => { sent = input.value; });
  input.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      give();
      if (blurOnEnter) input.blur();
    } else if (e.key === 'Escape') {
      input.value = input.dataset.shown ?? '';
      sent = input.value;
      input.dispatchEvent(new Event('revert', { bubbles: true }));
      input.blur();
    }
  });
  input.addEventListener('change', give);
}

// Calls `cancel` when Esc is pressed (before any control sees the key) until the returned
// function is called: a drag's way back to where it started.
export function onEscape(cancel) {
  const key = (e) => {
    if (e.key !== 'Escape') return;
    e.preventDefault();
    e.stopPropagation();
    cancel();
  };
  window.addEventListener('keydown', key, true);
  return () => window.removeEventListener('keydown', key, true);
}
