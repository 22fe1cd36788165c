// The browser build played in Chromium, Firefox and WebKitGTK (engines.mjs).
//   node tests/web/browser_test.mjs DIST NO_PIZZA_DIST DATA_DIR
//   TT_WEB_CASES=tilt node ...      only the cases whose names match
//   TT_WEB_ENGINES=firefox node ... only these engines (a regular expression)
// The cases every engine plays are marked so; the rest use Chromium's own
// protocol (touch screens, sensors, the manifest, a frozen page).
// The page's clock (performance.now) is held by the test and moved 30 ms at a
// time, so each step is exactly one game frame whatever the machine's speed;
// the test waits for the frame's glClear before it looks at the canvas.
import { createHash } from 'node:crypto';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { decodePng, serve } from './browser.mjs';
import { kEngines, openEngine } from './engines.mjs';

const [dist, noPizzaDist, dataDir] = process.argv.slice(2);
const kWidth = 960, kHeight = 640;

const kPinnedClock = `
  (() => {
    let now = 0;
    performance.now = () => now;
    window.ttAdvance = (ms) => { now += ms; };
    window.ttFrames = 0;
    window.ttSounds = [];  // the sample count of each clip the page starts
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function (...args) {
      window.ttSounds.push(this.buffer.length);
      return start.apply(this, args);
    };
    const clear = WebGLRenderingContext.prototype.clear;
    WebGLRenderingContext.prototype.clear = function (mask) {
      window.ttFrames += 1;
      return clear.call(this, mask);
    };
    window.ttTilts = 0;
    addEventListener('deviceorientation', () => { window.ttTilts += 1; });
    // Whether each key came out of the page with its default prevented.
    window.ttKeys = [];
    addEventListener('keydown',
      (e) => setTimeout(() => window.ttKeys.push([e.key, e.defaultPrevented])));
    // The page's errors, in every engine (WebKit's console cannot be read).
    window.ttErrors = [];
    addEventListener('error', (e) => window.ttErrors.push(String(e.message || e.error)));
    addEventListener('unhandledrejection', (e) => window.ttErrors.push(String(e.reason)));
    const error = console.error;
    console.error = (...args) => {
      window.ttErrors.push(args.join(' '));
      return error.apply(console, args);
    };
  })();`;

// What the page's print hook may leave out, by its exact text; anything
// else on the console is a fault.
const kKnownConsoleLines = [
  'WARNING: using emscripten GL emulation. This is a collection of limited workarounds, do not ' +
    'expect it to work.',
  'WARNING: using emscripten GL emulation unsafe opts. If weirdness happens, try ' +
    '-s GL_UNSAFE_OPTS=0',
  'WARNING: using emscripten GL immediate mode emulation. This is very limited in what it supports',
];

const kDesktop = { width: kWidth, height: kHeight, mobile: false };

// Options: engine, folder (the build, dist by default), viewport { width,
// height, mobile, angle }, touch (emulated touch screen), sensors (device
// orientation allowed), flags (Chromium's command line), missing (files the
// server leaves out). The server puts the held clock into the page.
async function openPage({ engine = 'chromium', folder = dist, viewport = kDesktop, touch = false,
  sensors = false, flags = [], missing = [] }) {
  const server = await serve(folder, { missing, inject: kPinnedClock });
  let page;
  try {
    page = await openEngine(engine, { flags, width: viewport.width, height: viewport.height });
  } catch (error) {
    server.close();
    throw error;
  }
  const close = page.close;
  page.close = async () => { await close(); server.close(); };
  page.server = server;
  try {
    if (engine === 'chromium') {
      // Each request's URL and the bytes it took off the network.
      page.fetched = new Map();
      page.cdp.on('Network.responseReceived', (params) => {
        page.fetched.set(params.requestId, { url: params.response.url, bytes: 0 });
      });
      page.cdp.on('Network.loadingFinished', (params) => {
        if (page.fetched.has(params.requestId)) {
          page.fetched.get(params.requestId).bytes = params.encodedDataLength;
        }
      });
      page.logged = [];
      page.cdp.on('Log.entryAdded', ({ entry }) => {
        if (entry.level === 'error') page.logged.push(entry.text);
        page.console.push({ type: entry.level, text: entry.text });
      });
      await page.send('Log.enable');
      await page.send('Page.enable');
      await page.send('Network.enable');
      await setViewport(page, viewport);
      if (touch) {
        await page.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 1 });
      }
      if (sensors) {
        // Sensors reach only a focused page that may use them.
        await page.send('Emulation.setFocusEmulationEnabled', { enabled: true });
        await page.send('Browser.grantPermissions', { permissions: ['sensors'] });
      }
    }
    await page.goto(server.url);
    await until(page, `!document.getElementById('play').disabled ||
                       !document.getElementById('problem').hidden`);
    await findCanvas(page);
  } catch (error) {
    await page.close();  // a page that never got ready goes too, with its browser
    throw error;
  }
  return page;
}

// Opens a page, runs body on it and closes it whatever happens.
async function withPage(options, body) {
  const page = await openPage(options);
  try {
    await body(page);
  } finally {
    await page.close();
  }
}

async function setViewport(page, { width, height, mobile, angle = 0 }) {
  await page.send('Emulation.setDeviceMetricsOverride', {
    width, height, deviceScaleFactor: 1, mobile,
    screenOrientation: { type: width > height ? 'landscapePrimary' : 'portraitPrimary', angle },
  });
}

// The canvas's place and size on the page, in CSS pixels.
async function findCanvas(page) {
  page.canvas = await page.evaluate(`(() => {
    const r = document.getElementById('canvas').getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height };
  })()`);
}

// A page that is being replaced answers nothing for a moment; that is no answer yet.
async function until(page, expression, ms = 60000) {
  const end = Date.now() + ms;
  while (!(await page.evaluate(expression).catch(() => false))) {
    if (Date.now() > end) throw new Error(`never became true: ${expression}`);
    await new Promise((ok) => setTimeout(ok, 20));
  }
}

// The page's errors so far, and in Chromium the browser's own error lines.
async function problems(page) {
  const seen = await page.evaluate('window.ttErrors');
  return [...seen, ...(page.logged || [])];
}

// Only moves: presses are click().
async function mouse(page, type, x, y) {
  await page.move(page.canvas.x + x, page.canvas.y + y);
}

async function click(page, x, y) {
  await page.click(page.canvas.x + x, page.canvas.y + y);
}

// A click in the middle of the play button, wherever the page has put it,
// once it is painted: Firefox aims a click by what it last painted.
async function play(page) {
  await page.evaluate('new Promise((ok) => requestAnimationFrame(() => requestAnimationFrame(ok)))');
  const { x, y, width, height } = await page.evaluate(
    `document.getElementById('play').getBoundingClientRect().toJSON()`);
  await page.click(x + width / 2, y + height / 2);
}

async function key(page, key, code, keyCode, modifiers = 0) {
  for (const type of ['rawKeyDown', 'keyUp']) {
    await page.send('Input.dispatchKeyEvent', { type, key, code, modifiers,
      windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode });
  }
}
const pressEscape = (page) => page.press('Escape');

// One finger, at points relative to the canvas.
async function touch(page, type, x, y) {
  await page.send('Input.dispatchTouchEvent', { type,
    touchPoints: type === 'touchEnd' ? [] : [{ x: page.canvas.x + x, y: page.canvas.y + y }] });
}
// Where there is no touch screen, a click: the page takes both as a pointer.
async function tap(page, x, y) {
  if (!page.send) return click(page, x, y);
  await touch(page, 'touchStart', x, y);
  await touch(page, 'touchEnd');
}

// Moves the page's clock on by one frame's 30 ms and waits until it is drawn.
async function frame(page) {
  const before = await page.evaluate('window.ttFrames');
  await page.evaluate('window.ttAdvance(30)');
  await until(page, `window.ttFrames > ${before}`).catch(async (error) => {
    const state = await page.evaluate(`[document.readyState, document.getElementById('message')
      .textContent, document.getElementById('start').hidden, window.ttErrors]`).catch(String);
    throw new Error(`${error.message}; the page: ${JSON.stringify(state)}`);
  });
}

// A scale below 1 gives a smaller, quicker picture for coarse checks. The
// picture is taken after the browser's next rendering update: WebKit shows a
// WebGL frame only then, and a picture taken earlier may be the frame before.
async function canvasShot(page, scale = 1) {
  await page.evaluate('new Promise((ok) => requestAnimationFrame(() => requestAnimationFrame(ok)))');
  return page.screenshot({ ...page.canvas, width: kWidth, height: kHeight }, scale);
}

// Share of the canvas in the cloth's check red.
function redShare(shot) {
  let red = 0, all = 0;
  const step = Math.max(1, Math.floor(shot.width / 240));
  for (let y = 0; y < shot.height; y += step) {
    for (let x = 0; x < shot.width; x += step) {
      const [r, g, b] = shot.pixel(x, y);
      if (r > 150 && g < 90 && b < 90) red += 1;
      all += 1;
    }
  }
  return red / all;
}

// The font picture's glyph cells, read as the game reads its bitmaps.
function loadFont(path) {
  const file = readFileSync(path);
  const width = file.readInt32LE(18), height = file.readInt32LE(22);
  const grey = (tx, ty) => {  // ty counts from the bottom row, as texture rows do
    const at = 54 + (ty * width + tx) * 3;
    return (file[at] + file[at + 1] + file[at + 2]) / 3;
  };
  return { width, height, grey };
}

// Sample frames in a PCM wave file.
function waveFrames(path) {
  const file = readFileSync(path);
  let at = 12, blockAlign = 0;
  while (at + 8 <= file.length) {
    const id = file.toString('latin1', at, at + 4), size = file.readUInt32LE(at + 4);
    if (id === 'fmt ') blockAlign = file.readUInt16LE(at + 20);
    if (id === 'data') return size / blockAlign;
    at += 8 + size + (size & 1);
  }
  throw new Error(`no data in ${path}`);
}

// The countdown's place: 0.5-unit cells from (-12, 7.5) at depth 20 under a
// 45-degree, 3:2 perspective.
const kHalfHeight = 20 * Math.tan(Math.PI / 8), kHalfWidth = kHalfHeight * 1.5;
const toScreenX = (u) => kWidth / 2 + (u / kHalfWidth) * (kWidth / 2);
const toScreenY = (v) => kHeight / 2 - (v / kHalfHeight) * (kHeight / 2);

// Reads the HUD's countdown digit by digit: each cell of the screenshot is
// matched against every digit's glyph cell scaled to that size; the closest wins.
function readCountdown(shot, font, length = 3) {
  let text = '';
  for (let i = 0; i < length; ++i) {
    const left = toScreenX(-12 + 0.5 * i), right = toScreenX(-12 + 0.5 * (i + 1));
    const top = toScreenY(8.0), bottom = toScreenY(7.5);
    let best = null, bestError = Infinity;
    for (let digit = 0; digit <= 9; ++digit) {
      const g = 48 + digit - 32, row = Math.floor(g / 10), column = g % 10;
      const cellW = font.width / 10, cellH = font.height / 10;
      const cellBottom = font.height * (0.9 - row / 10);
      let error = 0;
      // Whole pixels well inside the cell, each against the mean of the texels under it.
      for (let y = Math.ceil(top) + 1; y < Math.floor(bottom) - 1; ++y) {
        for (let x = Math.ceil(left) + 1; x < Math.floor(right) - 1; ++x) {
          const s0 = (x - left) / (right - left), s1 = (x + 1 - left) / (right - left);
          const t0 = (bottom - y - 1) / (bottom - top), t1 = (bottom - y) / (bottom - top);
          let sum = 0, n = 0;
          for (let ty = Math.floor(cellBottom + t0 * cellH); ty < cellBottom + t1 * cellH; ++ty) {
            for (let tx = Math.floor(column * cellW + s0 * cellW); tx < column * cellW + s1 * cellW; ++tx) {
              sum += font.grey(tx, ty);
              n += 1;
            }
          }
          const [r, gr, b] = shot.pixel(x, y);
          error += Math.abs((r + gr + b) / 3 - sum / n);
        }
      }
      if (error < bestError) [best, bestError] = [digit, error];
    }
    text += best;
  }
  return text;
}

// Where the bright seam of the cloth's hem is first met from the canvas's
// left edge along the middle row, and from its top edge along the middle column.
function clothEdges(shot) {
  const bright = (x, y) => shot.pixel(x, y).every((c) => c > 170);
  let left = 0, top = 0;
  while (left < kWidth / 2 && !bright(left, kHeight / 2)) left += 1;
  while (top < kHeight / 2 && !bright(kWidth / 2, top)) top += 1;
  return { left, top };
}

const font = loadFont(join(dataDir, 'font.bmp'));

// The name of the cache a build's service worker keeps its files in.
const cacheOf = (folder) =>
  readFileSync(join(folder, 'sw.js'), 'utf8').match(/const kCache = '([^']+)'/)[1];

// Waits until the page's service worker has kept every file and taken over.
const keptWhole = (page) => until(page, `navigator.serviceWorker.getRegistration().then(
  (r) => r !== undefined && r.active !== null && r.active.state === 'activated')`);

const cacheNames = (page) => page.evaluate('caches.keys().then((names) => names.join())');

async function reload(page) {
  await page.reload();
  await until(page, `!document.getElementById('play').disabled ||
                     !document.getElementById('problem').hidden`);
}

const cases = [
  ['before the first frame the page fetches at most 1 MiB from a plain server; keeping the ' +
    'files for offline play fetches none of them twice', {}, async (page) => {
    await play(page);
    await frame(page);
    const fetched = [...page.fetched.values()];
    const bytes = fetched.reduce((sum, { bytes }) => sum + bytes, 0);
    const list = fetched.map(({ url, bytes }) => `${url.replace(page.server.url, '/')} ${bytes}`);
    expect(bytes <= 1048576, `${bytes} bytes: ${list.join(', ')}`);
    await keptWhole(page);
    expect(page.server.sent <= 1048576,
      `the server sent ${page.server.sent} bytes with the worker's copy`);
  }],

  ['after one visit the page loads and plays with the server stopped', { engines: kEngines }, async (page) => {
    await play(page);
    for (let i = 0; i < 5; ++i) await frame(page);
    await keptWhole(page);
    page.server.close();
    await reload(page);
    await play(page);
    await frame(page);
    const shot = await canvasShot(page);
    expect(redShare(shot) > 0.1 && readCountdown(shot, font) === '299',
      `offline: red ${redShare(shot)}, countdown ${readCountdown(shot, font)}`);
    expect((await problems(page)).length === 0, `errors: ${await problems(page)}`);
  }],

  ['a new build on the server replaces the kept files whole: the old cache goes, the next visit ' +
    'plays the new data', {}, async (page) => {
    await keptWhole(page);
    const [first, second] = [cacheOf(dist), cacheOf(noPizzaDist)];
    expect(first !== second, `both builds keep their files in ${first}`);
    expect(await cacheNames(page) === first, `kept: ${await cacheNames(page)}, not ${first}`);
    page.server.folder = noPizzaDist;
    await reload(page);  // still the kept build; the new one is fetched meanwhile
    await until(page, `caches.keys().then((names) => names.join() === '${second}')`);
    await reload(page);
    const [data] = await page.evaluate(`fetch('tabletumble.data').then((r) => r.arrayBuffer())
      .then((b) => crypto.subtle.digest('SHA-256', b)).then((d) => [...new Uint8Array(d)]
      .map((x) => x.toString(16).padStart(2, '0')).join(''))`).then((d) => [d]);
    const wanted = createHash('sha256').update(readFileSync(join(noPizzaDist, 'tabletumble.data')))
      .digest('hex');
    expect(data === wanted, `the page's tabletumble.data is ${data}, the new build's ${wanted}`);
    await play(page);
    await until(page, `!document.getElementById('problem').hidden`);
    const line = await page.evaluate(`document.getElementById('message').textContent`);
    expect(/pizza\.bmp/.test(line), `the new build's data is not played: ${line}`);
  }],

  ['the manifest parses, makes the page installable, and its icons are PNGs of their stated ' +
    'sizes', {}, async (page) => {
    const { url, errors, data } = await page.send('Page.getAppManifest');
    expect(url.endsWith('/manifest.webmanifest') && errors.length === 0,
      `manifest ${url}: ${JSON.stringify(errors)}`);
    const manifest = JSON.parse(data);
    const wanted = { name: 'Tabletumble', short_name: 'Tabletumble', orientation: 'landscape',
      start_url: './', theme_color: '#16161a', background_color: '#16161a' };
    for (const [key, value] of Object.entries(wanted)) {
      expect(manifest[key] === value, `${key}: ${manifest[key]}`);
    }
    expect(['standalone', 'fullscreen'].includes(manifest.display), `display ${manifest.display}`);
    const sizes = manifest.icons.map((icon) => icon.sizes).sort();
    expect(JSON.stringify(sizes) === '["192x192","512x512"]', `icon sizes ${sizes}`);
    for (const icon of manifest.icons) {
      const png = decodePng(readFileSync(join(dist, icon.src)));
      expect(`${png.width}x${png.height}` === icon.sizes && icon.type === 'image/png',
        `${icon.src} is ${png.width}x${png.height}, said ${icon.sizes}`);
    }
    const { installabilityErrors } = await page.send('Page.getInstallabilityErrors');
    expect(installabilityErrors.length === 0,
      `not installable: ${JSON.stringify(installabilityErrors)}`);
  }],

  ['the page loads clean; after the click the table and 299 show; moves tilt it and squeak once',
    { engines: kEngines }, async (page) => {
    const state = await page.evaluate(`[document.title, document.getElementById('play').textContent,
      document.getElementById('canvas').width, document.getElementById('canvas').height]`);
    expect(JSON.stringify(state) === JSON.stringify(['Tabletumble v1.1', 'Click to play', 960, 640]),
      `title, button and canvas: ${state}`);
    expect((await problems(page)).length === 0, `errors on load: ${await problems(page)}`);

    await play(page);
    // The pointer's first move tilts the table (it comes from the game's own
    // start position); WebKit sends one by itself once the cover is gone.
    await mouse(page, 'mouseMoved', 480, 320);
    await frame(page);
    const first = await canvasShot(page);
    expect(redShare(first) > 0.1, `red checks cover ${redShare(first)} of the canvas`);
    expect(readCountdown(first, font) === '299', `countdown reads ${readCountdown(first, font)}`);

    await frame(page);  // no move: the cloth stays where it was
    const still = clothEdges(await canvasShot(page));
    expect(still.left < 120 && still.top < 120, `no hem near the border: ${JSON.stringify(still)}`);
    expect(JSON.stringify(still) === JSON.stringify(clothEdges(first)),
      `cloth moved without input: ${JSON.stringify(still)}`);

    // Up and left, half a degree per move about both axes, past five degrees
    // within one frame: both squeaks are due, the second while the first sounds.
    for (let i = 1; i <= 12; ++i) await mouse(page, 'mouseMoved', 480 - 10 * i, 320 - 10 * i);
    await frame(page);
    const tilted = clothEdges(await canvasShot(page));
    expect(Math.abs(tilted.left - still.left) >= 5 && Math.abs(tilted.top - still.top) >= 5,
      `cloth edges ${JSON.stringify(still)} -> ${JSON.stringify(tilted)}`);
    const started = await page.evaluate('window.ttSounds');
    const squeakX = waveFrames(join(dataDir, 'squeakx.wav'));
    expect(JSON.stringify(started) === JSON.stringify([squeakX]),
      `clips started (sample counts): ${started}; squeakx.wav has ${squeakX}`);
    expect((await problems(page)).length === 0, `errors: ${await problems(page)}`);
  }],

  ['off the table comes the board; Esc there, a tap, a pad\'s A or Space starts a new round, a ' +
    'tap in a round does nothing, Esc quits; then Enter plays again at once',
  { touch: true, engines: kEngines }, async (page) => {
    await play(page);
    // Right until the ball falls off; returns the countdown read after 20 frames.
    let x = 480;
    const rollOff = async () => {
      // A pixel a move, so four rounds stay inside the viewport.
      for (let i = 1; i <= 25; ++i) await mouse(page, 'mouseMoved', x += 1, 320);
      for (let i = 0; i < 20; ++i) await frame(page);
      const countdown = readCountdown(await canvasShot(page), font);
      let frames = 0;  // in tens
      do {
        expect(++frames < 60, 'the ball never left the table');
        for (let i = 0; i < 10; ++i) await frame(page);  // the board, once up, stays
      } while (redShare(await canvasShot(page, 0.125)) > 0.03);
      return countdown;
    };
    const newRound = async (what) => {
      await frame(page);
      const shot = await canvasShot(page);
      expect(redShare(shot) > 0.1 && readCountdown(shot, font) === '299',
        `${what}: red ${redShare(shot)}, countdown ${readCountdown(shot, font)}`);
    };
    // One step of the clock is one frame: 3000 frames less 20 is 298 tenths.
    const countdown = await rollOff();
    expect(countdown === '298', `countdown after 20 frames reads ${countdown}`);
    await pressEscape(page);
    await newRound('Esc on the board');
    await rollOff();
    await tap(page, 480, 320);
    await newRound('a tap on the board');
    // A pad's A and the space bar confirm as a tap does.
    await page.evaluate(`(() => {
      const buttons = Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 }));
      window.ttPad = { index: 0, id: 'test pad', connected: true, mapping: 'standard',
        axes: [0, 0, 0, 0], buttons, timestamp: 0 };
      Object.defineProperty(navigator, 'getGamepads', { configurable: true,
        value: () => [window.ttPad] });
      return 1;
    })()`);
    await rollOff();
    await page.evaluate('window.ttPad.buttons[0].pressed = true');
    await newRound('A on the board');
    await page.evaluate('window.ttPad.buttons[0].pressed = false');
    await rollOff();
    await page.press(' ');
    await newRound('Space on the board');

    await tap(page, 480, 320);
    for (let i = 0; i < 10; ++i) await frame(page);
    const on = await canvasShot(page);
    expect(redShare(on) > 0.1 && readCountdown(on, font) === '298' &&
      await page.evaluate(`document.getElementById('end').hidden`),
    `a tap in a round ended it: red ${redShare(on)}, countdown ${readCountdown(on, font)}`);

    await pressEscape(page);
    await until(page, `!document.getElementById('end').hidden`);
    expect(await page.evaluate(`document.activeElement.textContent`) === 'Play again',
      'Play again does not have the focus');
    expect((await problems(page)).length === 0, `errors: ${await problems(page)}`);
    await page.evaluate('window.ttOld = 1');
    await page.press('Enter');
    await until(page, `!window.ttOld && document.getElementById('start').hidden`);
    await newRound('Enter after the game');
  }],

  ['a pad held right tilts the table as far as the mouse can and letting go levels it, its Back ' +
    'quits; a held arrow key tilts and levels too and the page keeps it', { engines: kEngines }, async (page) => {
    // One pad in the standard mapping, as the Gamepad API gives it.
    await page.evaluate(`(() => {
      const buttons = Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 }));
      window.ttPad = { index: 0, id: 'test pad', connected: true, mapping: 'standard',
        axes: [0, 0, 0, 0], buttons, timestamp: 0 };
      Object.defineProperty(navigator, 'getGamepads', { configurable: true,
        value: () => [window.ttPad, null, null, null] });
      return 1;
    })()`);
    const edges = async () => JSON.stringify(clothEdges(await canvasShot(page)));
    const frames = async (n) => { for (let i = 0; i < n; ++i) await frame(page); };
    await play(page);
    // The pointer's first move tilts both ways down (it comes from the game's
    // own start position), a move right and down brings the table level.
    await mouse(page, 'mouseMoved', 480, 320);
    await mouse(page, 'mouseMoved', 481, 321);
    await frame(page);
    const level = await edges();
    // End to end takes 0.3 s, 10 frames; from level to one end, 5.
    await page.evaluate('window.ttPad.axes[0] = 1');
    await frames(6);
    const pad = await edges();
    await page.evaluate('window.ttPad.axes[0] = 0');
    await frames(6);
    expect(await edges() === level, `the pad let go: level ${level}, now ${await edges()}`);
    for (let i = 1; i <= 20; ++i) await mouse(page, 'mouseMoved', 481 + i, 321);
    await frame(page);
    const mouseRight = await edges();
    expect(pad !== level && pad === mouseRight,
      `level ${level}, the pad held right ${pad}, the mouse 20 steps right ${mouseRight}`);
    for (let i = 19; i >= 0; --i) await mouse(page, 'mouseMoved', 481 + i, 321);
    await frame(page);
    expect(await edges() === level, 'the mouse did not bring the table back');

    await page.evaluate('window.ttKeys = []');
    await page.keyDown('ArrowDown');
    await frames(6);
    const down = await edges();
    await page.keyUp('ArrowDown');
    await frames(6);
    const after = await edges();
    expect(down !== level && after === level, `ArrowDown: level ${level}, held ${down}, let go ${after}`);
    const keys = JSON.stringify(await page.evaluate('window.ttKeys'));
    expect(keys.startsWith('[["ArrowDown",true]'), `the page let the arrow through: ${keys}`);

    // A (button 0) does nothing during a round; Back (button 8) is Esc, which quits.
    await page.evaluate('window.ttPad.buttons[0].pressed = true');
    await frame(page);
    await page.evaluate('window.ttPad.buttons[0].pressed = false');
    await frame(page);
    expect(await page.evaluate(`document.getElementById('end').hidden`), 'A ended the round');
    // The quit comes before the frame: none is drawn.
    await page.evaluate('window.ttPad.buttons[8].pressed = true');
    await page.evaluate('window.ttAdvance(30)');
    await until(page, `!document.getElementById('end').hidden`, 10000);
    expect((await problems(page)).length === 0, `errors: ${await problems(page)}`);
  }],

  ['the console stays clean through loading, a round, the board and a new round: no line but ' +
    'the known banner', { engines: ['chromium', 'firefox'] }, async (page) => {
    await play(page);
    let x = 480;
    for (let i = 1; i <= 25; ++i) await mouse(page, 'mouseMoved', x += 5, 320);
    let frames = 0;
    do {
      expect((frames += 10) < 600, 'the ball never left the table');
      for (let i = 0; i < 10; ++i) await frame(page);
    } while (redShare(await canvasShot(page, 0.125)) > 0.03);
    await pressEscape(page);
    for (let i = 0; i < 10; ++i) await frame(page);
    const unknown = page.console.filter(({ text }) => !kKnownConsoleLines.includes(text));
    expect(unknown.length === 0,
      `unknown console lines:\n${unknown.map(({ type, text }) => `  ${type}: ${text}`).join('\n')}`);
  }],

  ['a page built without pizza.bmp names it', { folder: noPizzaDist }, async (page) => {
    await play(page);
    await until(page, `!document.getElementById('problem').hidden`);
    const line = await page.evaluate(`document.getElementById('message').textContent`);
    expect(/missing data file pizza\.bmp\b/.test(line), `the page says: ${line}`);
    expect(await page.evaluate(`document.getElementById('end').hidden`), 'offers to play again');
  }],

  ['the play area is whole, 3:2 and as large as fits in phone, tablet and desktop viewports',
    {}, async (page) => {
    for (const [width, height, mobile] of [[390, 844, true], [844, 390, true],
      [1024, 768, true], [1280, 800, false], [1920, 1080, false]]) {
      await setViewport(page, { width, height, mobile });
      await page.reload();
      await until(page, `!document.getElementById('play').disabled`);
      const seen = await page.evaluate(`(() => {
        const box = (id) => document.getElementById(id).getBoundingClientRect().toJSON();
        const scroller = document.scrollingElement;
        return { canvas: box('canvas'), play: box('play'), scale: visualViewport.scale,
          scrollWidth: scroller.scrollWidth, scrollHeight: scroller.scrollHeight };
      })()`);
      const { canvas, play, scale } = seen;
      const size = `${width} x ${height}: ${JSON.stringify(seen)}`;
      const inside = (r) => r.left >= 0 && r.top >= 0 && r.right * scale <= width + 0.5 &&
        r.bottom * scale <= height + 0.5;
      expect(inside(canvas) && inside(play), `cut off at ${size}`);
      expect(Math.abs(canvas.width / canvas.height - 1.5) < 0.01, `not 3:2 at ${size}`);
      expect(Math.abs(canvas.width * scale - Math.min(width, height * 1.5)) < 1,
        `not the largest fit at ${size}`);
      expect(seen.scrollWidth * scale <= width + 0.5 && seen.scrollHeight * scale <= height + 0.5,
        `the page scrolls at ${size}`);
    }
  }],

  ['a finger dragged on the play area and off it tilts the table; the page does not scroll',
    // Room under the canvas to drag into.
    { viewport: { width: kWidth, height: 900, mobile: true }, touch: true }, async (page) => {
    await tap(page, 480, 320);
    await frame(page);
    const still = clothEdges(await canvasShot(page));
    // From the canvas's lower edge down and left, all but the first touch off it.
    await touch(page, 'touchStart', 480, 630);
    for (let i = 1; i <= 12; ++i) await touch(page, 'touchMove', 480 - 10 * i, 630 + 20 * i);
    await touch(page, 'touchEnd');
    await frame(page);
    const tilted = clothEdges(await canvasShot(page));
    expect(Math.abs(tilted.left - still.left) >= 5 && Math.abs(tilted.top - still.top) >= 5,
      `cloth edges ${JSON.stringify(still)} -> ${JSON.stringify(tilted)}`);
    expect(await page.evaluate('scrollX === 0 && scrollY === 0'), 'the page scrolled');
    expect((await problems(page)).length === 0, `errors: ${await problems(page)}`);
  }],

  // [screen angle, change of beta and gamma, the mouse moves that do the same]
  ...[[0, [[[0, 5], [10, 0]], [[-5, 0], [0, -10]]]], [90, [[[0, 5], [0, -10]], [[5, 0], [10, 0]]]]]
    .map(([angle, tilts]) => [`tilting the phone, its screen turned ${angle} degrees, tilts the ` +
      'table as mouse moves would, on both axes; a trembling phone moves nothing',
    // Only Chromium turns its screen; elsewhere the page gets the readings
    // as events of its own, since neither WebDriver has a sensor to set.
    { viewport: { ...kDesktop, mobile: true, angle }, touch: true, sensors: true,
      engines: angle ? ['chromium'] : kEngines },
    async (page) => {
      const tilt = async (beta, gamma) => {
        const before = await page.evaluate('window.ttTilts');
        if (page.send) {
          await page.send('DeviceOrientation.setDeviceOrientationOverride',
            { alpha: 0, beta: 40 + beta, gamma });
        } else {
          await page.evaluate(`(() => {
            const event = new Event('deviceorientation');
            Object.defineProperties(event, { alpha: { value: 0 }, beta: { value: ${40 + beta} },
              gamma: { value: ${gamma} } });
            return dispatchEvent(event);
          })()`);
        }
        await until(page, `window.ttTilts > ${before}`);
      };
      const edges = async () => JSON.stringify(clothEdges(await canvasShot(page)));
      // Elsewhere a click at the middle would leave the pointer where the
      // first move below goes, and Firefox sends no move that goes nowhere.
      await (page.send ? tap(page, 480, 320) : play(page));
      // The pointer's first move tilts both ways down, the next brings it level.
      await mouse(page, 'mouseMoved', 480, 320);
      await mouse(page, 'mouseMoved', 481, 321);
      await tilt(0, 0);  // how the phone is held counts as level
      await frame(page);
      const level = await edges();
      // A hand's tremble, under a degree either way, moves nothing.
      for (const shake of [0.6, -0.6, 0.6]) await tilt(shake, shake);
      await frame(page);
      expect(await edges() === level, 'a trembling phone tilts the table');
      await tilt(0, 0);
      for (const [[beta, gamma], [dx, dy]] of tilts) {
        const what = `beta ${beta}, gamma ${gamma}`;
        // Up to four steps a frame: ten take three.
        await tilt(beta, gamma);
        for (let i = 0; i < 3; ++i) await frame(page);
        const tilted = await edges();
        await tilt(0, 0);
        for (let i = 0; i < 3; ++i) await frame(page);
        expect(await edges() === level, `${what}: not level again`);
        for (let i = 1; i <= 5; ++i) await mouse(page, 'mouseMoved', 481 + dx * i, 321 + dy * i);
        await frame(page);
        const moved = await edges();
        expect(tilted !== level && tilted === moved,
          `${what}: level ${level}, tilted ${tilted}, mouse ${moved}`);
        for (let i = 4; i >= 0; --i) await mouse(page, 'mouseMoved', 481 + dx * i, 321 + dy * i);
      }
      expect((await problems(page)).length === 0, `errors: ${await problems(page)}`);
    }]),

  ['F5, Ctrl+R and Tab keep their meaning during a round and after it; Esc is the game\'s',
    {}, async (page) => {
    const kKeys = [['F5', 'F5', 116, 0], ['r', 'KeyR', 82, 2], ['Tab', 'Tab', 9, 0]];
    const prevented = async () => {
      await page.evaluate('window.ttKeys = []');
      for (const [name, code, keyCode, modifiers] of kKeys) {
        await key(page, name, code, keyCode, modifiers);
      }
      await until(page, `window.ttKeys.length === ${kKeys.length}`);
      return (await page.evaluate('window.ttKeys')).filter(([, p]) => p).map(([k]) => k);
    };
    await play(page);
    await frame(page);
    const during = await prevented();
    expect(during.length === 0, `prevented during a round: ${during}`);
    await page.evaluate('window.ttKeys = []');
    await pressEscape(page);
    await until(page, `!document.getElementById('end').hidden`);
    expect(JSON.stringify(await page.evaluate('window.ttKeys')) === '[["Escape",true]]',
      `Esc during the round: ${JSON.stringify(await page.evaluate('window.ttKeys'))}`);
    const after = await prevented();
    expect(after.length === 0, `prevented after the game: ${after}`);
  }],

  ['without WebGL the page says so at the click', { flags: ['--disable-3d-apis'] }, async (page) => {
    await play(page);
    await until(page, `!document.getElementById('problem').hidden`, 10000).catch(() => {});
    const line = await page.evaluate(`document.getElementById('problem').hidden ? '' :
      document.getElementById('message').textContent`);
    expect(/needs WebGL/.test(line), `the page says: '${line}'`);
  }],

  ...['tabletumble.data', 'tabletumble.wasm', 'tabletumble.js', 'unpack.wasm'].map((file) => [
    `without ${file} the page names it`, { missing: [file] }, async (page) => {
      const line = await page.evaluate(`document.getElementById('message').textContent`);
      expect(line.startsWith(`${file} could not be downloaded`), `the page says: '${line}'`);
    }]),

  ['a hidden page draws no frame and its sound stops; shown again, it goes on with one frame',
    {}, async (page) => {
    await play(page);
    await frame(page);
    const frames = await page.evaluate('window.ttFrames');
    // A frozen page turns hidden; made active again it stays hidden but runs.
    await page.send('Page.setWebLifecycleState', { state: 'frozen' });
    await page.send('Page.setWebLifecycleState', { state: 'active' });
    expect(await page.evaluate('document.visibilityState') === 'hidden', 'page still visible');
    for (let i = 0; i < 5; ++i) {
      await page.evaluate('window.ttAdvance(30)');
      await new Promise((ok) => setTimeout(ok, 100));
    }
    expect(await page.evaluate('window.ttFrames') === frames,
      `${await page.evaluate('window.ttFrames') - frames} frames drawn while hidden`);
    expect(await page.evaluate('Module.ttAudio.context.state') === 'suspended',
      `sound is ${await page.evaluate('Module.ttAudio.context.state')} while hidden`);
    await page.send('Emulation.setFocusEmulationEnabled', { enabled: true });
    await until(page, `document.visibilityState === 'visible' && window.ttFrames > ${frames}`);
    await new Promise((ok) => setTimeout(ok, 300));
    expect(await page.evaluate('window.ttFrames') === frames + 1, 'missed frames caught up');
  }],
];

function expect(condition, what) {
  if (!condition) throw new Error(what);
}

let failed = 0, passed = 0;
// TT_WEB_CASES and TT_WEB_ENGINES, regular expressions, pick cases by name
// and engines by theirs.
const picked = new RegExp(process.env.TT_WEB_CASES || '');
const engines = kEngines.filter((e) => new RegExp(process.env.TT_WEB_ENGINES || '').test(e));
for (const engine of engines) {
  const engineStart = Date.now();
  for (const [name, options, run] of cases.filter(([name, { engines = ['chromium'] }]) =>
    picked.test(name) && engines.includes(engine))) {
    const start = Date.now();
    try {
      await withPage({ ...options, engine }, run);
      passed += 1;
      console.log(`ok   ${engine} ${name} (${Date.now() - start} ms)`);
    } catch (error) {
      failed += 1;
      console.log(`FAIL ${engine} ${name}: ${error.stack}`);
    }
  }
  console.log(`${engine}: ${Date.now() - engineStart} ms`);
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
