// One page of a fresh browser, the same few calls in each engine the tests
// play in: Chromium (Debian's headless shell) and Firefox ESR through
// puppeteer-core (DevTools and WebDriver BiDi), WebKitGTK's MiniBrowser
// through selenium-webdriver and WebKitWebDriver. The browsers are Debian's;
// nothing here downloads one. Firefox and MiniBrowser draw on the X display
// in DISPLAY (tests/web/run.sh starts an Xvfb) and sound through PulseAudio
// if PULSE_SERVER names one: without a sound device Firefox's AudioContext
// never leaves "suspended".
import { spawn } from 'node:child_process';
import { createServer } from 'node:net';
import puppeteer from 'puppeteer-core';
import { Builder, Capabilities, Key, Origin } from 'selenium-webdriver';
import { decodePng } from './browser.mjs';

export const kEngines = ['chromium', 'firefox', 'webkit'];

const kChromium = '/usr/bin/chromium-headless-shell';
const kFirefox = '/usr/bin/firefox-esr';
const kMiniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

const sleep = (ms) => new Promise((ok) => setTimeout(ok, ms));

// Puppeteer's names of keys; WebDriver's are characters of its own.
const kWebDriverKeys = {
  Escape: Key.ESCAPE, Enter: Key.ENTER, ' ': Key.SPACE, Tab: Key.TAB, ArrowLeft: Key.ARROW_LEFT,
  ArrowRight: Key.ARROW_RIGHT, ArrowUp: Key.ARROW_UP, ArrowDown: Key.ARROW_DOWN,
};

// What every engine's page offers, in CSS pixels of the viewport:
//   evaluate(expression)  its value (a promise's result); throws the page's error
//   move(x, y), click(x, y), keyDown(key), keyUp(key), press(key)
//   screenshot({ x, y, width, height }, scale)  the picture, decoded
//   goto(url), reload(), close()
//   console  the console's lines as { type, text } (not in WebKit: WebDriver
//            has no way to read them)
// and in Chromium `send(method, params)` and `waitFor(method, test)` for the
// DevTools protocol itself.
export async function openEngine(engine, { flags = [], width = 960, height = 640 } = {}) {
  if (engine === 'webkit') return openWebKit(width, height);
  const chromium = engine === 'chromium';
  const browser = await puppeteer.launch(chromium ? {
    executablePath: kChromium, headless: 'shell', defaultViewport: null,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader', `--window-size=${width},${height}`,
      // Timers of a page in the background would otherwise be slowed down.
      '--disable-background-timer-throttling', '--disable-renderer-backgrounding', ...flags],
    handleSIGINT: false, handleSIGTERM: false,
    // Headless, it needs no display; pointed at one that has gone, it has no WebGL.
    env: Object.fromEntries(Object.entries(process.env).filter(([name]) => name !== 'DISPLAY')),
  } : {
    browser: 'firefox', executablePath: kFirefox, headless: false,
    defaultViewport: { width, height }, handleSIGINT: false, handleSIGTERM: false,
  });
  const [first] = await browser.pages();
  const page = first || await browser.newPage();
  // Firefox leaves the window's first page at the window's size otherwise.
  if (!chromium) await page.setViewport({ width, height });
  const consoleLines = [];
  page.on('console', (message) => consoleLines.push({ type: message.type(), text: message.text() }));
  // Uncaught errors, and in Firefox the engine's own warnings (WebGL's).
  page.on('pageerror',
    (error) => consoleLines.push({ type: 'page', text: String(error.message ?? error) }));
  const self = {
    engine,
    console: consoleLines,
    evaluate: (expression) => page.evaluate(expression),
    move: (x, y) => page.mouse.move(x, y),
    click: async (x, y) => {
      await page.mouse.move(x, y);
      await page.mouse.down();
      await page.mouse.up();
    },
    keyDown: (key) => page.keyboard.down(key),
    keyUp: (key) => page.keyboard.up(key),
    press: (key) => page.keyboard.press(key),
    screenshot: async (clip) => decodePng(Buffer.from(await page.screenshot({ type: 'png', clip }))),
    goto: (url) => page.goto(url),
    reload: () => page.reload(),
    close: async () => {
      await browser.close().catch(() => browser.process()?.kill('SIGKILL'));
    },
  };
  if (chromium) {
    const cdp = await page.createCDPSession();
    self.send = (method, params = {}) => cdp.send(method, params);
    self.waitFor = (method, test = () => true, ms = 60000) => new Promise((ok, fail) => {
      const timer = setTimeout(() => fail(new Error(`timed out: ${method}`)), ms);
      const listener = (params) => {
        if (!test(params)) return;
        clearTimeout(timer);
        cdp.off(method, listener);
        ok(params);
      };
      cdp.on(method, listener);
    });
    self.cdp = cdp;
    // Straight from the protocol: puppeteer's own screenshot puts its
    // viewport back afterwards, which drops an emulated screen's turn.
    self.screenshot = async (clip, scale = 1) => decodePng(Buffer.from((await cdp.send(
      'Page.captureScreenshot', { format: 'png', clip: { ...clip, scale } })).data, 'base64'));
  }
  return self;
}

async function freePort() {
  const server = createServer();
  await new Promise((ok) => server.listen(0, '127.0.0.1', ok));
  const { port } = server.address();
  await new Promise((ok) => server.close(ok));
  return port;
}

// WebKitWebDriver holds one session; each page gets a driver of its own.
async function openWebKit(width, height) {
  const port = await freePort();
  const driverProcess = spawn('WebKitWebDriver', [`--port=${port}`],
    { stdio: ['ignore', 'ignore', 'pipe'], detached: true });
  let driverLog = '';
  driverProcess.stderr.on('data', (chunk) => { driverLog += chunk; });
  const url = `http://127.0.0.1:${port}`;
  for (let i = 0; ; ++i) {
    try {
      if ((await fetch(`${url}/status`)).ok) break;
    } catch {
      if (i > 200) throw new Error(`WebKitWebDriver never answered: ${driverLog}`);
    }
    await sleep(25);
  }
  const capabilities = new Capabilities({ browserName: 'MiniBrowser',
    'webkitgtk:browserOptions': { binary: kMiniBrowser, args: ['--automation'] } });
  const driver = await new Builder().usingServer(url).withCapabilities(capabilities).build();
  const stop = () => {
    try {
      process.kill(-driverProcess.pid, 'SIGTERM');
    } catch {}
  };
  try {
    // The window's size includes its frame; the page's viewport must be exact.
    const window = driver.manage().window();
    await window.setRect({ width, height });
    const [innerW, innerH] = await driver.executeScript('return [innerWidth, innerHeight]');
    await window.setRect({ width: 2 * width - innerW, height: 2 * height - innerH });
  } catch (error) {
    await driver.quit().catch(() => {});
    stop();
    throw error;
  }
  const key = (name) => kWebDriverKeys[name] ?? name;
  const actions = () => driver.actions({ async: true });
  return {
    engine: 'webkit',
    console: null,
    evaluate: (expression) => driver.executeScript(`return (${expression});`),
    move: (x, y) => actions().move({ x: Math.round(x), y: Math.round(y), origin: Origin.VIEWPORT })
      .perform(),
    click: (x, y) => actions().move({ x: Math.round(x), y: Math.round(y), origin: Origin.VIEWPORT })
      .press().release().perform(),
    keyDown: (name) => actions().keyDown(key(name)).perform(),
    keyUp: (name) => actions().keyUp(key(name)).perform(),
    press: (name) => actions().keyDown(key(name)).keyUp(key(name)).perform(),
    // The viewport, cut to the clip: WebDriver takes no clip of its own.
    screenshot: async (clip) => {
      const whole = decodePng(Buffer.from(await driver.takeScreenshot(), 'base64'));
      return { width: clip.width, height: clip.height,
        pixel: (x, y) => whole.pixel(clip.x + x, clip.y + y) };
    },
    goto: (to) => driver.get(to),
    reload: () => driver.navigate().refresh(),
    close: async () => {
      await driver.quit().catch(() => {});
      stop();
    },
  };
}
