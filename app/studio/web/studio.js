// The studio page: the host's working surface in the browser. Every user edit becomes a batch of
// the runner's actions posted to the server, one at a time and in order; a live edit (a slider,
// a handle, the playing timeline) replaces its own edit still waiting, so a slow evaluation skips
// steps instead of falling behind. After each answer the page shows what changed: the geometry
// (fetched only when its ETag moved), the handles, the fields and the tree.
import { api, ApiError } from './api.js';
import { AttributePanel } from './attributes.js';
import { Handles } from './handles.js';
import { ObjectTree } from './tree.js';
import { Timeline } from './timeline.js';
import { Viewport } from './viewport.js';
import { numberText } from './dom.js';

const $ = (id) => document.getElementById(id);
const body = document.body;

// The kinds the `add` action takes, in the order of the plot's Add Component choices.
const kComponents = ['mesh', 'grid', 'cage', 'labels'];
const isAddCommand = (p) => /_ADD_COMPONENT$/.test(p.identifier);

// ---- What the server reports, in the shapes the panels take ----------------------------------

// The plot at the top and its components below it (each names its parent's path), as the host's
// object manager shows them.
function treeOf(objects) {
  const nodes = objects.map((o) => ({ ...o, children: [] }));
  const byPath = new Map(nodes.map((n) => [n.path, n]));
  const roots = [];
  for (const n of nodes) (byPath.get(n.parent)?.children ?? roots).push(n);
  return roots;
}

// ---- The edit queue ---------------------------------------------------------------------------

const sameBatch = (a, b) => JSON.stringify(a) === JSON.stringify(b);

class Studio {
  constructor() {
    this.queue = [];
    this.running = null;  // the item whose request is out
    this.etag = null;
    this.objects = [];
    this.selected = null;
    this.described = { fonts: [], gradients: [] };
    this.edits = 0;
    this.previewed = null;  // {channel, actions} of the last preview sent
    this.viewport = new Viewport($('viewport'));
    this.handles = new Handles(this.viewport, (object, index, p, gesture) =>
      this.edit(gesture === 'cancel' ? [] : [['handle', object, index, p.x, p.y, p.z]],
        { channel: `handle:${object}:${index}`, gesture }));
    this.tree = new ObjectTree($('tree'), {
      select: (path) => this.select(path),
      enable: (o, on) => this.edit([[on ? 'enable' : 'disable', o.path]], {}),
    });
    const self = this;
    const fieldContext = {
      send: (o, p, text, options = {}) => this.edit(options.gesture === 'cancel' ? [] : [['set', `${o.path}.${p.identifier}`, text]],
        { ...options, channel: `set:${o.path}.${p.identifier}`, field: [o.path, p.identifier, text] }),
      press: (o, p) => (/_HELP$/.test(p.identifier) ? help() : this.edit([['press', `${o.path}.${p.identifier}`]], {})),
      command: { matches: isAddCommand, run: (p, i) => this.add(kComponents[i]) },
      get fonts() { return self.described.fonts || []; },
      get gradients() { return self.described.gradients || []; },
    };
    this.attributes = new AttributePanel($('attributes-title'), $('attribute-panel'), fieldContext);
    this.timeline = new Timeline({
      frame: (n, live) => this.edit([['frame', n]], { channel: 'frame', live }),
      end: (n, frame) => this.edit(frame === null ? [['end-frame', n]] : [['end-frame', n], ['frame', frame]], {}),
      fps: (n) => this.edit([['fps', n]], {}),
      paused: (frame) => this.paused(frame),
    });
  }

  // Queues a batch of actions. options: channel (a later edit of the same channel replaces this one
  // while it waits, when this one is a preview), gesture ("preview", "end", "cancel": a drag's
  // steps, its release and its Esc), live (a frame of a scrub or of playing), field ([object,
  // identifier, text] that shows a refusal).
  edit(actions, options = {}) {
    options = { ...options, live: options.live || options.gesture === 'preview' };
    const item = { kind: 'actions', actions, options, time: performance.now() };
    const waiting = options.channel ? this.queue.findIndex((q) => q.options.channel === options.channel && q.options.live) : -1;
    if (waiting >= 0) this.queue[waiting] = item;
    else this.queue.push(item);
    this.run();
  }

  request(kind, call) {
    this.queue.push({ kind, call, options: {}, time: performance.now() });
    this.run();
  }

  // Playing stopped at the frame shown: the frames still waiting are dropped, and the one on its
  // way is not shown; the document goes back to the frame shown when it was already moved on.
  paused(frame) {
    this.queue = this.queue.filter((q) => q.options.channel !== 'frame');
    const out = this.running;
    if (out && out.options.channel === 'frame') {
      out.dropped = true;
      if (!sameBatch(out.actions, [['frame', frame]])) this.edit([['frame', frame]], { channel: 'frame' });
    }
  }

  async run() {
    if (this.running) return;
    $('busy').hidden = false;
    while (this.queue.length) {
      const item = this.running = this.queue.shift();
      try {
        await this.perform(item);
      } catch (e) {
        this.failed(item, e);
      }
    }
    this.running = null;
    $('busy').hidden = true;
    body.dataset.idle = 'true';
  }

  // The batch as it goes out: a gesture's end whose value its last preview sent already only ends
  // the gesture, rather than evaluate the same value again.
  async send(item) {
    const { gesture, channel } = item.options;
    let actions = item.actions;
    if (gesture === 'end' && this.previewed && this.previewed.channel === channel && sameBatch(this.previewed.actions, actions)) actions = [];
    this.previewed = gesture === 'preview' ? { channel, actions } : null;
    return api.actions(actions, false, gesture);
  }

  async perform(item) {
    body.dataset.idle = 'false';
    const sent = performance.now();
    const before = this.undoCount;
    let answer = item.kind === 'actions' ? await this.send(item) : await item.call();
    if (item.kind === 'actions' && answer.questions && answer.questions.length) {
      answer = await this.askAgain(item, answer, before);
    }
    const answered = performance.now() - sent;
    if (item.dropped) return;
    if (!item.options.live) this.attributes.clearRefusals();
    else if (item.options.field) this.attributes.field(item.options.field[0], item.options.field[1])?.clear();
    await this.show(answer, item, answered);
  }

  // The module asked (answered no, as a headless host does): the user answers in a dialog, and a
  // yes sends the batch again with its questions answered yes, in place of the no (which is
  // undone first when it made a step).
  async askAgain(item, answer, before) {
    const asked = answer.questions.filter((q) => q.answer !== 'yes');
    if (!asked.length) return answer;
    const yes = await this.ask(asked.map((q) => q.text).join('\n\n'));
    if (!yes) {
      this.status(`Answered no: ${asked[0].text}`);
      return answer;
    }
    const counted = answer.history && typeof answer.history.undo === 'number' && typeof before === 'number';
    if (!counted || answer.history.undo > before) await api.undo();
    return api.actions(item.actions, true);
  }

  ask(text) {
    const dialog = $('question');
    $('question-text').textContent = text;
    body.dataset.question = text;
    return new Promise((resolve) => {
      dialog.addEventListener('close', () => {
        delete body.dataset.question;
        resolve(dialog.returnValue === 'yes');
      }, { once: true });
      dialog.returnValue = '';
      dialog.showModal();
      dialog.querySelector('button.primary').focus();
    });
  }

  failed(item, e) {
    const message = e instanceof ApiError ? e.message : String(e && e.message ? e.message : e);
    const field = item.options.field;
    const shown = field && this.attributes.field(field[0], field[1]);
    if (shown && e instanceof ApiError && e.status === 400) shown.refuse(message, e.body.column || 0, field[2]);
    this.status(message, true);
    body.dataset.lastError = message;
    if (e instanceof ApiError && e.status !== 400) console.warn(message);
  }

  // After an answer: the geometry when its ETag moved and the handles, then (when no other edit
  // waits) the fields and the tree, which the picture does not wait for. The timeline shows the
  // answer's frame once its picture is drawn. The edit's time runs from the user's act to the
  // picture.
  async show(answer, item, answered) {
    // A new time changes no parameter: the fields wait for an edit that can.
    const timeOnly = item.kind === 'actions' && item.actions.every((a) => a[0] === 'frame');
    const settled = !timeOnly && (this.queue.length === 0 || !item.options.live);
    if (answer && answer.scene) this.sceneChanged(answer.scene);
    if (answer && answer.history) this.history(answer.history);
    const geometryChanged = !answer || !answer.changed || answer.changed.geometry !== false;
    // Every request goes out at once; the server answers them in this order, the small ones first.
    // The handles wait for the geometry, so that one drawing shows both.
    const handles = api.handles();
    const geometry = geometryChanged ? api.geometry(this.etag) : null;
    const described = settled ? api.describe() : null;
    for (const r of [handles, described]) r?.catch(() => {});  // met where awaited, below
    let loaded = false, placed;
    try {
      loaded = geometry ? await this.loadGeometry(geometry, item.time) : false;
      this.handles.update(await handles);
    } finally {
      placed = performance.now();
      this.viewport.drawNow();  // whatever did arrive
      if (answer && answer.scene) this.timeAnswered(answer);
    }
    const shownMs = performance.now() - item.time;
    body.dataset.lastPhases = `answer ${answered.toFixed(0)} ms, geometry ` +
      (loaded ? `fetched after ${this.fetchedMs.toFixed(0)} ms, ` : '') +
      `in place after ${(placed - item.time).toFixed(0)} ms, drawn ${(performance.now() - placed).toFixed(0)} ms later`;
    if (described) this.describe(await described);
    this.edits += 1;
    const serverMs = answer && Number.isFinite(answer.serverMs) ? answer.serverMs : answered;
    Object.assign(body.dataset, { edits: String(this.edits), lastEditMs: shownMs.toFixed(1),
      lastAnswerMs: answered.toFixed(1), lastServerMs: serverMs.toFixed(1), geometryLoaded: String(loaded),
      lastShownMs: (performance.now() - item.time - answered).toFixed(1) });
    if (answer && answer.notes && answer.notes.length) {
      this.status(answer.notes.join('; '));
    } else if (!timeOnly || !item.options.live) {
      const what = item.kind !== 'actions' ? item.kind
        : item.actions.map((a) => a[0]).join(', ') || (item.options.channel || '').split(':')[0] || 'edit';
      this.status(`${what}${item.options.live ? ' (dragging)' : ''}: shown in ${shownMs.toFixed(0)} ms (server ${serverMs.toFixed(0)} ms)`);
    }
  }

  async loadGeometry(request, since) {
    const g = await request;
    this.fetchedMs = performance.now() - since;
    if (!g) return false;
    this.viewport.setGeometry(g.scene);
    this.etag = g.etag;
    this.geometryVersion = (this.geometryVersion || 0) + 1;
    body.dataset.geometry = String(this.geometryVersion);
    $('show-points').disabled = !this.viewport.hasPointsLayer();
    $('show-points').checked = this.viewport.showingPoints();
    return true;
  }

  describe(described) {
    this.described = described;
    this.objects = this.described.objects || [];
    if (!this.objects.some((o) => o.path === this.selected)) this.selected = this.objects[0]?.path ?? null;
    this.tree.show(treeOf(this.objects), this.selected);
    this.attributes.show(this.objects.find((o) => o.path === this.selected) || null);
    this.fillAddMenu();
    body.dataset.objects = String(this.objects.length);
  }

  select(path) {
    this.selected = path;
    this.tree.show(treeOf(this.objects), path);
    this.attributes.show(this.objects.find((o) => o.path === path) || null);
  }

  sceneChanged(scene) {
    const plot = (scene.objects || []).find((o) => o.kind === 'plot');
    const s = plot && plot.samples;
    if (s) {
      $('stats').textContent = `R ${s.resolution} \u00b7 ${s.count} samples` +
        (s.nonFinite ? ` (${s.nonFinite} not numbers)` : '') +
        ` \u00b7 y ${numberText(Number(Number(s.valueMin).toPrecision(4)))} \u2026 ${numberText(Number(Number(s.valueMax).toPrecision(4)))}`;
    }
  }

  // The document's frame, range end and rate as the answer gives them (the end as a time in the
  // scene, or as a frame beside the frame).
  timeAnswered(answer) {
    const doc = answer.scene.document || {};
    const fps = Number(doc.fps) || 30;
    const frame = Number.isInteger(answer.frame) ? answer.frame : Math.round((Number(doc.time) || 0) * fps);
    const end = Number.isInteger(answer.endFrame) ? answer.endFrame
      : Number.isFinite(Number(doc.maxTime)) && doc.maxTime !== undefined ? Math.round(Number(doc.maxTime) * fps) : null;
    this.timeline.sync(frame, fps, end);
  }

  history(h) {
    if (typeof h.undo === 'number') body.dataset.undo = String(this.undoCount = h.undo);
    if (typeof h.undo === 'number') $('undo').disabled = h.undo === 0;
    if (typeof h.redo === 'number') $('redo').disabled = h.redo === 0;
  }

  add(kind) {
    if (kind) this.edit([['add', kind]], {});
  }

  // The + Add menu: the plot's Add Component choices, by their labels.
  fillAddMenu() {
    const menu = $('add-menu');
    const plot = this.objects.find((o) => o.kind === 'plot');
    const add = plot && plot.parameters.find(isAddCommand);
    if (menu.dataset.filled || !add) return;
    menu.dataset.filled = 'true';
    add.choices.forEach((c, i) => {
      if (!kComponents[i]) return;
      const b = document.createElement('button');
      b.type = 'button';
      b.dataset.kind = kComponents[i];
      b.textContent = c.label;
      b.addEventListener('click', () => {
        menu.hidden = true;
        this.add(kComponents[i]);
      });
      menu.append(b);
    });
  }

  status(text, error = false) {
    const s = $('status');
    s.textContent = text;
    s.classList.toggle('error', error);
  }

  async start() {
    if (!api.hasToken()) {
      this.status('This page needs the address zvplot --serve printed (with its ?token=...).', true);
      body.dataset.state = 'error';
      return;
    }
    this.request('start', async () => ({ scene: await api.scene() }));
    await new Promise((resolve) => {
      const wait = () => (this.running ? setTimeout(wait, 20) : resolve());
      wait();
    });
    body.dataset.state = body.dataset.lastError ? 'error' : 'ready';
    this.status(body.dataset.lastError || 'Ready.', !!body.dataset.lastError);
  }
}

let studio = null;
try {
  studio = new Studio();
  window.zvstudio = studio;
} catch (e) {
  // Without WebGL there is no viewport; say so rather than leave the page waiting.
  $('status').textContent = `The studio cannot start: ${e && e.message ? e.message : e} (is WebGL on in this browser?)`;
  $('status').classList.add('error');
  body.dataset.state = 'error';
}

// ---- Top bar, keys, files ---------------------------------------------------------------------

// The keys a focused control takes for itself: a shortcut acts on the others only. A text field
// and a menu keep every key; a switch or a button its Space and Enter; a slider its arrows; a
// knot of the gradient its Delete and arrows; the tree its arrows.
const kTyping = new Set(['TEXTAREA', 'SELECT']);
function ownKeys(t) {
  if (!t || !t.tagName || t === document.body) return null;
  if (kTyping.has(t.tagName) || t.isContentEditable) return 'all';
  if (t.tagName === 'INPUT' && !['checkbox', 'radio', 'range', 'color', 'button', 'file'].includes(t.type)) return 'all';
  if (t.type === 'range') return new Set(['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Home', 'End', 'PageUp', 'PageDown']);
  if (t.classList && t.classList.contains('knot')) return new Set(['Delete', 'Backspace', 'ArrowLeft', 'ArrowRight']);
  if (t.closest && t.closest('#tree')) return new Set(['ArrowUp', 'ArrowDown', ' ', 'Enter']);
  if (['INPUT', 'BUTTON', 'SUMMARY'].includes(t.tagName)) return new Set([' ', 'Enter']);
  return null;
}

function undo() { studio.request('undo', () => api.undo()); }
function redo() { studio.request('redo', () => api.redo()); }
function help() { $('shortcuts').showModal(); }

function openSceneFile(file) {
  if (!file) return;
  file.text().then((text) => studio.request(`open ${file.name}`, () => api.loadSceneFile(text)));
}

const kDownloads = {
  scene: ['/api/scene-file', 'scene.json'], glb: ['/api/geometry.glb', 'plot.glb'], html: ['/api/page.html', 'plot.html'],
  stl: ['/api/plot.stl', 'plot.stl'], '3mf': ['/api/plot.3mf', 'plot.3mf'], obj: ['/api/plot.obj', 'plot.obj'],
};

function download(what) {
  const [path, name] = kDownloads[what];
  api.download(path, name).then(() => studio.status(`Downloaded ${name}.`)).catch((e) => studio.status(e.message, true));
}

function menu(button, items) {
  button.addEventListener('click', (e) => {
    e.stopPropagation();
    const open = items.hidden;
    document.querySelectorAll('.menu-items').forEach((m) => { m.hidden = true; });
    items.hidden = !open;
  });
}

function keys(e) {
  const mod = e.ctrlKey || e.metaKey;
  const key = e.key.length === 1 ? e.key.toLowerCase() : e.key;
  if (document.querySelector('dialog[open]')) return;
  if (mod && key === 's') { e.preventDefault(); download('scene'); return; }
  if (mod && key === 'o') { e.preventDefault(); $('scene-input').click(); return; }
  // In a text field the browser's own undo edits the text.
  const own = ownKeys(e.target);
  if (own === 'all') return;
  if (mod && ((key === 'z' && e.shiftKey) || key === 'y')) { e.preventDefault(); redo(); return; }
  if (mod && key === 'z') { e.preventDefault(); undo(); return; }
  if (mod || e.altKey || (own && own.has(e.key))) return;
  const actions = {
    ' ': () => studio.timeline.toggle(),
    ArrowLeft: () => studio.timeline.step(-1),
    ArrowRight: () => studio.timeline.step(1),
    Home: () => studio.timeline.go(0, false),
    End: () => studio.timeline.go(studio.timeline.end, false),
    h: () => studio.viewport.frameAll(),
    f: () => studio.viewport.frameAll(),
    p: () => $('show-points').click(),
    g: () => $('show-floor').click(),
    '?': help,
  };
  const act = actions[key];
  if (!act) return;
  e.preventDefault();
  act();
}

// The panel's width is remembered where the browser lets the page keep it.
function remembered(key, value) {
  try {
    if (value === undefined) return localStorage.getItem(key);
    localStorage.setItem(key, value);
  } catch (e) { /* storage refused */ }
  return null;
}

function splitter() {
  const bar = $('splitter');
  const saved = Number(remembered('zvstudio.side'));
  if (saved >= 240) document.documentElement.style.setProperty('--side', `${saved}px`);
  bar.addEventListener('pointerdown', (e) => {
    bar.setPointerCapture(e.pointerId);
    const move = (m) => {
      const w = Math.min(Math.max(window.innerWidth - m.clientX, 240), window.innerWidth * 0.6);
      document.documentElement.style.setProperty('--side', `${w}px`);
      remembered('zvstudio.side', String(Math.round(w)));
    };
    bar.addEventListener('pointermove', move);
    bar.addEventListener('pointerup', () => bar.removeEventListener('pointermove', move), { once: true });
  });
}

function wire() {
  $('undo').addEventListener('click', undo);
  $('redo').addEventListener('click', redo);
  $('undo').disabled = $('redo').disabled = false;
  $('open-scene').addEventListener('click', () => $('scene-input').click());
  $('scene-input').addEventListener('change', (e) => {
    openSceneFile(e.target.files[0]);
    e.target.value = '';
  });
  menu($('download'), $('download-menu'));
  menu($('add-component'), $('add-menu'));
  document.addEventListener('click', () => document.querySelectorAll('.menu-items').forEach((m) => { m.hidden = true; }));
  for (const b of document.querySelectorAll('[data-download]')) b.addEventListener('click', () => download(b.dataset.download));
  $('keys').addEventListener('click', help);
  $('show-points').addEventListener('change', (e) => {
    studio.viewport.setPointsVisible(e.target.checked, true);
    body.dataset.points = e.target.checked ? 'shown' : 'hidden';
  });
  $('show-floor').addEventListener('change', (e) => studio.viewport.setFloorVisible(e.target.checked));
  $('frame-all').addEventListener('click', () => studio.viewport.frameAll());
  window.addEventListener('keydown', keys);
  // A closed menu does not jump to the entry a typed letter starts (the Preset menu would replace
  // the formula): letters stay the shortcuts' and the menu keeps its arrows.
  window.addEventListener('keydown', (e) => {
    if (e.target.tagName === 'SELECT' && e.key.length === 1 && e.key !== ' ' && !e.ctrlKey && !e.metaKey && !e.altKey) e.preventDefault();
  }, true);
  window.addEventListener('dragover', (e) => e.preventDefault());
  window.addEventListener('drop', (e) => {
    e.preventDefault();
    openSceneFile(e.dataTransfer.files[0]);
  });
  splitter();
}

if (studio) {
  // A fault of the page itself shows where the user looks, not only in the console.
  window.addEventListener('error', (e) => studio.status(`The page failed: ${e.message}`, true));
  window.addEventListener('unhandledrejection', (e) =>
    studio.status(`The page failed: ${e.reason && e.reason.message ? e.reason.message : e.reason}`, true));
  wire();
  studio.start().catch((e) => {
    studio.status(`The studio could not start: ${e.message}`, true);
    body.dataset.state = 'error';
  });
}
