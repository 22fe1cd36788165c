// Unpacks a browser build's data with the page's own worker program and the
// build's unpack.wasm, and checks that it gives exactly the desktop's files: the
// packed ones, and the cloth that unpack.wasm makes itself where the package
// has none.
//   node tools/check_web_data.mjs DIST DATA_DIR FILE...
// FILE: the names the game opens. Run by tools/build_web.sh. Exits with 3
// when all that differs is a cloth of the data's own, which then has to be
// packed.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import vm from 'node:vm';

const [dist, data, ...names] = process.argv.slice(2);
const wasm = readFileSync(join(dist, 'unpack.wasm'));
const pack = readFileSync(join(dist, 'tabletumble.data'));
// The page's own worker program, run here as the browser runs it; the
// module it makes is kept to ask whether it made the cloth.
let unpacker = null;
const reply = await new Promise((resolve) => {
  const sandbox = {
    onmessage: null,
    postMessage: resolve,
    WebAssembly: {
      async instantiate(bytes) {
        const made = await WebAssembly.instantiate(bytes);
        unpacker = made.instance.exports;
        return made;
      },
    },
  };
  vm.runInNewContext(readFileSync(join(dist, 'unpack_worker.js'), 'utf8'), sandbox);
  sandbox.onmessage({ data: { wasm, pack } });
});
if (reply.error) throw new Error(`tabletumble.data: ${reply.error}`);
const tar = new Uint8Array(reply.tar);

const field = (at, length) => {
  let text = '';
  for (let i = at; i < at + length && tar[i]; ++i) text += String.fromCharCode(tar[i]);
  return text;
};
const clothMade = unpacker.tt_cloth_made() === 1;
const found = [];
const differ = [];
for (let at = 0; at + 512 <= tar.length && tar[at];) {
  let sum = 0;
  for (let i = 0; i < 512; ++i) sum += i >= 148 && i < 156 ? 32 : tar[at + i];
  const name = field(at, 100), length = parseInt(field(at + 124, 12), 8);
  if (parseInt(field(at + 148, 8), 8) !== sum) throw new Error(`${name}: tar header checksum`);
  const body = tar.subarray(at + 512, at + 512 + length);
  if (!Buffer.from(body).equals(readFileSync(join(data, name)))) differ.push(name);
  found.push(name);
  at += 512 + Math.ceil(length / 512) * 512;
}
const want = [...names].sort(), got = [...found].sort();
const sameNames = want.join() === got.join();
if (sameNames && differ.length === 1 && differ[0] === 'linen.bmp' && clothMade) {
  console.error('linen.bmp: the data\'s cloth is not the one the browser makes');
  process.exit(3);
}
for (const name of differ) console.error(`${name}: the browser's bytes differ from ${join(data, name)}`);
if (!sameNames) console.error(`the browser gets ${got.join(' ')}\nthe game opens ${want.join(' ')}`);
if (!found.includes('linen.bmp')) console.error('unpack.wasm made no cloth');
if (differ.length || !sameNames) process.exit(1);
console.log(`${found.length} files as on the desktop, linen.bmp ` +
  `${clothMade ? 'made in the browser' : 'as the data has it'}`);
