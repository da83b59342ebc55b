// Drives the studio page in headless Chromium as a user does, against a running `zvplot --serve`:
// the page loads and draws the plot, a new formula changes the picture, a formula that does not
// parse is marked in its field and changes nothing, undo and redo keys step through the edits,
// Reset puts the formula back, the gradient editor adds and removes a knot, adding a second
// surface asks and a yes adds it, dragging the size handle changes O3DPLOT_SIZE, and with the
// formula t the timeline moves the surface. Prints the time from an edit to its picture at
// R = 50 and R = 1000, and leaves screenshots in OUTDIR.
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
  await edit(page, async () => {
    await page.mouse.move(at.x, at.y);
    await page.mouse.down();
    await page.mouse.move((at.x + tip.x) / 2, (at.y + tip.y) / 2, { steps: 4 });
    await page.mouse.move(tip.x, tip.y, { steps: 4 });
    await page.mouse.up();
  });
  const after = (await plotValues()).values.O3DPLOT_SIZE;
  check(Math.abs(after - before - 100) < 10, `dragging the size handle 50 units out made the size ${after} (from ${before})`);
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
  if (resolution !== 50) {
    await page.click('#tree [data-kind="grid"]');
    await setNumber(page, 'O3DPLOTGRID_STEP', Math.ceil(resolution / 50));
    await page.click('#tree [data-kind="plot"]');
    await setNumber(page, 'O3DPLOT_RESOLUTION', resolution);
  }
  const shown = [], answered = [], server = [];
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
    const s = await setFormula(page, i % 2 ? 'Sin(x) * Cos(z)' : 'Sin(x*2) * Cos(z*2)');
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
  }
  return `an edit at R = ${resolution} shows in ${summary(shown)}; its answer comes in ${summary(answered)}, ` +
    `of which the server works ${summary(server)} (${count} edits)`;
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
  page.on('request', (r) => { if (r.url().includes('/api/geometry.glb')) geometryFetches += 1; });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  if (process.env.ZV_DEBUG) page.on('request', (r) => console.log(r.method(), r.url(), r.postData() || ''));
  page.on('console', (m) => {
    // A refused edit is an answer the page shows, not a fault.
    if (m.type() === 'error' && !/status of 400/.test(m.text())) problems.push(`console: ${m.text()}`);
  });
  for (const step of [loads, formula, undoRedo, reset, gradient, secondMesh, handleDrag, timeline]) console.log(`${step.name}: ${await step(page)}`);
  console.log(await latency(page, 50, 10));
  console.log(await latency(page, 1000, 3));
  await shot(page, 'r1000.png');
  check(elsewhere.length === 0, `the page asked the network for ${elsewhere.join(', ')}`);
  check(problems.length === 0, problems.join('\n'));
  console.log(`screenshots in ${outDir}`);
} catch (e) {
  console.error(`studio: ${e.message}`);
  status = 1;
} finally {
  await browser.close();
}
process.exit(status);
