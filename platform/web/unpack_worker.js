// The data package's unpacker, a worker of its own so the page stays live:
// unpack.wasm unpacks the package into memory past its own, a slice per call
// (the browser optimises a function that is called again), and the worker
// hands back the tar.
'use strict';
onmessage = async ({ data: { wasm, pack } }) => {
  try {
    const { instance } = await WebAssembly.instantiate(wasm);
    const x = instance.exports, memory = x.memory;
    x._initialize();
    const room = (bytes) => {
      const at = memory.buffer.byteLength;
      memory.grow(Math.ceil(bytes / 65536));
      return at;
    };
    const input = room(pack.length);
    new Uint8Array(memory.buffer, input, pack.length).set(pack);
    const size = x.tt_unpacked_size(input, pack.length);
    if (size < 0) throw new Error('not a data package');
    const output = room(size);
    if (x.tt_unpack_start(input, pack.length, output, size) < 0) throw new Error('no data');
    for (let done = 0; done < size;) {
      done = x.tt_unpack_run(Math.min(size, done + (1 << 18)));
      if (done < 0) throw new Error('damaged');
    }
    const tar = memory.buffer.slice(output, output + size);
    postMessage({ tar }, [tar]);
  } catch (error) {
    postMessage({ error: String(error.message || error) });
  }
};
