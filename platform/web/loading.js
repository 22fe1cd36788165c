// Loading the game: the bar counts the bytes of every download, the data
// package is unpacked in a worker (unpack_worker.js) and its files go into
// the game's file system before main runs; once ready, sw.js keeps the
// build's files for the next visit.
'use strict';
const ttLoading = (() => {
  // What the page downloads after itself, and each file's size in bytes:
  // tools/build_web.sh writes them in.
  const kSizes = {};
  // Longest name first: one can be the start of another.
  const kFiles = ['tabletumble.wasm', 'tabletumble.data', 'tabletumble.js', 'unpack.wasm'];
  const $ = (id) => document.getElementById(id);
  let say = null;  // the page's messages: { downloadFailed(file), showError(text) }

  class DownloadError extends Error {
    constructor(file) {
      super(`${file} could not be downloaded`);
      this.file = file;
    }
  }
  function loadFailed(error) {
    if (error instanceof DownloadError) say.downloadFailed(error.file);
    else say.showError(String(error.message || error));
  }

  const loaded = {};
  function progress(file, bytes) {
    loaded[file] = bytes;
    const sum = (sizes) => Object.values(sizes).reduce((a, b) => a + b, 0);
    const total = sum(kSizes), done = Math.min(sum(loaded), total);
    const megabytes = (n) => (n / 1e6).toFixed(1);
    $('progress').max = total;
    $('progress').value = done;
    $('progress-text').textContent = `Loading… ${megabytes(done)} of ${megabytes(total)} MB`;
  }

  // A whole file, counted as it comes in.
  async function download(file) {
    let response;
    try {
      response = await fetch(file);
    } catch {
      throw new DownloadError(file);
    }
    if (!response.ok) throw new DownloadError(file);
    const parts = [];
    let size = 0;
    for (const reader = response.body.getReader(); ;) {
      let part;
      try {
        part = await reader.read();
      } catch {
        throw new DownloadError(file);
      }
      if (part.done) break;
      parts.push(part.value);
      size += part.value.length;
      progress(file, size);
    }
    const bytes = new Uint8Array(size);
    parts.reduce((at, part) => (bytes.set(part, at), at + part.length), 0);
    return bytes;
  }

  let worker = null, unpacked = null;
  function startWorker() {
    worker = new Worker('unpack_worker.js');
    worker.onmessage = ({ data }) => {
      worker.terminate();
      if (data.error) unpacked.fail(new Error(`tabletumble.data is damaged: ${data.error}`));
      else unpacked.ok(new Uint8Array(data.tar));
    };
    worker.onerror = (event) => {
      const error = new Error(`the data cannot be unpacked: ${event.message}`);
      if (unpacked) unpacked.fail(error);
      else say.showError(error.message);
    };
  }
  function unpack(wasm, pack) {
    return new Promise((ok, fail) => {
      unpacked = { ok, fail };
      worker.postMessage({ wasm, pack }, [wasm.buffer, pack.buffer]);
    });
  }

  // The tar's files, by name.
  function untar(tar) {
    const files = [];
    const field = (at, length) => {
      let text = '';
      for (let i = at; i < at + length && tar[i]; ++i) text += String.fromCharCode(tar[i]);
      return text;
    };
    for (let at = 0; at + 512 <= tar.length && tar[at];) {
      const size = parseInt(field(at + 124, 12), 8);
      if (!(size >= 0) || at + 512 + size > tar.length) {
        throw new Error('tabletumble.data is damaged');
      }
      files.push([field(at, 100), tar.subarray(at + 512, at + 512 + size)]);
      at += 512 + Math.ceil(size / 512) * 512;
    }
    return files;
  }

  // The game's files go into its file system before main runs; the runtime
  // waits for them if the code is there first.
  let dataFiles = null, runtimeWaits = false;
  function putData() {
    for (const [name, bytes] of dataFiles) {
      Module.FS_createDataFile('/', name, bytes, true, false, true);  // the file keeps the bytes
    }
  }
  const loadData = () => Promise.all([download('unpack.wasm'), download('tabletumble.data')])
    .then(([wasm, pack]) => unpack(wasm, pack)).then((tar) => {
      dataFiles = untar(tar);
      if (runtimeWaits) {
        putData();
        Module.removeRunDependency('tt-data');
      }
    });

  // sw.js keeps this build's files (browsers allow it on HTTPS and localhost).
  // A newer build's worker is told to take over only once this page has all
  // its files, so no page ever runs on two builds' files; the next visit
  // then gets the new build.
  function keepForOffline() {
    if (!('serviceWorker' in navigator) || !isSecureContext) return;
    navigator.serviceWorker.register('sw.js').then((registration) => {
      const takeOver = (worker) => {
        if (worker.state === 'installed') {
          worker.postMessage('take over');
        } else if (worker.state === 'installing') {
          worker.addEventListener('statechange', () => takeOver(worker), { once: true });
        }
      };
      if (registration.installing || registration.waiting) {
        takeOver(registration.installing || registration.waiting);
      }
      registration.addEventListener('updatefound', () => takeOver(registration.installing));
    }, () => {});
  }

  let gameCode = null;
  return {
    kFiles,
    keepForOffline,
    preRun() {
      if (dataFiles) {
        putData();
      } else {
        runtimeWaits = true;
        Module.addRunDependency('tt-data');
      }
    },
    // The game's code, fetched here so that it is counted and a failed
    // download is named.
    instantiateWasm(imports, receive) {
      gameCode.then((bytes) => WebAssembly.instantiate(bytes, imports).then(
        (result) => receive(result.instance),
        (error) => say.showError(`tabletumble.wasm could not be started: ${error}`)),
      (error) => loadFailed(error));
      return {};
    },
    // The page is painted first, so its words show at once however slow the
    // network; then every download starts at once, and the worker with them.
    start(messages) {
      say = messages;
      const begin = () => {
        startWorker();
        loadData().catch(loadFailed);
        gameCode = download('tabletumble.wasm');
        gameCode.catch(() => {});  // taken up when the game's script asks for it
        const script = document.createElement('script');
        script.src = 'tabletumble.js';
        script.onload = () => progress('tabletumble.js', kSizes['tabletumble.js'] || 0);
        script.onerror = () => say.downloadFailed('tabletumble.js');
        document.body.appendChild(script);
      };
      if (document.hidden) return begin();  // nothing is painted before it is shown
      // On a busy machine a frame can be shown well after its animation frame
      // callback, so the page waits for the browser's word that it was painted.
      const paint = window.PerformanceObserver &&
        (PerformanceObserver.supportedEntryTypes || []).includes('paint');
      if (!paint) return requestAnimationFrame(() => setTimeout(begin));
      let started = false;
      const once = () => {
        if (!started) begin();
        started = true;
      };
      const painted = new PerformanceObserver((list) => {
        if (!list.getEntriesByName('first-contentful-paint').length) return;
        painted.disconnect();
        once();
      });
      painted.observe({ type: 'paint', buffered: true });
      setTimeout(once, 1000);  // a paint the browser does not report
    },
  };
})();
