// Measures the browser build in headless Chromium on this machine: what the
// page fetches before its first frame (bytes off the network, from the
// DevTools protocol's events, as a plain server without compression sends
// them), the time from navigation to "ready to play", and then the frame
// interval of a round left to play on its own: its mean, the share within a
// millisecond of 30 ms and what that makes of a round of 3000 frames.
//   node --experimental-websocket tools/measure_web.mjs [DIST [SECONDS]]
// Each frame is timed at its glClear, on the page's real clock.
import { launch, serve } from '../tests/web/browser.mjs';

const dist = process.argv[2] || 'dist/web';
const seconds = Number(process.argv[3] || 10);

const server = await serve(dist);
const page = await launch();
const fetched = new Map();
page.on((method, params) => {
  if (method === 'Network.responseReceived') {
    fetched.set(params.requestId, { url: params.response.url, bytes: 0 });
  } else if (method === 'Network.loadingFinished' && fetched.has(params.requestId)) {
    fetched.get(params.requestId).bytes = params.encodedDataLength;
  }
});
await page.send('Page.enable');
await page.send('Network.enable');
await page.send('Emulation.setDeviceMetricsOverride',
  { width: 1100, height: 800, deviceScaleFactor: 1, mobile: false });
await page.send('Page.addScriptToEvaluateOnNewDocument', {
  source: `window.ttFrameTimes = [];
    const clear = WebGLRenderingContext.prototype.clear;
    WebGLRenderingContext.prototype.clear = function (mask) {
      window.ttFrameTimes.push(performance.now());
      return clear.call(this, mask);
    };`,
});
const loaded = page.waitFor('Page.loadEventFired');
const navigated = Date.now();
await page.send('Page.navigate', { url: server.url });
await loaded;
while (await page.evaluate(`document.getElementById('play').disabled`)) {
  await new Promise((ok) => setTimeout(ok, 10));
}
console.log(`page ready to play     ${Date.now() - navigated} ms after navigation`);
const [x, y] = await page.evaluate(`(() => {
  const r = document.getElementById('canvas').getBoundingClientRect();
  return [r.x + 480, r.y + 320];
})()`);
for (const type of ['mousePressed', 'mouseReleased']) {
  await page.send('Input.dispatchMouseEvent', { type, x, y, button: 'left', clickCount: 1 });
}
while (!(await page.evaluate('window.ttFrameTimes.length'))) {
  await new Promise((ok) => setTimeout(ok, 10));
}
let total = 0;
for (const { url, bytes } of fetched.values()) {
  total += bytes;
  console.log(`${url.replace(server.url, '/').padEnd(22)} ${String(bytes).padStart(9)} bytes`);
}
const mib = total / 1048576;
console.log(`before the first frame ${String(total).padStart(9)} bytes = ${mib.toFixed(3)} MiB` +
  ` (${mib <= 1 ? 'within' : 'OVER'} 1 MiB; with the HTTP headers)`);
await new Promise((ok) => setTimeout(ok, seconds * 1000));
const times = await page.evaluate('window.ttFrameTimes');
await page.close();
server.close();

const intervals = times.slice(1).map((t, i) => t - times[i]).sort((a, b) => a - b);
const at = (q) => intervals[Math.min(intervals.length - 1, Math.floor(q * intervals.length))];
const mean = intervals.reduce((sum, t) => sum + t, 0) / intervals.length;
const near = intervals.filter((t) => Math.abs(t - 30) <= 1).length / intervals.length;
console.log(`frames in ${seconds} s          ${times.length}`);
console.log(`frame interval ms      mean ${mean.toFixed(3)} / median ${at(0.5).toFixed(2)}` +
  ` / p99 ${at(0.99).toFixed(2)} / max ${intervals[intervals.length - 1].toFixed(2)}`);
console.log(`within 30 +- 1 ms      ${(100 * near).toFixed(2)} % of ${intervals.length} intervals`);
console.log(`a round of 3000 frames ${(3000 * mean / 1000).toFixed(2)} s at that mean`);
process.exit(0);
