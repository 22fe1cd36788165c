// The page around the game: starting it and playing again, full screen, and
// a word on the page for every failure. Its input is input.js's, its loading
// loading.js's.
'use strict';
(() => {
  const kAgainKey = 'tabletumble-play-again';
  const $ = (id) => document.getElementById(id);
  const root = document.documentElement, canvas = $('canvas');
  const noKeyboard = matchMedia('(pointer: coarse)').matches;
  let ready = false, failed = false;

  function showError(text) {
    failed = true;
    ttInput.stop();
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
    const file = ttLoading.kFiles.find((name) => text.includes(name));
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

  let running = false;
  function start() {
    if (!ready || running || failed) return;
    // Asked only now: making a context takes a tenth of a second where the
    // GPU is software, and the page loads without that wait.
    if (!webGlWorks()) {
      showError('Tabletumble needs WebGL to draw the table, and this browser has it turned off ' +
        'or does not have it.');
      return;
    }
    ttInput.askForTilt();
    $('start').hidden = true;
    running = true;
    ttInput.start();
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
  addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && !$('end').hidden) {
      event.preventDefault();
      playAgain();
    }
  });
  ttInput.listen(document);

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
      ttLoading.keepForOffline();
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
      ttInput.stop();
      root.classList.remove('playing');
      if (failed) return;
      $('end').hidden = false;
      $('again').focus();
    },
    onPoll: ttInput.poll,
    onAbort: (what) => stopped(String(what)),
    preRun: [ttLoading.preRun],
    instantiateWasm: ttLoading.instantiateWasm,
  };
  ttLoading.start({ showError, downloadFailed });
})();
