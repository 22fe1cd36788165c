#!/usr/bin/env bash
# Builds Tabletumble on Debian 12 and starts it. Installs only what is missing,
# so a second run goes straight to the (incremental) build and the game.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

# shellcheck source=tools/install_missing.sh
source tools/install_missing.sh

# Runs a step quietly; on failure shows the end of its log.
quietly() {
  local log=$1; shift
  mkdir -p build
  if ! "$@" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "==> failed; the whole log is in $log" >&2
    exit 1
  fi
}

# shellcheck disable=SC2046  # one package name per word
install_missing $(packages_for build run)
echo "==> configuring"
quietly build/configure.log cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTT_BUILD_TESTS=OFF
echo "==> building"
quietly build/build.log cmake --build build -j"$(nproc)"
if [ ! -d build/data ]; then
  echo "==> build/data was not generated; the game has nothing to load" >&2
  exit 1
fi
echo "==> starting the game"
cd build/data
exec ../tabletumble
