// A small harness for the browser tests and measurements: serves a folder
// over HTTP, starts headless Chromium, speaks the DevTools protocol over
// Node's WebSocket (node --experimental-websocket) and decodes screenshots.
import { spawn } from 'node:child_process';
import { createHash } from 'node:crypto';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import { inflateSync } from 'node:zlib';

const kTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.webmanifest': 'application/manifest+json',
  '.png': 'image/png',
};

// Serves the files of one folder on a free local port as a plain static
// server does: no compression, and 304 for a copy that is still current (by
// an ETag of its content, so a rebuild within the same second is new). The
// files named in `missing` answer 404 as if they were not there. `folder`
// may be changed (a new build on the same server); `sent` counts the bytes
// of the bodies sent; `close` also ends the open connections, as a stopped
// server would. A script in `inject` goes into index.html before the page's
// own, and the service worker is told the changed page's checksum, so it
// keeps and serves that page (the only way into every page of WebKit, whose
// WebDriver runs no script before a page's own).
export async function serve(folder, { missing = [], inject = null } = {}) {
  const served = { folder, sent: 0 };
  const page = (folder) => Buffer.from(readFileSync(join(folder, 'index.html'), 'utf8')
    .replace('<script src=', () => `<script>${inject}</script>\n<script src=`));
  const integrity = (body) => `sha256-${createHash('sha256').update(body).digest('base64')}`;
  const read = (path) => {
    const file = join(served.folder, path);
    if (!inject) return readFileSync(file);
    if (path === '/index.html') return page(served.folder);
    if (path !== '/sw.js') return readFileSync(file);
    const original = integrity(readFileSync(join(served.folder, 'index.html')));
    return Buffer.from(readFileSync(file, 'utf8').replace(original, integrity(page(served.folder))));
  };
  const server = createServer((req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    try {
      if (missing.includes(path.slice(1))) throw new Error('left out');
      const body = read(path === '/' ? '/index.html' : path);
      const tag = `"${createHash('sha256').update(body).digest('hex').slice(0, 32)}"`;
      if (req.headers['if-none-match'] === tag) {
        res.writeHead(304, { ETag: tag }).end();
        return;
      }
      res.writeHead(200, { 'Content-Type': kTypes[extname(path)] || 'text/html',
        'Content-Length': body.length, ETag: tag });
      res.end(body);
      served.sent += body.length;
    } catch {
      res.writeHead(404).end();
    }
  });
  await new Promise((ok) => server.listen(0, '127.0.0.1', ok));
  served.url = `http://127.0.0.1:${server.address().port}/`;
  served.close = () => {
    server.close();
    server.closeAllConnections();
  };
  return served;
}

const withTimeout = (promise, ms, what) => Promise.race([promise, new Promise((_, fail) =>
  setTimeout(() => fail(new Error(`timed out after ${ms} ms: ${what}`)), ms).unref())]);

// One page of a fresh headless Chromium with its own profile folder; `flags`
// go on its command line.
export async function launch(flags = []) {
  const profile = mkdtempSync(join(tmpdir(), 'tt-chromium-'));
  const chromium = spawn('chromium-headless-shell', [
    '--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader',
    '--window-size=960,640', '--remote-debugging-port=0', `--user-data-dir=${profile}`,
    // Timers of a page in the background would otherwise be slowed down.
    '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
    ...flags, 'about:blank'], { stdio: ['ignore', 'ignore', 'pipe'], detached: true });
  const endpoint = await withTimeout(new Promise((ok, fail) => {
    let text = '';
    chromium.stderr.on('data', (chunk) => {
      text += chunk;
      const found = text.match(/DevTools listening on (ws:\/\/\S+)/);
      if (found) ok(found[1]);
    });
    chromium.on('exit', (code) => fail(new Error(`chromium exited with ${code}: ${text}`)));
  }), 30000, 'chromium start');
  const port = new URL(endpoint).port;
  const targets = await (await fetch(`http://127.0.0.1:${port}/json/list`)).json();
  const page = targets.find((t) => t.type === 'page');
  const socket = new WebSocket(page.webSocketDebuggerUrl);
  await withTimeout(new Promise((ok, fail) => {
    socket.onopen = ok;
    socket.onerror = () => fail(new Error('DevTools connection failed'));
  }), 10000, 'DevTools connection');

  let nextId = 1;
  const pending = new Map();
  const listeners = [];
  socket.onmessage = (event) => {
    const message = JSON.parse(event.data);
    if (message.id && pending.has(message.id)) {
      const { ok, fail } = pending.get(message.id);
      pending.delete(message.id);
      if (message.error) fail(new Error(JSON.stringify(message.error)));
      else ok(message.result);
    } else if (message.method) {
      for (const listener of listeners) listener(message.method, message.params);
    }
  };
  const send = (method, params = {}) => withTimeout(new Promise((ok, fail) => {
    const id = nextId++;
    pending.set(id, { ok, fail });
    socket.send(JSON.stringify({ id, method, params }));
  }), 60000, method);

  return {
    send,
    on: (listener) => listeners.push(listener),
    // Resolves once an event of this name arrives for which test(params) holds.
    waitFor: (method, test = () => true, ms = 60000) => withTimeout(new Promise((ok) =>
      listeners.push((m, p) => { if (m === method && test(p)) ok(p); })), ms, method),
    evaluate: async (expression) => {
      const { result, exceptionDetails } = await send('Runtime.evaluate',
        { expression, returnByValue: true, awaitPromise: true });
      if (exceptionDetails) throw new Error(`${expression}: ${exceptionDetails.text}`);
      return result.value;
    },
    close: async () => {
      socket.close();
      // Its own process group: the renderer and GPU processes go with it, and
      // the profile is removed once the last of them has gone.
      process.kill(-chromium.pid, 'SIGTERM');
      for (let i = 0; i < 100; ++i) {
        try {
          process.kill(-chromium.pid, 0);
        } catch {
          break;
        }
        await new Promise((ok) => setTimeout(ok, 50));
      }
      rmSync(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
    },
  };
}

// Decodes an 8-bit RGB or RGBA PNG (what Chromium's screenshots are) into
// { width, height, pixel(x, y) -> [r, g, b] }.
export function decodePng(buffer) {
  let at = 8, width = 0, height = 0, channels = 0;
  const idat = [];
  while (at < buffer.length) {
    const length = buffer.readUInt32BE(at);
    const type = buffer.toString('latin1', at + 4, at + 8);
    const body = buffer.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || (body[9] !== 2 && body[9] !== 6) || body[12] !== 0) {
        throw new Error('only 8-bit RGB or RGBA PNGs without interlace');
      }
      channels = body[9] === 6 ? 4 : 3;
    } else if (type === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const out = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? out[y * stride + i - channels] : 0;
      const b = y > 0 ? out[(y - 1) * stride + i] : 0;
      const c = y > 0 && i >= channels ? out[(y - 1) * stride + i - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = a;
      else if (filter === 2) predictor = b;
      else if (filter === 3) predictor = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[y * stride + i] = (line[i] + predictor) & 0xFF;
    }
  }
  return {
    width, height,
    pixel: (x, y) => [...out.subarray((y * width + x) * channels, (y * width + x) * channels + 3)],
  };
}
