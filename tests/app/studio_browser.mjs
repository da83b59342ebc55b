// Drives the studio page in headless Chromium as a user does, against a running `zvplot --serve`:
// the page loads and draws the plot, a new formula changes the picture, a formula that does not
// parse is marked in its field and changes nothing, undo and redo keys step through the edits,
// Reset puts the formula back, the gradient editor adds and removes a knot, adding a second
// surface asks and a yes adds it, dragging the size handle changes O3DPLOT_SIZE, and with the
// formula t the timeline moves the surface. Then the habits of a 3D application's working
// surface, each a check of its own: a drag is one undo step, playing none; the frame fields apply
// once; shortcuts leave focused controls alone; refusals name the field and go away; the
// viewport draws the floor under the plot and the lines over it, a net finer than the pixels
// faded, and shades facets where Phong is off; the timeline loops, pauses and keeps its range;
// knots take the focus; the layout holds at 800 x 600. Prints the time from an edit to its
// picture at R = 50, 200 and 1000, and leaves screenshots in OUTDIR.
//   node studio_browser.mjs URL OUTDIR
import { chromium } from 'playwright-core';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';

const [address, outDir] = process.argv.slice(2);
if (!address || !outDir) {
  console.error('usage: node studio_browser.mjs URL OUTDIR');
  process.exit(2);
}
const origin = new URL(address).origin;
const token = new URL(address).searchParams.get('token');
mkdirSync(outDir, { recursive: true });

function check(ok, what) {
  if (!ok) throw new Error(what);
}

async function api(path) {
  const r = await fetch(origin + path, { headers: { 'X-Zorvantix-Token': token } });
  check(r.ok, `${path} answered ${r.status}`);
  return r.json();
}

// The plot's parameters in the dump, by identifier (the dump keys them by number).
async function plotValues() {
  const [scene, described] = await Promise.all([api('/api/scene?arrays=0'), api('/api/describe')]);
  const ids = new Map(described.objects[0].parameters.map((p) => [String(p.id), p.identifier]));
  const plot = scene.objects.find((o) => o.kind === 'plot');
  const values = {};
  for (const [id, v] of Object.entries(plot.parameters)) values[ids.get(id) ?? id] = v;
  return { values, scene, plot };
}

const state = (page) => page.evaluate(() => ({ ...document.body.dataset }));

// Runs what the user does and waits until the page has shown every answer it brought.
async function edit(page, what) {
  const before = Number((await state(page)).edits || 0);
  await what();
  await page.waitForFunction((n) => Number(document.body.dataset.edits || 0) > n && document.body.dataset.idle === 'true',
    before, { timeout: 60000 });
  return state(page);
}

// The view shrunk to a small picture, to tell whether what it shows changed.
const thumbnail = (page) => page.evaluate(() => window.zvstudio.viewport.picture(96, 60));

function changed(a, b) {
  let n = 0;
  for (let i = 0; i < a.length; i += 4) {
    if (Math.max(Math.abs(a[i] - b[i]), Math.abs(a[i + 1] - b[i + 1]), Math.abs(a[i + 2] - b[i + 2])) > 12) ++n;
  }
  return n / (a.length / 4);
}

function drawnShare(pixels) {
  let n = 0;
  for (let i = 0; i < pixels.length; i += 4) if (pixels[i + 3] > 0) ++n;
  return n / (pixels.length / 4);
}

const shot = (page, name) => page.screenshot({ path: join(outDir, name) });
const formulaField = (page) => page.locator('[data-identifier="O3DPLOT_FORMULA"] input');

async function setFormula(page, text) {
  const f = formulaField(page);
  await f.fill(text);
  return edit(page, () => f.press('Enter'));
}

async function loads(page) {
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.state !== 'loading', null, { timeout: 90000 });
  const s = await state(page);
  check(s.state === 'ready', `the page did not start: ${s.lastError || (await page.textContent('#status'))}`);
  await page.waitForTimeout(300);
  const share = drawnShare(await thumbnail(page));
  check(share > 0.05, `the viewport is nearly empty (${(100 * share).toFixed(1)}% drawn)`);
  check(await page.locator('#tree [data-kind="mesh"]').count() === 1, 'the tree does not list the surface');
  await shot(page, 'studio.png');
  return `the plot shows (${(100 * share).toFixed(0)}% of the view drawn)`;
}

async function formula(page) {
  const before = await thumbnail(page);
  await setFormula(page, 'Sin(x*2) * Cos(z)');
  const share = changed(before, await thumbnail(page));
  check(share > 0.02, `a new formula changed only ${(100 * share).toFixed(2)}% of the view`);
  check((await plotValues()).values.O3DPLOT_FORMULA === 'Sin(x*2) * Cos(z)', 'the server did not take the formula');
  await shot(page, 'formula.png');

  const f = formulaField(page);
  await f.fill('Sin(x*2) * Cos(z');
  await f.press('Enter');
  await page.waitForSelector('[data-identifier="O3DPLOT_FORMULA"].refused .message');
  const column = await page.getAttribute('[data-identifier="O3DPLOT_FORMULA"]', 'data-error-column');
  check(column === '17', `the refused formula is marked at column ${column}, not 17`);
  check((await plotValues()).values.O3DPLOT_FORMULA === 'Sin(x*2) * Cos(z)', 'a refused formula changed the scene');
  await shot(page, 'refused.png');
  await f.press('Escape');
  return `a new formula changes ${(100 * share).toFixed(0)}% of the view; a broken one is marked at its column 17`;
}

async function gradientKnots() {
  const described = await api('/api/describe');
  return described.objects[0].parameters.find((p) => p.identifier === 'O3DPLOT_GRADIENT').text.split(',');
}

// A click on the gradient's bar adds a knot there; the remove button takes the selected one away.
async function gradient(page) {
  const before = await gradientKnots();
  const bar = await page.locator('.gradient .bar').boundingBox();
  await edit(page, () => page.mouse.click(bar.x + bar.width / 4, bar.y + bar.height / 2));
  const added = await gradientKnots();
  check(added.length === before.length + 1 && added.some((k) => k.startsWith('0.25:')),
    `a click a quarter along the bar made the gradient ${added.join(',')}`);
  await edit(page, () => page.click('.gradient button[title^="Remove"]'));
  const removed = await gradientKnots();
  check(removed.join(',') === before.join(','), `removing the new knot left ${removed.join(',')}`);
  return `a knot added at 0.25 and removed again (${added.length} knots, then ${removed.length})`;
}

async function undoRedo(page) {
  await page.locator('#viewport canvas').focus();
  await edit(page, () => page.keyboard.press('Control+z'));
  check((await plotValues()).values.O3DPLOT_FORMULA === 'Sin(x) * Cos(z)', 'Ctrl+Z did not undo the formula');
  check(await formulaField(page).inputValue() === 'Sin(x) * Cos(z)', 'the field does not show the undone formula');
  await edit(page, () => page.keyboard.press('Control+Shift+z'));
  check((await plotValues()).values.O3DPLOT_FORMULA === 'Sin(x*2) * Cos(z)', 'Ctrl+Shift+Z did not redo the formula');
  await edit(page, () => page.keyboard.press('Control+z'));
  await edit(page, () => page.keyboard.press('Control+y'));
  check((await plotValues()).values.O3DPLOT_FORMULA === 'Sin(x*2) * Cos(z)', 'Ctrl+Y did not redo the formula');
  return 'undo and redo keys step through the edits';
}

async function reset(page) {
  await edit(page, () => page.click('button[data-identifier="O3DPLOT_RESET"]'));
  const { values } = await plotValues();
  check(values.O3DPLOT_FORMULA === 'Sin(x) * Cos(z)', `Reset left the formula ${values.O3DPLOT_FORMULA}`);
  check(await formulaField(page).inputValue() === 'Sin(x) * Cos(z)', 'the field does not show the formula after Reset');
  return 'Reset puts the default formula back';
}

async function secondMesh(page) {
  const steps = await undoCount(page);
  await page.click('#add-component');
  await edit(page, async () => {
    await page.click('#add-menu button[data-kind="mesh"]');
    await page.waitForSelector('#question[open]');
    await page.click('#question button[value="no"]');
  });
  check((await undoCount(page)) === steps, 'answering No to the second surface made an undo step');
  await page.click('#add-component');
  const state1 = await edit(page, async () => {
    await page.click('#add-menu button[data-kind="mesh"]');
    await page.waitForSelector('#question[open]');
    const text = await page.textContent('#question-text');
    check(/already exists/.test(text), `the dialog asks "${text}"`);
    await shot(page, 'question.png');
    await page.click('#question button[value="yes"]');
  });
  check(state1.objects === '6', `after yes the scene has ${state1.objects} objects, not 6`);
  const { plot } = await plotValues();
  const meshes = plot.children.filter((c) => c.kind === 'mesh').length;
  check(meshes === 2, `the plot has ${meshes} surfaces after the dialog's yes`);
  check(await page.locator('#tree [data-kind="mesh"]').count() === 2, 'the tree does not list the second surface');
  await shot(page, 'two_meshes.png');
  // Its switch in the tree turns it off again (the plot goes on as the full plot).
  await edit(page, () => page.click('#tree [data-path="mesh:2"] .switch-dot'));
  const second = (await plotValues()).plot.children.filter((c) => c.kind === 'mesh')[1];
  check(second.enabled === false, 'the tree\'s switch did not turn the second surface off');
  return 'adding a second surface asks, yes adds it, and its switch turns it off';
}

async function handleDrag(page) {
  const before = (await plotValues()).values.O3DPLOT_SIZE;
  const at = await page.evaluate(() => {
    const h = window.zvstudio.handles.list.find((x) => x.index === 0);
    return window.zvstudio.viewport.toScreen(h.world);
  });
  const tip = await page.evaluate(() => {
    const h = window.zvstudio.handles.list.find((x) => x.index === 0);
    return window.zvstudio.viewport.toScreen(h.world.clone().addScaledVector(h.direction, 50));
  });
  const steps = await undoCount(page);
  await edit(page, async () => {
    await page.mouse.move(at.x, at.y);
    await page.mouse.down();
    await page.mouse.move((at.x + tip.x) / 2, (at.y + tip.y) / 2, { steps: 4 });
    await page.mouse.move(tip.x, tip.y, { steps: 4 });
    await page.mouse.up();
  });
  await settle(page);
  const after = (await plotValues()).values.O3DPLOT_SIZE;
  check(Math.abs(after - before - 100) < 10, `dragging the size handle 50 units out made the size ${after} (from ${before})`);
  check((await undoCount(page)) - steps === 1, `one handle drag made ${(await undoCount(page)) - steps} undo steps`);
  check(/handle/.test(await page.textContent('#status')), `after a handle drag the status bar says "${await page.textContent('#status')}"`);
  await shot(page, 'handle.png');
  return `dragging the size handle 50 units out makes the size ${after.toFixed(1)} from ${before}`;
}

async function timeline(page) {
  await setFormula(page, 't');
  const at0 = await thumbnail(page);
  await edit(page, () => page.locator('#frame-slider').fill('30'));
  const { scene } = await plotValues();
  check(Math.abs(scene.document.time - 1) < 1e-9, `the slider set the time ${scene.document.time}, not 1 s`);
  const share = changed(at0, await thumbnail(page));
  check(share > 0.01, `frame 30 of the formula t changed only ${(100 * share).toFixed(2)}% of the view`);
  check(await page.inputValue('#frame-number') === '30', 'the frame field does not show frame 30');
  await shot(page, 'timeline.png');

  await page.click('#play');
  await page.waitForTimeout(1500);
  await page.click('#play');
  await page.waitForFunction(() => document.body.dataset.idle === 'true');
  const played = Number((await state(page)).frame);
  check(played !== 30, 'playing did not move the timeline');
  await page.waitForTimeout(500);
  check(Number((await state(page)).frame) === played, 'the timeline moves on after pause');
  await edit(page, () => page.click('#to-start'));
  return `with the formula t, frame 30 changes ${(100 * share).toFixed(0)}% of the view; play reached frame ${played}`;
}

let geometryFetches = 0;

function summary(times) {
  const sorted = [...times].sort((a, b) => a - b);
  return `median ${sorted[Math.floor(sorted.length / 2)].toFixed(0)} ms, max ${sorted[sorted.length - 1].toFixed(0)} ms`;
}

async function setNumber(page, identifier, value) {
  const field = page.locator(`[data-identifier="${identifier}"] input.num`);
  await field.fill(String(value));
  await edit(page, () => field.press('Enter'));
}

// The time from pressing Enter on a new formula to the first picture that shows it, as the page
// measures it, and the server's share of it. At R = 1000 the grid keeps about 50 lines each way,
// as the full plot chooses its step for a resolution.
async function latency(page, resolution, count) {
  await selectObject(page, 'plot');
  if (resolution !== 50) {
    await page.click('#tree [data-kind="grid"]');
    await setNumber(page, 'O3DPLOTGRID_STEP', Math.ceil(resolution / 50));
    await page.click('#tree [data-kind="plot"]');
    await setNumber(page, 'O3DPLOT_RESOLUTION', resolution);
  }
  const shown = [], answered = [], server = [], afterAnswer = [];
  const draws = () => page.evaluate(() => window.zvstudio.viewport.draws);
  // Shader programs and GPU geometries after each edit: a replaced geometry is freed, and its
  // successor's materials find their programs compiled already.
  const held = () => page.evaluate(() => {
    const { programs, memory } = window.zvstudio.viewport.renderer.info;
    return `${programs.length} programs, ${memory.geometries} geometries`;
  });
  let first = null;
  for (let i = 0; i < count; ++i) {
    const [fetched, drawn] = [geometryFetches, await draws()];
    // Each edit a formula other than the one shown (Enter on the same text sends nothing).
    const shownNow = await formulaField(page).inputValue();
    const s = await setFormula(page, shownNow === 'Sin(x*2) * Cos(z*2)' ? 'Sin(x) * Cos(z)' : 'Sin(x*2) * Cos(z*2)');
    check(s.geometryLoaded === 'true', 'an edit did not bring new geometry');
    // A frame the page asked for meanwhile would draw the same picture again.
    await page.waitForTimeout(50);
    check(geometryFetches - fetched === 1, `an edit fetched the geometry ${geometryFetches - fetched} times`);
    check(await draws() - drawn === 1, `an edit drew the view ${await draws() - drawn} times`);
    const now = await held();
    first ??= now;
    check(now === first, `after an edit the viewport holds ${now}, after the first ${first}`);
    if (process.env.ZV_DEBUG) console.log(`  ${s.lastEditMs} ms: ${s.lastPhases}`);
    shown.push(Number(s.lastEditMs));
    answered.push(Number(s.lastAnswerMs));
    server.push(Number(s.lastServerMs));
    afterAnswer.push(Number(s.lastShownMs));
  }
  if (resolution === 200) {
    check(!(await page.locator('#show-points').isChecked()), 'at R = 200 the sample points are shown by default');
    await shot(page, 'r200.png');
  }
  return `| ${resolution} | ${summary(server)} | ${summary(afterAnswer)} | ${summary(shown)} | ${count} |`;
}

// ---- The working surface's habits ----------------------------------------------------------

const posts = [];  // the batches the page posted: {actions, gesture}
const undoCount = async (page) => Number((await state(page)).undo || 0);
const postsOf = (word, value) => posts.filter((b) => b.actions.some((a) => a[0] === word &&
  (value === undefined || String(a[a.length - 1]) === String(value)))).length;

// Waits until the page has nothing more to send or show.
const settle = (page) => page.waitForFunction(() => document.body.dataset.idle === 'true' &&
  !window.zvstudio.running && window.zvstudio.queue.length === 0, null, { timeout: 60000 });

async function selectObject(page, kind) {
  await page.click(`#tree [data-kind="${kind}"] .name`);
}

const field = (page, identifier) => page.locator(`[data-identifier="${identifier}"]`);

// Drags from one point to another in steps, as a hand does.
async function dragFrom(page, from, to, { steps = 8, before } = {}) {
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  for (let i = 1; i <= steps; ++i) {
    await page.mouse.move(from.x + ((to.x - from.x) * i) / steps, from.y + ((to.y - from.y) * i) / steps);
    await page.waitForTimeout(40);
  }
  if (before) await before();
  await page.mouse.up();
  await settle(page);
}

async function sliderPoint(page, identifier) {
  const box = await field(page, identifier).locator('input[type="range"]').boundingBox();
  const value = await field(page, identifier).locator('input[type="range"]').evaluate((r) => (r.value - r.min) / (r.max - r.min));
  return { x: box.x + 8 + value * (box.width - 16), y: box.y + box.height / 2 };
}

// A slider drag is one undo step, and the value it ends on is evaluated once.
async function sliderGesture(page) {
  await selectObject(page, 'plot');
  const at = await sliderPoint(page, 'O3DPLOT_RESOLUTION');
  const [steps, sent] = [await undoCount(page), posts.length];
  await dragFrom(page, at, { x: at.x + 30, y: at.y });
  const value = await field(page, 'O3DPLOT_RESOLUTION').locator('input.num').inputValue();
  const evaluated = posts.slice(sent).filter((b) => b.actions.some((a) => a[0] === 'set' && String(a[2]) === value)).length;
  const made = (await undoCount(page)) - steps;
  await setNumber(page, 'O3DPLOT_RESOLUTION', 50);
  check(made === 1, `one slider drag to R = ${value} made ${made} undo steps`);
  check(evaluated === 1, `the slider's last value ${value} was sent ${evaluated} times`);
  return `a slider drag to R = ${value} is one undo step, its last value sent once`;
}

// Esc during a drag puts the value back, with no undo step.
async function escapeGesture(page) {
  const at = await sliderPoint(page, 'O3DPLOT_RESOLUTION');
  const steps = await undoCount(page);
  await dragFrom(page, at, { x: at.x + 30, y: at.y }, { before: () => page.keyboard.press('Escape') });
  const { values } = await plotValues();
  check(values.O3DPLOT_RESOLUTION === 50 && (await undoCount(page)) === steps,
    `Esc during a slider drag left R = ${values.O3DPLOT_RESOLUTION} and ${(await undoCount(page)) - steps} undo steps`);
  return 'Esc during a drag puts R = 50 back, with no undo step';
}

// Playing moves through time, which is no edit.
async function playing(page) {
  await settle(page);  // the count before playing includes every answer of the edits before
  const [steps, sent] = [await undoCount(page), posts.length];
  await page.click('#play');
  await page.waitForTimeout(1200);
  await page.click('#play');
  await settle(page);
  const made = (await undoCount(page)) - steps;
  check(made === 0, `playing made ${made} undo steps: ${JSON.stringify(posts.slice(sent).filter((b) => b.actions.some((a) => a[0] !== 'frame') || b.gesture))}`);
  return 'playing makes no undo step';
}

// Enter in the frame field and the rate field applies the value once.
async function timeFields(page) {
  for (const [id, word, value, back] of [['#frame-number', 'frame', 12, 0], ['#fps', 'fps', 24, 30]]) {
    const before = postsOf(word, value);
    await page.fill(id, String(value));
    await page.press(id, 'Enter');
    await settle(page);
    const sent = postsOf(word, value) - before;
    await page.fill(id, String(back));
    await page.press(id, 'Enter');
    await settle(page);
    check(sent === 1, `Enter in ${id} sent ${word} ${value} ${sent} times`);
  }
  return 'Enter in the frame and rate fields applies once';
}

// Space on a focused switch switches it and does not play; a letter in a focused menu does not
// choose an entry.
async function focusedKeys(page) {
  const floor = page.locator('#show-floor');
  const was = await floor.isChecked();
  await floor.focus();
  await page.keyboard.press(' ');
  const [now, played] = [await floor.isChecked(), (await state(page)).playing === 'true'];
  if (played) await page.click('#play');
  await page.keyboard.press(' ');
  check(now !== was && !played, `Space on the focused Floor switch ${now !== was ? '' : 'did not switch it, '}${played ? 'started playing' : ''}`);

  await selectObject(page, 'plot');
  const preset = field(page, 'O3DPLOT_PRESET').locator('select');
  await preset.selectOption({ index: 3 });
  await settle(page);
  const chosen = (await plotValues()).values.O3DPLOT_FORMULA;
  await preset.focus();
  await page.keyboard.press('p');
  await page.waitForTimeout(200);
  await settle(page);
  const after = (await plotValues()).values.O3DPLOT_FORMULA;
  check(after === chosen, `P in the focused Preset menu made the formula ${after} (from ${chosen})`);
  return `Space on a switch switches it; P in the Preset menu keeps ${chosen}`;
}

// A refusal names the field by its label and goes away once the value is good again.
async function refusals(page) {
  await selectObject(page, 'plot');
  const height = field(page, 'O3DPLOT_HEIGHT');
  const refuse = async () => {
    await height.locator('input.num').fill('-5');
    await height.locator('input.num').press('Enter');
    await page.waitForSelector('[data-identifier="O3DPLOT_HEIGHT"].refused .message');
  };
  await refuse();
  const message = await height.locator('.message').textContent();
  await height.locator('input.num').press('Escape');
  const afterEscape = await height.evaluate((r) => r.classList.contains('refused'));
  await refuse();
  await edit(page, () => page.click('button[data-identifier="O3DPLOT_RESET"]'));
  const afterReset = await height.evaluate((r) => r.classList.contains('refused'));
  check(!afterEscape && !afterReset, `the refusal stays after ${afterEscape ? 'Esc' : 'Reset'}`);

  const position = page.locator('.gradient input[aria-label="Knot position"]');
  await page.locator('.gradient .knot').first().click();
  const was = await position.inputValue();
  await position.fill('abc');
  await position.press('Enter');
  const note = await page.locator('.gradient .knot-message').textContent();
  const shown = await position.inputValue();
  await position.press('Escape');
  check(/Knot position/.test(note) && shown === was, `a knot position "abc" says "${note}" and shows ${shown}`);
  check(/^Height\b/.test(message) && !/O3DPLOT|\(\d+\)/.test(message), `a refused height says "${message}"`);
  return `a refused height says "${message}"; the knot position refuses "abc"`;
}

// The view at its own size, kept in the page under a name (a picture that large is compared
// where it is).
const keep = (page, name) => page.evaluate((n) => {
  const v = window.zvstudio.viewport, c = v.renderer.domElement;
  (window.kept ??= {})[n] = v.picture(c.width, c.height);
}, name);

// The share of the pixels drawn in picture `mask` that differ between pictures a and b.
const changedWhere = (page, mask, a, b, least = 40) => page.evaluate(([m, x, y, least]) => {
  const { [m]: mask, [x]: a, [y]: b } = window.kept;
  let n = 0, drawn = 0;
  for (let i = 0; i < mask.length; i += 4) {
    if (mask[i + 3] < 255) continue;
    ++drawn;
    if (Math.max(Math.abs(a[i] - b[i]), Math.abs(a[i + 1] - b[i + 1]), Math.abs(a[i + 2] - b[i + 2])) > least) ++n;
  }
  return drawn ? n / drawn : 1;
}, [mask, a, b, least]);

async function switchOff(page, kind, on) {
  const dot = page.locator(`#tree [data-kind="${kind}"] .switch-dot`).first();
  if ((await dot.getAttribute('aria-pressed') === 'true') !== on) await edit(page, () => dot.click());
}

// The floor lies under the plot: switching it on changes none of the plot's pixels. The lines on
// the surface are drawn over it whole: the surface under them hides few of their pixels.
async function drawing(page) {
  await page.keyboard.press('Escape');
  await page.locator('#viewport canvas').focus();
  const points = page.locator('#show-points');
  if (await points.isChecked()) await points.click();
  await page.locator('#show-floor').uncheck();
  await keep(page, 'plot');
  await page.locator('#show-floor').check();
  await keep(page, 'floor');
  const floorShare = await changedWhere(page, 'plot', 'plot', 'floor');
  await page.locator('#show-floor').uncheck();
  for (const kind of ['cage', 'labels', 'mesh']) await switchOff(page, kind, false);
  await keep(page, 'lines');
  await switchOff(page, 'mesh', true);
  await keep(page, 'surface');
  const hidden = await changedWhere(page, 'lines', 'lines', 'surface');
  for (const kind of ['cage', 'labels']) await switchOff(page, kind, true);
  await page.locator('#show-floor').check();
  check(floorShare < 0.01, `the floor grid changes ${(100 * floorShare).toFixed(1)}% of the plot's pixels`);
  check(hidden < 0.1, `the surface hides ${(100 * hidden).toFixed(1)}% of the grid's line pixels`);

  // Facets a few pixels wide differ little from the smooth surface: the switch shows at R = 12.
  await selectObject(page, 'plot');
  await setNumber(page, 'O3DPLOT_RESOLUTION', 12);
  await selectObject(page, 'mesh');
  await keep(page, 'smooth');
  await edit(page, () => field(page, 'O3DPLOTMESH_PHONG').locator('input').click());
  await keep(page, 'flat');
  const phong = await changedWhere(page, 'smooth', 'smooth', 'flat', 6);
  await edit(page, () => field(page, 'O3DPLOTMESH_PHONG').locator('input').click());
  await selectObject(page, 'plot');
  await setNumber(page, 'O3DPLOT_RESOLUTION', 50);
  check(phong > 0.15, `the Phong switch changes ${(100 * phong).toFixed(1)}% of the plot's pixels`);
  await shot(page, 'drawing.png');
  return `the floor changes ${(100 * floorShare).toFixed(1)}% of the plot, the surface hides ${(100 * hidden).toFixed(1)}% ` +
    `of the grid lines, Phong changes ${(100 * phong).toFixed(0)}% of the view`;
}

// At R = 200 the grid's 201 lines each way lie a pixel or two apart: they fade into the surface
// rather than cover it in a white moire, and come back whole when the view is zoomed in on them.
async function denseNet(page) {
  await selectObject(page, 'plot');
  await setNumber(page, 'O3DPLOT_RESOLUTION', 200);
  const points = page.locator('#show-points');
  if (await points.isChecked()) await points.click();
  await switchOff(page, 'grid', false);
  await keep(page, 'bare');
  await switchOff(page, 'grid', true);
  await keep(page, 'net');
  // A line drawn whole over the surface changes its pixels by far more than a faded one.
  const covered = await changedWhere(page, 'bare', 'bare', 'net', 80);
  const canvas = await page.locator('#viewport canvas').boundingBox();
  await page.mouse.move(canvas.x + canvas.width / 2, canvas.y + canvas.height / 2);
  for (let i = 0; i < 8; ++i) await page.mouse.wheel(0, -400);
  await page.waitForTimeout(800);
  const strength = await page.evaluate(() => {
    const v = window.zvstudio.viewport;
    v.draw();
    return Math.max(...v.nets.map((n) => n.material.opacity));
  });
  await page.click('#frame-all');
  await setNumber(page, 'O3DPLOT_RESOLUTION', 50);
  check(covered < 0.1, `at R = 200 the grid's lines cover ${(100 * covered).toFixed(0)}% of the plot's pixels`);
  check(strength === 1, `zoomed in, the grid's lines are drawn at ${strength.toFixed(2)} of their strength`);
  return `at R = 200 the grid's lines cover ${(100 * covered).toFixed(1)}% of the plot's pixels; zoomed in they are whole`;
}

const cameraDirection = (page) => page.evaluate(() => {
  const v = window.zvstudio.viewport;
  return v.camera.position.clone().sub(v.controls.target).normalize().toArray();
});

// Orbited to the plot's back, the labels still read the right way round, and H frames the plot
// from there.
// Each label's turn on screen: the sign of its own x and y axes' cross product as they are drawn
// (mirrored text has the other sign than from the front).
const labelTurns = (page) => page.evaluate(() => {
  const v = window.zvstudio.viewport;
  v.draw();
  return v.labels.map((l) => {
    const at = (dx, dy) => v.toScreen(l.object.localToWorld(l.centre.clone().add(l.centre.clone().set(dx, dy, 0))));
    const [o, x, y] = [at(0, 0), at(1, 0), at(0, 1)];
    return Math.sign((x.x - o.x) * (y.y - o.y) - (x.y - o.y) * (y.x - o.x));
  });
});

async function behind(page) {
  await page.locator('#viewport canvas').focus();
  const front = await labelTurns(page);
  // From the front every label stands as the module placed it.
  const placed = await page.evaluate(() => window.zvstudio.viewport.labels.every((l) => l.object.quaternion.equals(l.quaternion)));
  const box = await page.locator('#viewport canvas').boundingBox();
  const centre = { x: box.x + box.width / 2, y: box.y + box.height / 2 };
  await dragFrom(page, centre, { x: centre.x + box.height / 2, y: centre.y }, { steps: 10 });
  // The orbit's damping turns the view on for a while.
  for (let d = await cameraDirection(page), i = 0; i < 50; ++i) {
    await page.waitForTimeout(150);
    const now = await cameraDirection(page);
    if (now.every((x, k) => Math.abs(x - d[k]) < 1e-6)) break;
    d = now;
  }
  const back = await labelTurns(page);
  const mirrored = front.length ? back.filter((t, i) => t !== front[i]).length : 'all';
  await shot(page, 'behind.png');
  const d1 = await cameraDirection(page);
  await page.locator('#viewport canvas').focus();
  await page.keyboard.press('h');
  await page.waitForTimeout(300);
  const d2 = await cameraDirection(page);
  const angle = (Math.acos(Math.min(1, d1[0] * d2[0] + d1[1] * d2[1] + d1[2] * d2[2])) * 180) / Math.PI;
  await page.keyboard.press('h');
  check(placed && mirrored === 0, placed ? `${mirrored} labels read mirrored from behind` : 'from the front the labels are turned');
  check(angle < 1, `H turned the view by ${angle.toFixed(1)} degrees`);
  return `from behind none of ${front.length} labels reads mirrored; H keeps the view's direction (${angle.toFixed(2)} degrees)`;
}

// Playing loops over the whole range, the field, the slider and the picture show one frame, pause
// stops at once, the frame stays within the range and the range's end is the document's.
async function playback(page) {
  const set = async (id, v) => {
    await page.fill(id, String(v));
    await page.press(id, 'Enter');
    await settle(page);
  };
  await set('#frame-end', 20);
  await set('#frame-number', 15);
  await page.click('#play');
  const seen = [], apart = [];
  // A slow studio (a sanitizer's build) skips frames: it is given time to come round.
  const deadline = Date.now() + 20000;
  for (let i = 0; i < 25 || (!seen.some((f) => f < 15) && Date.now() < deadline); ++i) {
    await page.waitForTimeout(60);
    const [f, s, shown] = await page.evaluate(() => [document.getElementById('frame-number').value,
      document.getElementById('frame-slider').value, document.body.dataset.frame]);
    seen.push(Number(shown));
    if (f !== s || f !== shown) apart.push(`${f}/${s}/${shown}`);
  }
  await page.click('#play');
  const paused = (await state(page)).frame;
  await page.waitForTimeout(700);
  const later = (await state(page)).frame;
  check(seen.some((f) => f < 15), `playing from 15 to End 20 showed only ${[...new Set(seen)].join(',')}`);
  check(apart.length === 0, `field/slider/picture showed ${apart.join(' ')}`);
  check(later === paused && (await page.inputValue('#frame-number')) === paused, `paused at ${paused}, the frame moved on to ${later}`);

  await set('#frame-number', 18);
  await set('#frame-end', 10);
  const inside = Number((await state(page)).frame);
  check(inside <= 10, `lowering End to 10 left the frame at ${inside}`);
  await set('#frame-end', 60);
  const r = await fetch(`${origin}/api/scene-file`, { headers: { 'X-Zorvantix-Token': token } });
  const file = await r.json();
  const maxTime = file.document && file.document.maxTime;
  await set('#frame-end', 90);
  await set('#frame-number', 0);
  // A time is kept as [frames, rate] (or seconds).
  const seconds = Array.isArray(maxTime) ? maxTime[0] / maxTime[1] : maxTime;
  check(seconds === 2, `End 60 is ${JSON.stringify(maxTime)} in the scene file, not 2 s`);
  return `playing from 15 looped through ${Math.min(...seen)}..${Math.max(...seen)}; paused at ${paused}; End 10 moved the frame to ${inside}`;
}

// A knot clicked or dragged takes the focus, so Delete removes it; the named-gradient menu names
// the gradient chosen.
async function knots(page) {
  await selectObject(page, 'plot');
  const count = async () => (await gradientKnots()).length;
  const before = await count();
  await page.locator('.gradient .knot').nth(1).click();
  await edit(page, () => page.keyboard.press('Delete'));
  const clicked = await count();
  await edit(page, () => page.keyboard.press('Control+z'));
  const knot = await page.locator('.gradient .knot').nth(1).boundingBox();
  const from = { x: knot.x + knot.width / 2, y: knot.y + knot.height / 2 };
  await dragFrom(page, from, { x: from.x + 12, y: from.y }, { steps: 3 });
  await edit(page, () => page.keyboard.press('Delete'));
  const dragged = await count();
  await edit(page, () => page.keyboard.press('Control+z'));
  await edit(page, () => page.keyboard.press('Control+z'));
  check(clicked === before - 1 && dragged === before - 1,
    `Delete after a click left ${clicked} knots, after a drag ${dragged} (of ${before})`);

  const menu = page.locator('.gradient select[aria-label="Named gradient"]');
  const name = await menu.locator('option').nth(2).getAttribute('value');
  await edit(page, () => menu.selectOption(name));
  const shown = await menu.inputValue();
  check(shown === name, `after choosing ${name} the named-gradient menu shows "${shown}"`);
  await edit(page, () => page.click('button[data-identifier="O3DPLOT_RESET"]'));
  return `Delete removes a clicked and a dragged knot; the menu shows ${name}`;
}

// The Preset menu names no preset for a formula of the user's own; the Help button shows help.
async function lesser(page) {
  await selectObject(page, 'plot');
  await setFormula(page, 'x * z + 1');
  const preset = await field(page, 'O3DPLOT_PRESET').locator('select').inputValue();
  await page.click('button[data-identifier="O3DPLOT_HELP"]');
  const help = await page.locator('#shortcuts').evaluate((d) => d.open);
  if (help) await page.click('#shortcuts button[value="close"]');
  await edit(page, () => page.click('button[data-identifier="O3DPLOT_RESET"]'));
  check(preset === '', `for the formula x * z + 1 the Preset menu shows entry ${preset}`);
  check(help, 'the Help button showed nothing');
  return 'the Preset menu names no preset for x * z + 1; Help opens the help';
}

// The printable files download as the page names them.
async function downloads(page) {
  const names = [];
  for (const what of ['stl', '3mf', 'obj']) {
    await page.click('#download');
    const [file] = await Promise.all([
      page.waitForEvent('download', { timeout: 20000 }).catch(() => null),
      page.click(`[data-download="${what}"]`),
    ]);
    names.push(file ? file.suggestedFilename() : `no ${what} (${await page.textContent('#status')})`);
  }
  check(names.join(',') === 'plot.stl,plot.3mf,plot.obj', `the downloads gave ${names.join(', ')}`);
  return `the Download menu gives ${names.join(', ')}`;
}

// At 800 x 600 nothing overlaps or is cut: the viewport ends where the panel starts, every
// control of the timeline is inside it, and the tree's names and the attributes' labels fit.
async function layout(page) {
  await page.setViewportSize({ width: 800, height: 600 });
  await page.waitForTimeout(400);
  await selectObject(page, 'plot');
  const faults = await page.evaluate(() => {
    const box = (e) => e.getBoundingClientRect();
    const out = [];
    const viewport = box(document.getElementById('viewport')), side = box(document.getElementById('side'));
    if (viewport.right > side.left) out.push(`the viewport reaches ${viewport.right - side.left} px into the panel`);
    const line = box(document.getElementById('timeline'));
    for (const e of document.querySelectorAll('#timeline button, #timeline input')) {
      const b = box(e);
      if (b.width < 8 || b.left < line.left || b.right > line.right + 0.5 || b.bottom > line.bottom + 0.5) out.push(`${e.id || e.title} is cut`);
    }
    for (const e of document.querySelectorAll('#tree .name, #attribute-panel .param:not([hidden]) > .label, #attributes-title span')) {
      if (e.offsetParent && e.scrollWidth > e.clientWidth + 1) out.push(`"${e.textContent}" is cut`);
    }
    return out;
  });
  await shot(page, 'studio-800x600.png');
  await page.setViewportSize({ width: 1920, height: 1080 });
  await page.waitForTimeout(400);
  await shot(page, 'studio-1920x1080.png');
  await page.setViewportSize({ width: 1440, height: 900 });
  check(faults.length === 0, `at 800 x 600: ${faults.join('; ')}`);
  return 'at 800 x 600 nothing overlaps and nothing is cut';
}

const browser = await chromium.launch({
  executablePath: process.env.ZV_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
});
let status = 0;
try {
  const context = await browser.newContext({ viewport: { width: 1440, height: 900 } });
  const elsewhere = [], problems = [];
  await context.route('**/*', (route) => {
    const url = route.request().url();
    if (url.startsWith(origin + '/') || /^(data|blob):/.test(url)) return route.continue();
    elsewhere.push(url);
    return route.abort();
  });
  const page = await context.newPage();
  context.on('request', (r) => {
    if (r.url().includes('/api/geometry.glb')) geometryFetches += 1;
    if (r.url().endsWith('/api/actions') && r.method() === 'POST') posts.push(JSON.parse(r.postData() || '{}'));
  });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  if (process.env.ZV_DEBUG) page.on('request', (r) => console.log(r.method(), r.url(), r.postData() || ''));
  page.on('console', (m) => {
    // A refused edit is an answer the page shows, not a fault.
    if (m.type() === 'error' && !/status of 400/.test(m.text())) problems.push(`console: ${m.text()}`);
  });
  // Each check reports its own fault and the next one goes on from the page as it is.
  const failed = [];
  const only = (process.env.ZV_ONLY || '').split(',').filter(Boolean);  // to run a few while mending them
  const steps = [loads, formula, undoRedo, reset, gradient, secondMesh, handleDrag, timeline, sliderGesture,
    escapeGesture, playing, timeFields, focusedKeys, refusals, drawing, denseNet, playback, knots, lesser, downloads, layout, behind]
    .filter((s) => !only.length || s === loads || only.includes(s.name));
  for (const step of steps) {
    try {
      console.log(`${step.name}: ${await step(page)}`);
    } catch (e) {
      console.log(`${step.name}: FAILED: ${e.message}`);
      await shot(page, `failed-${step.name}.png`).catch(() => {});
      failed.push(step.name);
      if (step === loads) break;
      await page.keyboard.press('Escape').catch(() => {});
      await settle(page).catch(() => {});
    }
  }
  console.log('| R | server | answer to picture | edit to picture | edits |\n|---|---|---|---|---|');
  for (const [resolution, count] of [[50, 10], [200, 5], [1000, 3]].filter(([r]) => !only.length || only.includes(`r${r}`))) {
    try {
      console.log(await latency(page, resolution, count));
    } catch (e) {
      console.log(`latency at R = ${resolution}: FAILED: ${e.message} (the status bar: ${await page.textContent('#status')})`);
      failed.push(`latency ${resolution}`);
    }
  }
  await shot(page, 'r1000.png');
  check(elsewhere.length === 0, `the page asked the network for ${elsewhere.join(', ')}`);
  check(problems.length === 0, problems.join('\n'));
  check(failed.length === 0, `failed: ${failed.join(', ')}`);
  console.log(`screenshots in ${outDir}`);
} catch (e) {
  console.error(`studio: ${e.message}`);
  status = 1;
} finally {
  await browser.close();
}
process.exit(status);
