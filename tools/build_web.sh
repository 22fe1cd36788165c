#!/usr/bin/env bash
# Builds the browser version into a folder any static server can serve:
# index.html, tabletumble.js, tabletumble.wasm and the data package
# (tabletumble.data with its loader tabletumble.data.js).
#   tools/build_web.sh [OUT_DIR [DATA_DIR]]    (defaults: dist/web, build/data)
# The data comes from the native build's generator, built here if needed.
# Installs what is missing of the packages marked build and web.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
out=${1:-dist/web}
data=${2:-build/data}

# shellcheck source=tools/install_missing.sh
source tools/install_missing.sh
# shellcheck disable=SC2046  # one package name per word
install_missing $(packages_for build web)

# Debian's emcc needs Debian's node modules (acorn) for its optimiser.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
# Emscripten builds what its cache lacks of its system libraries on first use.
if [ -z "${EM_CACHE:-}" ] && [ ! -w "$(em-config CACHE)" ]; then
  export EM_CACHE=$PWD/build-web/em-cache
fi

# Runs a step with its output in a log, shown only when the step fails.
quietly() {
  local log=$1; shift
  mkdir -p "$(dirname "$log")"
  "$@" >"$log" 2>&1 || { tail -n 50 "$log"; echo "==> failed; see $log" >&2; exit 1; }
}

if [ "$data" = build/data ]; then
  [ -f build/CMakeCache.txt ] ||
    quietly build/configure.log cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTT_BUILD_TESTS=OFF
  quietly build/data.log cmake --build build --target game_data -j2
fi
[ -f build-web/CMakeCache.txt ] ||
  quietly build-web/configure.log emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release \
    -DTT_WERROR=ON
quietly build-web/build.log cmake --build build-web --target tabletumble -j2

# Only the game's own files go in the package, under the names it opens.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
find "$data" -maxdepth 1 -type f \( -name '*.3ds' -o -name '*.bmp' -o -name '*.wav' \) \
  ! -name 'icon*' -exec cp {} "$stage/" \;
mkdir -p "$out"
quietly build-web/file_packager.log python3 "$(em-config EMSCRIPTEN_ROOT)/tools/file_packager.py" \
  "$out/tabletumble.data" --preload "$stage@/" --js-output="$out/tabletumble.data.js" --no-node
cp platform/web/index.html build-web/tabletumble.js build-web/tabletumble.wasm "$out/"
echo "$out: $(du -cb "$out"/tabletumble.{js,wasm,data,data.js} | tail -n1 | cut -f1) bytes to download"
