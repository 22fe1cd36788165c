// Takes the browser pictures of docs/ (with ImageMagick's convert): the page
// on a desktop (docs/web.png) and on a phone held sideways and upright
// (docs/web-phone-landscape.png, docs/web-phone-portrait.png), each a moment
// into a round with the table tilted a little.
//   node --experimental-websocket tools/screenshot_web.mjs [DIST [DOCS_DIR]]
import { spawnSync } from 'node:child_process';
import { join } from 'node:path';
import { launch, serve } from '../tests/web/browser.mjs';

const dist = process.argv[2] || 'dist/web';
const docs = process.argv[3] || 'docs';

const kShots = [
  ['web.png', { width: 1200, height: 780, mobile: false }],
  ['web-phone-landscape.png', { width: 844, height: 390, mobile: true, angle: 90 }],
  ['web-phone-portrait.png', { width: 390, height: 844, mobile: true, angle: 0 }],
];

const server = await serve(dist);
for (const [name, { width, height, mobile, angle = 0 }] of kShots) {
  const page = await launch();
  await page.send('Page.enable');
  const type = width > height ? 'landscapePrimary' : 'portraitPrimary';
  await page.send('Emulation.setDeviceMetricsOverride',
    { width, height, deviceScaleFactor: 1, mobile, screenOrientation: { type, angle } });
  if (mobile) {
    await page.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 1 });
  }
  const loaded = page.waitFor('Page.loadEventFired');
  await page.send('Page.navigate', { url: server.url });
  await loaded;
  while (await page.evaluate(`document.getElementById('play').disabled`)) {
    await new Promise((ok) => setTimeout(ok, 20));
  }
  const [r, play] = await page.evaluate(`(() => {
    const r = document.getElementById('canvas').getBoundingClientRect();
    const p = document.getElementById('play').getBoundingClientRect();
    return [{ x: r.x, y: r.y, scale: r.width / 960 },
      { x: p.x + p.width / 2, y: p.y + p.height / 2 }];
  })()`);
  // Points of the 960 x 640 picture on the page.
  const at = (x, y) => ({ x: r.x + x * r.scale, y: r.y + y * r.scale });
  if (mobile) {
    const touch = (type, x, y) => page.send('Input.dispatchTouchEvent',
      { type, touchPoints: type === 'touchEnd' ? [] : [x === undefined ? play : at(x, y)] });
    await touch('touchStart');
    await touch('touchEnd');
    await new Promise((ok) => setTimeout(ok, 500));  // not a double tap
    await touch('touchStart', 530, 400);
    for (let i = 1; i <= 6; ++i) await touch('touchMove', 530 + 8 * i, 400 - 4 * i);
    await touch('touchEnd');
  } else {
    const mouse = (type, x, y) => page.send('Input.dispatchMouseEvent', { type,
      ...(x === undefined ? play : at(x, y)), button: type === 'mouseMoved' ? 'none' : 'left',
      clickCount: 1 });
    await mouse('mousePressed');
    await mouse('mouseReleased');
    for (let i = 1; i <= 6; ++i) await mouse('mouseMoved', 530 + 8 * i, 400 - 4 * i);
  }
  await new Promise((ok) => setTimeout(ok, 1500));
  const { data } = await page.send('Page.captureScreenshot', { format: 'png' });
  // 256 colours keep the files small, as the desktop pictures are.
  spawnSync('convert', ['-', ...(mobile ? [] : ['-resize', '800x']), '-strip', '-colors', '256',
    `PNG8:${join(docs, name)}`], { input: Buffer.from(data, 'base64') });
  await page.close();
}
server.close();
process.exit(0);
