#!/usr/bin/env bash
# Builds the browser version into a folder any static server can serve:
# index.html with page.js, tabletumble.js, tabletumble.wasm and the data package
# (tabletumble.data with its loader tabletumble.data.js), and SHA256SUMS of them.
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
quietly build-web/build.log cmake --build build-web --target tabletumble -j2

# A fresh folder, so it holds exactly what this build made.
if [ -d "$out" ] && [ -n "$(ls -A "$out")" ] && [ ! -f "$out/index.html" ]; then
  echo "$out holds other files than a browser build's; not emptying it" >&2
  exit 1
fi
rm -rf "$out"
mkdir -p "$out"

# Only the game's own files go in the package, under the names it opens, and
# in the order of their names, so that every build packs the same bytes.
preload=()
while IFS= read -r name; do
  path=$(readlink -f "$data/$name")
  preload+=("${path//@/@@}@/$name")
done < <(find "$data" -maxdepth 1 -type f \( -name '*.3ds' -o -name '*.bmp' -o -name '*.wav' \) \
  ! -name 'icon*' -printf '%f\n' | LC_ALL=C sort)
# Run in the output folder: the loader holds the package's name as given.
log=$PWD/build-web/file_packager.log
(cd "$out" && quietly "$log" python3 "$(em-config EMSCRIPTEN_ROOT)/tools/file_packager.py" \
  tabletumble.data --preload "${preload[@]}" --js-output=tabletumble.data.js --no-node)
# The packager names each package with a random UUID (a key for a browser-side
# cache this page does not use); one made from the package's bytes instead.
sum=$(sha256sum "$out/tabletumble.data")
uuid=${sum:0:8}-${sum:8:4}-${sum:12:4}-${sum:16:4}-${sum:20:12}
sed -i -E "s/(\"package_uuid\": \")[0-9a-f-]{36}\"/\1$uuid\"/" "$out/tabletumble.data.js"

cp platform/web/index.html platform/web/page.js build-web/tabletumble.js \
  build-web/tabletumble.wasm "$out/"
write_sums "$out" '*'
echo "$out: $(du -cb "$out"/tabletumble.{js,wasm,data,data.js} | tail -n1 | cut -f1) bytes to download"
