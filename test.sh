#!/usr/bin/env bash
# Builds Tabletumble with its tests in build/ and runs them all. Needs no X
# server and no sound card (the end-to-end tests start their own Xvfb).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

PACKAGES=(build-essential cmake pkg-config libsdl2-dev libgl-dev libglu1-mesa-dev
  libgl1-mesa-dri libegl1 libegl-mesa0 libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev googletest xvfb xdotool x11-utils xauth)

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "==> installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
}

# Runs a step quietly; on failure shows the end of its log.
quietly() {
  local log=$1; shift
  mkdir -p "$(dirname "$log")"
  if ! "$@" >"$log" 2>&1; then
    tail -n 100 "$log"
    echo "==> failed; the whole log is in $log" >&2
    exit 1
  fi
}

install_missing "${PACKAGES[@]}"

echo "==> configuring (Release, tests on, warnings are errors)"
quietly build/configure.log cmake -S . -B build -DCMAKE_BUILD_TYPE=Release \
  -DTT_BUILD_TESTS=ON -DTT_WERROR=ON
echo "==> building"
quietly build/build.log cmake --build build -j"$(nproc)"
echo "==> running the tests"
SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=offscreen \
  ctest --test-dir build --output-on-failure </dev/null

# Sanitizer build: a second tree, build-asan/, configured with -DTT_SANITIZE=ON,
# built and run with the same ctest line, goes here.
