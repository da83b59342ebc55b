// The object tree: the plot and its components as the host's object manager lists them, each
// with its enable switch. A click selects an object for the attribute panel; the arrow keys move
// the selection.
import { el } from './dom.js';

const kIcons = {
  plot: 'M2 14V2M2 14h12M3 11c2-6 4-8 5-4s3 2 5-4',
  mesh: 'M1 11l5-6 4 3 5-5v10H1z',
  grid: 'M1 5h14M1 11h14M5 1v14M11 1v14',
  cage: 'M2 5l5-3 7 2v8l-5 3-7-3zM2 5l7 3 5-4M9 8v7',
  labels: 'M3 3h10M8 3v11M5 14h6',
};

function icon(kind) {
  const svg = document.createElementNS('http://www.w3.org/2000/svg', 'svg');
  svg.setAttribute('viewBox', '0 0 16 16');
  svg.setAttribute('class', 'icon');
  const path = document.createElementNS('http://www.w3.org/2000/svg', 'path');
  path.setAttribute('d', kIcons[kind] || 'M3 3h10v10H3z');
  svg.append(path);
  return svg;
}

export class ObjectTree {
  // `context`: select(path), enable(object, on).
  constructor(list, context) {
    this.list = list;
    this.context = context;
    this.selected = null;
    this.rows = [];
    this.folded = new Set();
    list.tabIndex = 0;
    list.addEventListener('keydown', (e) => this.key(e));
  }

  // nodes: [{path, kind, name, enabled, children}]
  show(nodes, selected) {
    this.selected = selected;
    this.rows = [];
    this.list.replaceChildren(...nodes.map((n) => this.item(n, 0)));
  }

  item(node, depth) {
    const row = el('div', { class: `row${node.path === this.selected ? ' selected' : ''}${node.enabled ? '' : ' off'}`,
      role: 'treeitem', 'data-path': node.path, 'data-kind': node.kind, style: `padding-left:${6 + depth * 16}px` },
    el('span', { class: 'twist', text: node.children && node.children.length ? (this.folded.has(node.path) ? '\u25B8' : '\u25BE') : '' }),
    icon(node.kind), el('span', { class: 'name', text: node.name, title: `${node.name} (${node.kind})` }));
    const dot = el('button', { type: 'button', class: `switch-dot${node.enabled ? ' on' : ''}`,
      title: node.enabled ? 'Enabled: click to switch off' : 'Disabled: click to switch on',
      'aria-label': `${node.name} enabled`, 'aria-pressed': node.enabled ? 'true' : 'false' });
    dot.addEventListener('click', (e) => {
      e.stopPropagation();
      this.context.enable(node, !node.enabled);
    });
    row.append(dot);
    row.addEventListener('click', () => this.context.select(node.path));
    this.rows.push(row);
    const li = el('li', { class: this.folded.has(node.path) ? 'folded' : '' }, row);
    if (node.children && node.children.length) {
      li.append(el('ul', { role: 'group' }, ...node.children.map((c) => this.item(c, depth + 1))));
      row.firstChild.addEventListener('click', (e) => {
        e.stopPropagation();
        const folded = li.classList.toggle('folded');
        row.firstChild.textContent = folded ? '\u25B8' : '\u25BE';
        if (folded) this.folded.add(node.path); else this.folded.delete(node.path);
      });
    }
    return li;
  }

  key(e) {
    if (e.key !== 'ArrowDown' && e.key !== 'ArrowUp') return;
    e.preventDefault();
    const rows = this.rows.filter((r) => !r.closest('li.folded > ul'));
    const at = rows.findIndex((r) => r.dataset.path === this.selected);
    const next = rows[Math.min(rows.length - 1, Math.max(0, at + (e.key === 'ArrowDown' ? 1 : -1)))];
    if (next) this.context.select(next.dataset.path);
  }
}
