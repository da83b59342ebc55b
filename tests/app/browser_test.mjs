// Opens a zvplot viewer page from the file system in headless Chromium and checks that it shows a
// plot: the page is ready (no error), it drew into a WebGL canvas, many pixels differ from the
// background, it asked for nothing from the network, and with --frames N its animation plays and
// pauses. With --points the page has a sample points layer that its checkbox and the P key switch
// off and on; with --sparse the picture may be as sparse as the plot's points alone. Saves a
// screenshot.
//   node browser_test.mjs PAGE.html SCREENSHOT.png [--frames N] [--points] [--sparse]
import { chromium } from 'playwright-core';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { inflateSync } from 'node:zlib';

const [page_, shot, ...rest] = process.argv.slice(2);
const framesAt = rest.indexOf('--frames');
const framesWanted = framesAt >= 0 ? Number(rest[framesAt + 1]) : 1;
const pointsWanted = rest.includes('--points');
const leastDrawn = rest.includes('--sparse') ? 0.005 : 0.05;
if (!page_ || !shot) {
  console.error('usage: node browser_test.mjs PAGE.html SCREENSHOT.png [--frames N] [--points] [--sparse]');
  process.exit(2);
}

function check(ok, what) {
  if (!ok) throw new Error(what);
}

// The pixels of an 8-bit RGB or RGBA PNG (what Chromium's screenshots are).
function decodePng(buf) {
  let pos = 8, width = 0, height = 0, depth = 0, type = 0, interlace = 0;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos);
    const name = buf.toString('ascii', pos + 4, pos + 8);
    const data = buf.subarray(pos + 8, pos + 8 + len);
    if (name === 'IHDR') {
      [width, height] = [data.readUInt32BE(0), data.readUInt32BE(4)];
      [depth, type, interlace] = [data[8], data[9], data[12]];
    } else if (name === 'IDAT') idat.push(data);
    else if (name === 'IEND') break;
    pos += 12 + len;
  }
  check(depth === 8 && (type === 2 || type === 6) && !interlace, 'unexpected PNG format');
  const bpp = type === 6 ? 4 : 3, stride = width * bpp;
  const raw = inflateSync(Buffer.concat(idat));
  const px = Buffer.alloc(height * stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const i = y * stride + x;
      const a = x >= bpp ? px[i - bpp] : 0, b = y ? px[i - stride] : 0;
      const c = x >= bpp && y ? px[i - stride - bpp] : 0;
      let v = line[x];
      if (filter === 1) v += a;
      else if (filter === 2) v += b;
      else if (filter === 3) v += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      px[i] = v & 255;
    }
  }
  return { width, height, bpp, px };
}

// Share of pixels that differ from the background, and how many colours the picture has.
function coverage(png, background) {
  const { width, height, bpp, px } = png;
  let drawn = 0;
  const colours = new Set();
  for (let i = 0; i < width * height; ++i) {
    const [r, g, b] = [px[i * bpp], px[i * bpp + 1], px[i * bpp + 2]];
    const d = Math.max(Math.abs(r - background[0]), Math.abs(g - background[1]), Math.abs(b - background[2]));
    if (d > 12) ++drawn;
    colours.add(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
  }
  return { drawn: drawn / (width * height), colours: colours.size };
}

async function checkAnimation(page) {
  const state = () => page.evaluate(() => ({ ...document.body.dataset }));
  check((await state()).frames === String(framesWanted), `expected ${framesWanted} frames`);
  const seen = new Set();
  for (let i = 0; i < 12; ++i) {
    seen.add((await state()).frame);
    await page.waitForTimeout(100);
  }
  check(seen.size >= 2, 'the animation does not play');
  await page.click('#play');
  check((await state()).playing === 'false', 'the pause button does not pause');
  const held = (await state()).frame;
  await page.waitForTimeout(400);
  check((await state()).frame === held, 'the animation goes on while paused');
  await page.click('#play');
  check((await state()).playing === 'true', 'the play button does not resume');
}

// Share of pixels that differ between two pictures of the same size.
function changed(a, b) {
  let n = 0;
  for (let i = 0; i < a.width * a.height; ++i) {
    for (let k = 0; k < 3; ++k) {
      if (Math.abs(a.px[i * a.bpp + k] - b.px[i * b.bpp + k]) > 12) { ++n; break; }
    }
  }
  return n / (a.width * a.height);
}

// The canvas alone, the panels hidden while it is taken.
async function picture(page) {
  await page.evaluate(() => document.querySelectorAll('.panel').forEach((p) => { p.style.visibility = 'hidden'; }));
  const png = decodePng(await page.screenshot());
  await page.evaluate(() => document.querySelectorAll('.panel').forEach((p) => { p.style.visibility = ''; }));
  return png;
}

// The points layer switches off (the picture changes where they were) and on again, by its
// checkbox and by its key. The share of the view that changed.
async function checkPointsLayer(page, withPoints) {
  const points = () => page.evaluate(() => document.body.dataset.points);
  check((await points()) === 'shown', `expected a points layer on show, not "${await points()}"`);
  await page.click('#points');
  check((await points()) === 'hidden', 'the checkbox does not switch the points off');
  await page.waitForTimeout(200);
  const share = changed(withPoints, await picture(page));
  check(share > 0.001, `switching the points off changes ${(100 * share).toFixed(2)}% of the view`);
  await page.keyboard.press('p');
  check((await points()) === 'shown', 'the P key does not switch the points on');
  return share;
}

const profile = mkdtempSync(join(tmpdir(), 'zvplot-chromium-'));
let context;
let status = 0;
try {
  context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.ZV_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1280, height: 800 },
    args: ['--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--no-first-run'],
  });
  const external = [], problems = [];
  await context.route('**/*', (route) => {
    const url = route.request().url();
    if (/^(file|data|blob):/.test(url)) return route.continue();
    external.push(url);
    return route.abort();
  });
  const page = context.pages()[0] ?? (await context.newPage());
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
  await page.goto(pathToFileURL(resolve(page_)).href);
  await page.waitForFunction(() => document.body.dataset.state !== 'loading', null, { timeout: 90000 });
  const body = await page.evaluate(() => ({ ...document.body.dataset, title: document.title,
    message: document.getElementById('message').textContent }));
  check(body.state === 'ready', `the page shows an error: ${body.message}`);
  const gl = await page.evaluate(() => {
    const c = document.querySelector('canvas');
    const ctx = c && (c.getContext('webgl2') || c.getContext('webgl'));
    return ctx ? { width: c.width, height: c.height, version: ctx.getParameter(ctx.VERSION) } : null;
  });
  check(gl && gl.width > 0 && gl.height > 0, 'no WebGL canvas');
  await page.waitForTimeout(300);  // a few frames for the damping to settle
  const background = body.background.match(/[0-9a-f]{2}/gi).map((h) => parseInt(h, 16));
  const shown = await picture(page);
  const { drawn, colours } = coverage(shown, background);
  check(drawn > leastDrawn, `the canvas is nearly blank (${(100 * drawn).toFixed(1)}% drawn)`);
  check(colours >= 20, `the picture has only ${colours} colours`);
  const pointsShare = pointsWanted ? await checkPointsLayer(page, shown) : 0;
  if (framesWanted > 1) await checkAnimation(page);
  await page.screenshot({ path: shot });
  check(external.length === 0, `the page asked the network for ${external.join(', ')}`);
  check(problems.length === 0, problems.join('\n'));
  console.log(`${page_}: "${body.title}" shown with ${gl.version}, ${(100 * drawn).toFixed(1)}% of the ` +
    `view drawn in ${colours} colours${pointsWanted ? `, the points layer switches ${(100 * pointsShare).toFixed(1)}% of it` : ''}` +
    `${framesWanted > 1 ? `, ${framesWanted} frames play and pause` : ''}; ` +
    `screenshot ${shot}`);
} catch (e) {
  console.error(`${page_}: ${e.message}`);
  status = 1;
} finally {
  if (context) await context.close();
  rmSync(profile, { recursive: true, force: true });
}
process.exit(status);
