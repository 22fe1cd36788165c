#!/usr/bin/env bash
# Builds the Windows game and its download, dist/tabletumble-1.1-win64.zip,
# with mingw-w64 on this Debian machine. The data generator is a tool of this
# machine: the native build (build/) runs it and the cross build (build-win/)
# packs its output. TT_WIN_TESTS=ON also cross-builds the unit tests.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# shellcheck source=tools/install_missing.sh
source tools/install_missing.sh
# shellcheck disable=SC2046  # one package name per word
install_missing $(packages_for build win)

# A build/ that test.sh or play.sh configured is used as it is.
[ -f build/CMakeCache.txt ] ||
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTT_BUILD_TESTS=OFF
cmake --build build --target game_data -j"$(nproc)"

cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DTT_DATA_DIR="$PWD/build/data" -DTT_BUILD_TESTS="${TT_WIN_TESTS:-OFF}"
cmake --build build-win -j"$(nproc)"

# Only DLLs that come with Windows: any other would be missing on a player's machine.
extra=$(x86_64-w64-mingw32-objdump -p build-win/Tabletumble.exe | awk '/DLL Name:/ {print tolower($3)}' |
  grep -vxE '(kernel32|user32|gdi32|opengl32|glu32|winmm|msvcrt)\.dll' || true)
[ -z "$extra" ] || { echo "Tabletumble.exe needs DLLs that Windows lacks: $extra" >&2; exit 1; }
echo "==> $(ls dist/tabletumble-*-win64.zip)"
