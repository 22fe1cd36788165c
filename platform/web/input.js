// The player's input: the pointer anywhere on the page (mouse and finger), a
// tap, the keys, game pads and the phone's tilt. Each is read here and handed
// as it is to the game's input layer (window.cpp's tt_* functions), which
// turns it into the game's own messages; nothing here knows how far the
// table tilts.
'use strict';
const ttInput = (() => {
  const kWidth = 960, kHeight = 640;  // the game's picture, whatever size is shown
  let running = false, canvas = null;

  // Moves off the canvas count too, in the same pixels, so a rolling ball
  // never gets away because the pointer left the play area.
  function pointerMoved(event) {
    if (!running || document.hidden || !event.isPrimary) return;
    const r = canvas.getBoundingClientRect();
    const clamp = (v) => Math.max(-32768, Math.min(32767, v));
    const moves = event.getCoalescedEvents ? event.getCoalescedEvents() : [];
    for (const e of moves.length ? moves : [event]) {
      Module._tt_pointer(clamp(Math.round((e.clientX - r.left) * kWidth / r.width)),
        clamp(Math.round((e.clientY - r.top) * kHeight / r.height)));
    }
  }

  // A tap or click on the play area is "confirm": on the board it starts a
  // new round, during a round it does nothing.
  let press = null;
  function pressed(event) {
    if (running && event.isPrimary && !(event.target instanceof HTMLButtonElement)) {
      press = { x: event.clientX, y: event.clientY, time: event.timeStamp };
    }
  }
  function released(event) {
    if (!press || !event.isPrimary) return;
    const moved = Math.hypot(event.clientX - press.x, event.clientY - press.y);
    const held = event.timeStamp - press.time;
    press = null;
    if (running && moved < 12 && held < 600) Module._tt_confirm();
  }

  // The game's keys by their virtual-key codes, as native key-downs carry
  // them; the letters by the character they type, the rest by their place.
  const kKeys = { ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28,
    Enter: 0x0D, NumpadEnter: 0x0D, Space: 0x20, Escape: 0x1B };
  const kLetters = { w: 0x57, a: 0x41, s: 0x53, d: 0x44 };
  const held = new Set();
  const virtualKey = (event) => kKeys[event.code] ?? kLetters[event.key.toLowerCase()];
  // Only the game's keys, only while it runs and with no modifier: every
  // other key keeps its meaning in the browser. Arrows and Space would
  // scroll the page.
  function key(event, down) {
    const code = virtualKey(event);
    if (!running || code === undefined || event.ctrlKey || event.altKey || event.metaKey) return;
    event.preventDefault();
    if (down) held.add(code);
    else if (!held.delete(code)) return;
    Module._tt_key(code, down ? 1 : 0, down && event.repeat ? 1 : 0);
  }
  // A key let go elsewhere never comes back up here.
  function letGo() {
    for (const code of held) Module._tt_key(code, 0, 0);
    held.clear();
  }

  // The phone's attitude when play starts counts as level; its turn from
  // there goes to the layer in degrees: lowering the screen's right side is
  // a pointer moving right, lowering its top edge a pointer moving up,
  // whichever way the phone is turned.
  let reference = null;
  function screenAngle() {
    const angle = screen.orientation ? screen.orientation.angle : window.orientation || 0;
    return ((angle % 360) + 360) % 360;
  }
  function tilted(event) {
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
    Module._tt_tilt(rightDown, -topDown);
  }

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

  // Pads in the standard mapping: left stick (axes 0 and 1) and d-pad
  // (buttons 12 to 15) tilt, A (0) or Start (9) confirm, Back (8) is Esc.
  // Read once a frame, just before it runs: the API has no events for a stick.
  const pads = new Map();  // index -> the buttons pressed at the last reading
  function poll() {
    const seen = new Set();
    const list = running && navigator.getGamepads ? navigator.getGamepads() : [];
    for (const pad of list) {
      if (!pad || !pad.connected || pad.mapping !== 'standard') continue;
      seen.add(pad.index);
      const down = (i) => (pad.buttons[i] ? pad.buttons[i].pressed : false);
      const before = pads.get(pad.index) || [];
      const now = pad.buttons.map((b) => b.pressed);
      pads.set(pad.index, now);
      Module._tt_pad(pad.index, pad.axes[0] || 0, pad.axes[1] || 0,
        down(15) - down(14), down(13) - down(12));
      const pushed = (i) => now[i] && !before[i];
      if (pushed(0) || pushed(9)) Module._tt_confirm();
      if (pushed(8)) Module._tt_back();
    }
    for (const index of pads.keys()) {
      if (seen.has(index)) continue;
      pads.delete(index);
      Module._tt_pad_gone(index);
    }
  }

  function listen(page) {
    canvas = page.querySelector('#canvas');
    const stage = page.querySelector('#stage');
    document.addEventListener('pointermove', pointerMoved);
    stage.addEventListener('pointerdown', pressed);
    document.addEventListener('pointerup', released);
    stage.addEventListener('click', askForTilt);
    addEventListener('deviceorientation', tilted);
    addEventListener('keydown', (event) => key(event, true));
    addEventListener('keyup', (event) => key(event, false));
    addEventListener('blur', letGo);
    // Phones would scroll or zoom the page under a finger that plays.
    document.addEventListener('touchmove', (event) => {
      if (running) event.preventDefault();
    }, { passive: false });
    document.addEventListener('gesturestart', (event) => {
      if (running) event.preventDefault();
    });
  }

  return {
    listen,
    poll,
    askForTilt,
    start() {
      running = true;
      reference = null;
    },
    stop() {
      running = false;
      held.clear();
      pads.clear();
    },
  };
})();
