// The page around the game: starting it and playing again, the player's
// mouse, finger, tilt and Esc turned into the game's own mouse-move and Esc
// messages, and a word on the page for every failure.
'use strict';
(() => {
  const kWidth = 960, kHeight = 640;  // the game's picture, whatever size is shown
  // Longest name first: one can be the start of another.
  const kFiles = ['tabletumble.data.js', 'tabletumble.wasm', 'tabletumble.data', 'tabletumble.js'];
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

  // ---- Starting, ending, playing again ----
  function start() {
    if (!ready || running || failed) return;
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

  window.Module = {
    canvas,
    showError,
    onRuntimeInitialized() {
      ready = true;
      if (failed) return;
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
    // The game's code, fetched here so that a failed download is named.
    instantiateWasm(imports, receive) {
      fetch('tabletumble.wasm').then((response) => {
        if (!response.ok) throw new Error(response.statusText);
        return response.arrayBuffer();
      }).then((bytes) => WebAssembly.instantiate(bytes, imports).then(
        (result) => receive(result.instance),
        (error) => showError(`tabletumble.wasm could not be started: ${error}`)),
      () => downloadFailed('tabletumble.wasm'));
      return {};
    },
  };

  if (!webGlWorks()) {
    showError('Tabletumble needs WebGL to draw the table, and this browser has it turned off ' +
      'or does not have it.');
    return;
  }
  for (const file of ['tabletumble.data.js', 'tabletumble.js']) {
    const script = document.createElement('script');
    script.src = file;
    script.async = false;  // the data's loader first, then the game
    script.onerror = () => downloadFailed(file);
    document.body.appendChild(script);
  }
})();
