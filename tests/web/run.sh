#!/usr/bin/env bash
# Builds the browser version twice, with the generated data and with that data
# less pizza.bmp, and plays both (tests/web/browser_test.mjs) in Debian's
# headless Chromium, Firefox ESR and WebKitGTK's MiniBrowser; the last two draw
# on an Xvfb of their own and sound into a PulseAudio null sink (without a
# sound device Firefox never starts its audio). The npm libraries that drive
# them install from tests/web/package-lock.json; none downloads a browser.
# Needs build/data from the native build (tools/build_web.sh makes it if missing).
#   TT_WEB_CASES=REGEX TT_WEB_ENGINES=REGEX bash tests/web/run.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

if [ -z "${TT_WEB_SKIP_BUILD:-}" ]; then
  tools/build_web.sh build-web/dist build/data
  no_pizza=$(mktemp -d)
  cp build/data/* "$no_pizza/"
  rm "$no_pizza/pizza.bmp"
  tools/build_web.sh build-web/dist-no-pizza "$no_pizza"
  rm -rf "$no_pizza"
fi

export PUPPETEER_SKIP_DOWNLOAD=1 PUPPETEER_SKIP_CHROME_DOWNLOAD=1 PUPPETEER_SKIP_CHROME_HEADLESS_SHELL_DOWNLOAD=1
export PUPPETEER_SKIP_FIREFOX_DOWNLOAD=1 SE_OFFLINE=true
command -v npm >/dev/null || { source tools/install_missing.sh; install_missing npm; }
(cd tests/web && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)

scratch=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# A free display; -noreset, so the server never resets between browsers.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -noreset -screen 0 1280x1024x24 >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.05; done

mkdir -p "$scratch/pulse"
HOME=$scratch/pulse XDG_RUNTIME_DIR=$scratch/pulse pulseaudio -n --daemonize=no \
  --exit-idle-time=-1 --disallow-exit --use-pid-file=no --disable-shm \
  -L module-null-sink -L "module-native-protocol-unix socket=$scratch/pulse/native auth-anonymous=1" \
  >"$scratch/pulse.log" 2>&1 &
pids+=($!)
export PULSE_SERVER="unix:$scratch/pulse/native"
for _ in $(seq 100); do [ -e "$scratch/pulse/native" ] && break; sleep 0.05; done

node tests/web/browser_test.mjs build-web/dist build-web/dist-no-pizza build/data
