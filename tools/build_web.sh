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
# Emscripten builds its system libraries into its cache on first use (minutes).
if [ -z "${EM_CACHE:-}" ] && [ ! -w "$(em-config CACHE)" ]; then
  export EM_CACHE=$PWD/build-web/em-cache
fi

if [ "$data" = build/data ]; then
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTT_BUILD_TESTS=OFF >/dev/null
  cmake --build build --target game_data -j2 >/dev/null
fi
[ -f build-web/CMakeCache.txt ] ||
  emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DTT_WERROR=ON >/dev/null
cmake --build build-web --target tabletumble -j2 >/dev/null

# Only the game's own files go in the package, under the names it opens.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
find "$data" -maxdepth 1 -type f \( -name '*.3ds' -o -name '*.bmp' -o -name '*.wav' \) \
  ! -name 'icon*' -exec cp {} "$stage/" \;
mkdir -p "$out"
python3 "$(em-config EMSCRIPTEN_ROOT)/tools/file_packager.py" "$out/tabletumble.data" \
  --preload "$stage@/" --js-output="$out/tabletumble.data.js" --no-node \
  >build-web/file_packager.log 2>&1 || { cat build-web/file_packager.log; exit 1; }
cp platform/web/index.html build-web/tabletumble.js build-web/tabletumble.wasm "$out/"
echo "$out: $(du -cb "$out"/tabletumble.{js,wasm,data} | tail -n1 | cut -f1) bytes to download"
