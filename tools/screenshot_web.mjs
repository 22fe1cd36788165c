// Takes docs/web.png: the browser page in headless Chromium, a moment into a
// round with the table tilted a little.
//   node --experimental-websocket tools/screenshot_web.mjs [DIST [OUT.png]]
import { writeFileSync } from 'node:fs';
import { launch, serve } from '../tests/web/browser.mjs';

const dist = process.argv[2] || 'dist/web';
const out = process.argv[3] || 'docs/web.png';

const server = await serve(dist);
const page = await launch();
await page.send('Page.enable');
await page.send('Emulation.setDeviceMetricsOverride',
  { width: 1200, height: 780, deviceScaleFactor: 1, mobile: false });
const loaded = page.waitFor('Page.loadEventFired');
await page.send('Page.navigate', { url: server.url });
await loaded;
while (await page.evaluate(`document.getElementById('play').disabled`)) {
  await new Promise((ok) => setTimeout(ok, 20));
}
const [x, y] = await page.evaluate(`(() => {
  const r = document.getElementById('canvas').getBoundingClientRect();
  return [r.x, r.y];
})()`);
const mouse = (type, dx, dy) => page.send('Input.dispatchMouseEvent',
  { type, x: x + dx, y: y + dy, button: type === 'mouseMoved' ? 'none' : 'left', clickCount: 1 });
await mouse('mousePressed', 530, 400);
await mouse('mouseReleased', 530, 400);
for (let i = 1; i <= 6; ++i) await mouse('mouseMoved', 530 + 8 * i, 400 - 4 * i);
await new Promise((ok) => setTimeout(ok, 1500));
const { data } = await page.send('Page.captureScreenshot', { format: 'png' });
writeFileSync(out, Buffer.from(data, 'base64'));
await page.close();
server.close();
process.exit(0);
