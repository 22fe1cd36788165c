// The page around the game: starting it and playing again, the player's
// mouse, finger, tilt and Esc turned into the game's own mouse-move and Esc
// messages, and a word on the page for every failure.
'use strict';
(() => {
  const kWidth = 960, kHeight = 640;  // the game's picture, whatever size is shown
  // What the page downloads after itself, and each file's size in bytes:
  // tools/build_web.sh writes them in.
  const kSizes = {};
  // Longest name first: one can be the start of another.
  const kFiles = ['tabletumble.wasm', 'tabletumble.data', 'tabletumble.js', 'unpack.wasm'];
  const kAgainKey = 'tabletumble-play-again';
  const $ = (id) => document.getElementById(id);
  const root = document.documentElement, canvas = $('canvas'), stage = $('stage');
  const noKeyboard = matchMedia('(pointer: coarse)').matches;
  let ready = false, running = false, failed = false;

  function showError(text) {
    failed = true;
    running = false;
    root.classList.remove('playing');
    $('message').textContent = text;
    $('problem').hidden = false;
    $('start').hidden = true;
    $('end').hidden = true;
  }
  const downloadFailed = (file) => showError(`${file} could not be downloaded, so the game ` +
    'cannot start. Reloading the page may help.');
  class DownloadError extends Error {
    constructor(file) {
      super(`${file} could not be downloaded`);
      this.file = file;
    }
  }
  // Uncaught errors name a file of the game when its download failed.
  function stopped(text) {
    if (failed) return;
    const file = kFiles.find((name) => text.includes(name));
    if (file && !ready) downloadFailed(file);
    else showError(`Tabletumble stopped: ${text}`);
  }
  addEventListener('error', (event) => stopped(String(event.message || event.error)));
  addEventListener('unhandledrejection', (event) => stopped(String(event.reason)));

  function webGlWorks() {
    try {
      const gl = document.createElement('canvas').getContext('webgl');
      if (!gl) return false;
      const lose = gl.getExtension('WEBGL_lose_context');
      if (lose) lose.loseContext();
      return true;
    } catch {
      return false;
    }
  }

  // ---- Moves: the pointer anywhere on the page, and the phone's tilt ----
  // The position last sent, in client pixels of the picture, and how far the
  // tilt's steps have taken it from the pointer's real place.
  let last = [kWidth / 2, kHeight / 2];
  const drift = [0, 0];

  function send(x, y) {
    const clamp = (v) => Math.max(-32768, Math.min(32767, v));
    last = [clamp(x), clamp(y)];
    Module._tt_mouse_move(last[0], last[1]);
  }

  // Moves off the canvas count too, in the same pixels, so a rolling ball
  // never gets away because the pointer left the play area.
  document.addEventListener('pointermove', (event) => {
    if (!running || document.hidden || !event.isPrimary) return;
    const r = canvas.getBoundingClientRect();
    const moves = event.getCoalescedEvents ? event.getCoalescedEvents() : [];
    for (const e of moves.length ? moves : [event]) {
      send(Math.round((e.clientX - r.left) * kWidth / r.width) + drift[0],
        Math.round((e.clientY - r.top) * kHeight / r.height) + drift[1]);
    }
  });

  // The phone's attitude when play starts counts as level. Each degree it
  // turns from there is one step of the table's half degree, up to the
  // table's 20 steps each way: lowering the screen's right side is a mouse
  // moving right, lowering its top edge a mouse moving up, whichever way the
  // phone is turned. A step is taken only a whole degree past the last one,
  // so a phone held still sends nothing. The page counts the steps it has
  // sent; the table starts level and a new round levels it again.
  const kDegreesPerStep = 1, kMaxSteps = 20;
  let reference = null;
  const target = [0, 0], sent = [0, 0];

  function screenAngle() {
    const angle = screen.orientation ? screen.orientation.angle : window.orientation || 0;
    return ((angle % 360) + 360) % 360;
  }
  function quantise(steps, current) {
    if (steps >= current + 1) current = Math.floor(steps);
    else if (steps <= current - 1) current = Math.ceil(steps);
    return Math.max(-kMaxSteps, Math.min(kMaxSteps, current));
  }
  addEventListener('deviceorientation', (event) => {
    if (!running || document.hidden || event.beta == null || event.gamma == null) return;
    const angle = screenAngle();
    if (!reference || reference.angle !== angle) {
      reference = { beta: event.beta, gamma: event.gamma, angle };
    }
    // beta grows as the top edge rises, gamma as the right side goes down.
    const beta = ((event.beta - reference.beta + 540) % 360) - 180;
    const gamma = event.gamma - reference.gamma;
    const a = angle * Math.PI / 180;
    const rightDown = gamma * Math.cos(a) + beta * Math.sin(a);
    const topDown = gamma * Math.sin(a) - beta * Math.cos(a);
    target[0] = quantise(rightDown / kDegreesPerStep, target[0]);
    target[1] = quantise(-topDown / kDegreesPerStep, target[1]);
    while (sent[0] !== target[0] || sent[1] !== target[1]) {
      const step = [Math.sign(target[0] - sent[0]), Math.sign(target[1] - sent[1])];
      for (const i of [0, 1]) {
        sent[i] += step[i];
        drift[i] += step[i];
      }
      send(last[0] + step[0], last[1] + step[1]);
    }
  });

  // Browsers that ask (iOS) ask on the first tap.
  let askedForTilt = false;
  function askForTilt() {
    if (askedForTilt) return;
    askedForTilt = true;
    const Orientation = window.DeviceOrientationEvent;
    if (Orientation && typeof Orientation.requestPermission === 'function') {
      Orientation.requestPermission().catch(() => {});
    }
  }

  // ---- Esc, and a tap or click on the board ----
  // A tap is sent as Esc that may not quit: on the board it starts a new
  // round as Esc does; during a round it does nothing.
  const escape = (tap) => Module._tt_escape(tap ? 1 : 0);

  let press = null;
  stage.addEventListener('pointerdown', (event) => {
    if (running && event.isPrimary && !(event.target instanceof HTMLButtonElement)) {
      press = { x: event.clientX, y: event.clientY, time: event.timeStamp };
    }
  });
  document.addEventListener('pointerup', (event) => {
    if (!press || !event.isPrimary) return;
    const moved = Math.hypot(event.clientX - press.x, event.clientY - press.y);
    const held = event.timeStamp - press.time;
    press = null;
    if (running && moved < 12 && held < 600) escape(true);
  });
  stage.addEventListener('click', askForTilt);
  // Phones would scroll or zoom the page under a finger that plays.
  document.addEventListener('touchmove', (event) => {
    if (running) event.preventDefault();
  }, { passive: false });
  document.addEventListener('gesturestart', (event) => {
    if (running) event.preventDefault();
  });

  // Only Esc is the game's, and only while it runs: every other key keeps
  // its meaning in the browser.
  addEventListener('keydown', (event) => {
    if (running && event.key === 'Escape') {
      event.preventDefault();
      escape(false);
    } else if (event.key === 'Enter' && !$('end').hidden) {
      event.preventDefault();
      playAgain();
    }
  });

  // ---- Loading: the bar counts the bytes, the data goes in before main ----
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

  // The worker's whole program, started from this text: unpack.wasm unpacks
  // the package into memory past its own, a slice per call (the browser
  // optimises a function that is called again), and it hands back the tar.
  function workerProgram() {
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
  }
  let worker = null, unpacked = null;
  function startWorker() {
    const program = new Blob([`(${workerProgram})()`], { type: 'text/javascript' });
    const url = URL.createObjectURL(program);
    worker = new Worker(url);
    worker.onmessage = ({ data }) => {
      worker.terminate();
      URL.revokeObjectURL(url);
      if (data.error) unpacked.fail(new Error(`tabletumble.data is damaged: ${data.error}`));
      else unpacked.ok(new Uint8Array(data.tar));
    };
    worker.onerror = (event) => {
      const error = new Error(`the data cannot be unpacked: ${event.message}`);
      if (unpacked) unpacked.fail(error);
      else showError(error.message);
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

  // ---- Kept for the next visit, also without a network ----
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

  // ---- Starting, ending, playing again ----
  function start() {
    if (!ready || running || failed) return;
    // Asked only now: making a context takes a tenth of a second where the
    // GPU is software, and the page loads without that wait.
    if (!webGlWorks()) {
      showError('Tabletumble needs WebGL to draw the table, and this browser has it turned off ' +
        'or does not have it.');
      return;
    }
    askForTilt();
    $('start').hidden = true;
    running = true;
    root.classList.add('playing');
    Module.callMain([]);
  }
  // A new game is a fresh page; it starts at once, without another click.
  function playAgain() {
    sessionStorage.setItem(kAgainKey, '1');
    location.reload();
  }
  $('start').addEventListener('click', start);
  $('end').addEventListener('click', playAgain);

  const fullscreenOn = () => document.fullscreenElement || document.webkitFullscreenElement;
  if (document.fullscreenEnabled || document.webkitFullscreenEnabled) {
    for (const button of document.querySelectorAll('.fullscreen')) {
      button.hidden = false;
      button.addEventListener('click', (event) => {
        event.stopPropagation();  // not a click on the cover behind it
        if (fullscreenOn()) {
          (document.exitFullscreen || document.webkitExitFullscreen).call(document);
        } else {
          Promise.resolve((root.requestFullscreen || root.webkitRequestFullscreen).call(root))
            .catch(() => {});
        }
      });
    }
  }

  // Emscripten's GL emulation greets every start with these; they say nothing
  // about this game. Anything else the game's stderr gets goes to the console.
  const kBanners = new Set([
    'WARNING: using emscripten GL emulation. This is a collection of limited workarounds, ' +
      'do not expect it to work.',
    'WARNING: using emscripten GL emulation unsafe opts. If weirdness happens, try ' +
      '-s GL_UNSAFE_OPTS=0',
    'WARNING: using emscripten GL immediate mode emulation. This is very limited in what it ' +
      'supports',
  ]);

  window.Module = {
    canvas,
    showError,
    printErr(text) {
      if (!kBanners.has(text)) console.warn(text);
    },
    onRuntimeInitialized() {
      ready = true;
      if (failed) return;
      root.classList.add('ready');
      keepForOffline();
      const play = $('play');
      play.textContent = noKeyboard ? 'Tap to play' : 'Click to play';
      play.disabled = false;
      play.focus();
      if (sessionStorage.getItem(kAgainKey)) {
        sessionStorage.removeItem(kAgainKey);
        start();
      }
    },
    onGameEnd() {
      running = false;
      root.classList.remove('playing');
      if (failed) return;
      $('end').hidden = false;
      $('again').focus();
    },
    onCursorSet(x, y) {
      last = [x, y];
    },
    onRestart() {
      sent[0] = sent[1] = 0;
    },
    onAbort: (what) => stopped(String(what)),
    preRun: [() => {
      if (dataFiles) {
        putData();
      } else {
        runtimeWaits = true;
        Module.addRunDependency('tt-data');
      }
    }],
    // The game's code, fetched here so that it is counted and a failed
    // download is named.
    instantiateWasm(imports, receive) {
      gameCode.then((bytes) => WebAssembly.instantiate(bytes, imports).then(
        (result) => receive(result.instance),
        (error) => showError(`tabletumble.wasm could not be started: ${error}`)),
      (error) => loadFailed(error));
      return {};
    },
  };
  function loadFailed(error) {
    if (error instanceof DownloadError) downloadFailed(error.file);
    else showError(String(error.message || error));
  }

  // The page is painted first, so its words show at once however slow the
  // network; then every download starts at once, and the worker with them.
  let gameCode = null;
  function startLoading() {
    startWorker();
    loadData().catch(loadFailed);
    gameCode = download('tabletumble.wasm');
    gameCode.catch(() => {});  // taken up when the game's script asks for it
    const script = document.createElement('script');
    script.src = 'tabletumble.js';
    script.onload = () => progress('tabletumble.js', kSizes['tabletumble.js'] || 0);
    script.onerror = () => downloadFailed('tabletumble.js');
    document.body.appendChild(script);
  }
  // On a busy machine a frame can be shown well after its animation frame
  // callback, so the page waits for the browser's word that it was painted.
  const paintTiming = window.PerformanceObserver &&
    (PerformanceObserver.supportedEntryTypes || []).includes('paint');
  if (document.hidden) {
    startLoading();  // nothing is painted before it is shown
  } else if (paintTiming) {
    let started = false;
    const once = () => {
      if (!started) startLoading();
      started = true;
    };
    const painted = new PerformanceObserver((list) => {
      if (list.getEntriesByName('first-contentful-paint').length) {
        painted.disconnect();
        once();
      }
    });
    painted.observe({ type: 'paint', buffered: true });
    setTimeout(once, 1000);  // a paint the browser does not report
  } else {
    requestAnimationFrame(() => setTimeout(startLoading));
  }
})();
