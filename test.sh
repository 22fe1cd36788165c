#!/usr/bin/env bash
# Builds Tabletumble and runs every check: the test suite (unit tests on an
# offscreen GL context, end-to-end tests on their own Xvfb, a valgrind session),
# the same suite built with ASan+UBSan, a short run of each fuzzer, an
# install into a temporary prefix that is validated and started, and the
# Debian package checked, installed, started and purged again; then the
# Windows build under Wine and the browser build in three browsers; last,
# every download built a second time elsewhere and compared. Needs
# no X server and no sound card. FUZZ_SECONDS sets each fuzzer's time (default 30).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

# shellcheck source=tools/install_missing.sh
source tools/install_missing.sh
# shellcheck source=tools/release.sh
source tools/release.sh

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

# Configures and builds one tree: build_tree DIR cmake-options...
build_tree() {
  local dir=$1; shift
  quietly "$dir/configure.log" cmake -S . -B "$dir" -DTT_WERROR=ON "$@"
  quietly "$dir/build.log" cmake --build "$dir" -j"$(nproc)"
}

# shellcheck disable=SC2046  # one package name per word
install_missing $(packages_for)
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=offscreen

echo "==> building build/ (Release, tests and benchmarks)"
build_tree build -DCMAKE_BUILD_TYPE=Release -DTT_BUILD_TESTS=ON -DTT_BUILD_BENCH=ON
echo "==> running the tests"
ctest --test-dir build --output-on-failure </dev/null

# valgrind cannot run a sanitized binary, so its session is left out here.
# In the real game Mesa unloads its driver before LeakSanitizer looks, which
# leaves the driver's own leaks without a name to suppress; the whole game's
# leaks are the valgrind session's job, the unit tests' are checked here.
echo "==> building build-asan/ (ASan+UBSan) and running the tests again"
build_tree build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTT_BUILD_TESTS=ON -DTT_SANITIZE=ON
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
  ctest --test-dir build-asan --output-on-failure -LE e2e </dev/null
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:strict_string_checks=1 \
  ctest --test-dir build-asan --output-on-failure -L e2e -E e2e_valgrind </dev/null

echo "==> fuzzing each file reader and the data package decoder for ${FUZZ_SECONDS:-30} s"
CC=clang CXX=clang++ build_tree build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTT_FUZZ=ON \
  -DTT_BUILD_TESTS=OFF
for reader in 3ds bmp wave lzma; do
  # New inputs go to a scratch folder listed first; the kept corpus stays as it is.
  scratch=$(mktemp -d)
  quietly "build-fuzz/fuzz_$reader.log" "build-fuzz/tests/fuzz/fuzz_$reader" \
    -max_total_time="${FUZZ_SECONDS:-30}" -rss_limit_mb=1024 -artifact_prefix=build-fuzz/ \
    "$scratch" "tests/fuzz/corpus/$reader"
  rm -rf "$scratch"
  echo "    $reader: $(grep -oE '#[0-9]+.*(DONE|pulse).*cov: [0-9]+' "build-fuzz/fuzz_$reader.log" | tail -n1)"
done

echo "==> installing into a temporary prefix and starting the installed game"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
quietly build/install.log cmake --install build --prefix "$prefix"
desktop-file-validate "$prefix/share/applications/org.tabletumble.Tabletumble.desktop"
appstreamcli validate --no-net --pedantic \
  "$prefix/share/metainfo/org.tabletumble.Tabletumble.metainfo.xml" >/dev/null
bash tests/e2e/game_e2e.sh "$prefix/bin/tabletumble" "$prefix/share/tabletumble" \
  build/tests/x11_probe installed

echo "==> the Debian package: build, lintian, dpkg -i, start the installed game, purge"
bash tests/deb/check_deb.sh build/tests/x11_probe

# ---- Windows: the cross-built game under Wine (tests/e2e/wine_e2e.sh) --------
echo "==> building build-win/ (Windows, mingw-w64) and the zip; checking them under Wine"
TT_WIN_TESTS=ON quietly build-win/windows.log tools/build_windows.sh
for check in units window close tilt keys missing no_gl session; do
  bash tests/e2e/wine_e2e.sh build-win "dist/tabletumble-$(project_version)-win64.zip" \
    build/tests/x11_probe "$check"
done
# ---- end of the Windows checks -----------------------------------------------

# The browser build (Emscripten) played in Chromium, Firefox and WebKitGTK; see tests/web/run.sh.
echo "==> building the browser version and playing it in Chromium, Firefox and WebKitGTK"
quietly build-web/browser_tests.log bash tests/web/run.sh
grep -E '^(ok|FAIL) ' build-web/browser_tests.log | sed 's/^/    /'

# Every download (the .deb, the zip, dist/web/) built again from a copy of the
# sources elsewhere must come out the same, byte for byte.
echo "==> building every download a second time in another folder and comparing"
quietly build-web/dist_web.log tools/build_web.sh
bash tests/release/check_reproducible.sh

echo "==> all checks passed"
