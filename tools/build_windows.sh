#!/usr/bin/env bash
# Builds the Windows game and its download, dist/tabletumble-VERSION-win64.zip,
# with mingw-w64 on this Debian machine, and lists the zip in dist/SHA256SUMS.
# The data generator is a tool of this machine: the native build (build/) runs
# it and the cross build (build-win/) packs its output; TT_DATA_DIR names
# another native build's data folder to use instead. TT_WIN_TESTS=ON also
# cross-builds the unit tests.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# shellcheck source=tools/install_missing.sh
source tools/install_missing.sh
# shellcheck source=tools/release.sh
source tools/release.sh
# shellcheck disable=SC2046  # one package name per word
install_missing $(packages_for build win)

data=${TT_DATA_DIR:-$PWD/build/data}
if [ -z "${TT_DATA_DIR:-}" ]; then
  # A build/ that test.sh or play.sh configured is used as it is.
  [ -f build/CMakeCache.txt ] ||
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTT_BUILD_TESTS=OFF
  cmake --build build --target game_data -j"$(nproc)"
fi

cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DTT_DATA_DIR="$data" -DTT_BUILD_TESTS="${TT_WIN_TESTS:-OFF}"
cmake --build build-win -j"$(nproc)"

# Only DLLs that come with Windows: any other would be missing on a player's machine.
extra=$(x86_64-w64-mingw32-objdump -p build-win/Tabletumble.exe | awk '/DLL Name:/ {print tolower($3)}' |
  grep -vxE '(kernel32|user32|gdi32|opengl32|glu32|winmm|msvcrt)\.dll' || true)
[ -z "$extra" ] || { echo "Tabletumble.exe needs DLLs that Windows lacks: $extra" >&2; exit 1; }

# Players get the game without its debug sections.
sections=$(x86_64-w64-mingw32-objdump -h build-win/packaging/zip/Tabletumble/Tabletumble.exe)
if grep -q '\.debug' <<<"$sections"; then
  echo "the zip's Tabletumble.exe still has debug sections" >&2
  exit 1
fi

# The same bytes from every build: entries in byte order, one time, plain
# modes, no owner or extra time fields (-X), times written as UTC.
zip=$PWD/dist/tabletumble-$(project_version)-win64.zip
epoch=$(source_date_epoch)
mkdir -p dist
rm -f "$zip"
(
  cd build-win/packaging/zip
  chmod -R u=rwX,go=rX Tabletumble
  find Tabletumble -exec touch -h -d "@$epoch" {} +
  find Tabletumble | LC_ALL=C sort | TZ=UTC0 zip -X -q "$zip" -@
)
write_dist_sums
echo "==> ${zip#"$PWD"/}"
