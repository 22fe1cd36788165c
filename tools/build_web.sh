#!/usr/bin/env bash
# Builds the browser version into a folder any static server can serve:
# index.html with its scripts (page.js, input.js, loading.js, unpack_worker.js), the game (tabletumble.js, tabletumble.wasm), its data
# packed small (tabletumble.data, unpacked by unpack.wasm), what makes it an app
# that plays offline (manifest.webmanifest, its icons, sw.js), and SHA256SUMS.
# The same sources give the same bytes in any folder.
#   tools/build_web.sh [OUT_DIR [DATA_DIR]]    (defaults: dist/web, build/data)
# The data comes from the native build's generator, built here if needed.
# Installs what is missing of the packages marked build and web.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
out=${1:-dist/web}
data=${2:-build/data}

# shellcheck source=tools/install_missing.sh
source tools/install_missing.sh
# shellcheck source=tools/release.sh
source tools/release.sh
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
quietly build-web/build.log cmake --build build-web --target tabletumble unpack -j2

# A fresh folder, so it holds exactly what this build made.
if [ -d "$out" ] && [ -n "$(ls -A "$out")" ] && [ ! -f "$out/index.html" ]; then
  echo "$out holds other files than a browser build's; not emptying it" >&2
  exit 1
fi
rm -rf "$out"
mkdir -p "$out"

# Only the game's own files go in the package, under the names it opens,
# less the cloth, which unpack.wasm makes with the generator's code.
mapfile -t files < <(find "$data" -maxdepth 1 -type f \( -name '*.3ds' -o -name '*.bmp' -o \
  -name '*.wav' \) ! -name 'icon*' | LC_ALL=C sort)
packed=()
for file in "${files[@]}"; do
  [ "$(basename "$file")" = linen.bmp ] || packed+=("$file")
done
quietly build-web/pack.log python3 tools/web_pack.py data "$out/tabletumble.data" "${packed[@]}"

cp platform/web/index.html platform/web/{page,input,loading,unpack_worker}.js \
  platform/web/manifest.webmanifest \
  build-web/tabletumble.js build-web/tabletumble.wasm build-web/platform/web/unpack.wasm \
  "$data/icon-192.png" "$data/icon-512.png" "$out/"
# The page's files then hold exactly the desktop's. A cloth of the data's
# own (a player's photo) goes in the package as it is.
mapfile -t names < <(for file in "${files[@]}"; do basename "$file"; done)
check() { node tools/check_web_data.mjs "$out" "$data" "${names[@]}"; }
status=0
check >/dev/null 2>&1 || status=$?
if [ "$status" = 3 ]; then
  quietly build-web/pack.log python3 tools/web_pack.py data "$out/tabletumble.data" "${files[@]}"
fi
check
python3 tools/web_pack.py finish "$out" platform/web/sw.js
write_sums "$out" '*'
first=(index.html page.js input.js loading.js unpack_worker.js tabletumble.js tabletumble.wasm unpack.wasm tabletumble.data)
echo "$out: $(cd "$out" && du -cb "${first[@]}" | tail -n1 | cut -f1) bytes to download before play"
