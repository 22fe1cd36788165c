#!/usr/bin/env bash
# Builds every download a second time, from a copy of these sources in another
# folder, later, under another umask and time zone, and compares it byte for
# byte with the one in dist/: the Debian package, the Windows zip and every
# file of dist/web/. A difference is named with both files (the second one
# kept in build-again/); `diffoscope FIRST SECOND` (Debian's diffoscope) shows
# what differs. The copy takes this tree's data, whose repeatability the
# data_is_repeatable test checks, and the same SOURCE_DATE_EPOCH.
# Usage: check_reproducible.sh, after packaging/build-deb.sh,
# tools/build_windows.sh and tools/build_web.sh have filled dist/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
here=$PWD
# shellcheck source=tools/release.sh
source tools/release.sh
fail() { echo "FAIL [reproducible]: $*" >&2; exit 1; }

[ -f build/data/icon.ico ] || fail "no build/data; build the native tree first"
SOURCE_DATE_EPOCH=$(source_date_epoch)
export SOURCE_DATE_EPOCH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
copy=$work/elsewhere/tabletumble
mkdir -p "$copy"
# The sources as they are now, committed or not, without build outputs; they
# and the data get new file times.
tar -cf - --exclude=./.git --exclude='./build*' --exclude=./dist . | tar -C "$copy" -xmf -
cp -r build/data "$work/data"

echo "    building again in $copy"
start=$SECONDS
(
  cd "$copy"
  umask 077
  export TZ=XYZ-14 TT_DATA_DIR=$work/data
  # Emscripten's own libraries, if this tree had to build them, are no download.
  if [ -d "$here/build-web/em-cache" ]; then export EM_CACHE=$here/build-web/em-cache; fi
  packaging/build-deb.sh
  tools/build_windows.sh
  tools/build_web.sh dist/web "$TT_DATA_DIR"
) >"$work/build.log" 2>&1 || { tail -n 50 "$work/build.log"; fail "the second build failed"; }
echo "    built in $((SECONDS - start)) s"

rm -rf build-again
differ=0
while IFS= read -r -d '' name; do
  if [ ! -f "dist/$name" ]; then
    echo "    dist/$name is missing: build it first (or it is new in the second build)" >&2
    differ=1
  elif ! cmp -s "dist/$name" "$copy/dist/$name"; then
    install -D -m 644 "$copy/dist/$name" "build-again/$name"
    echo "    DIFFERS: dist/$name; try: diffoscope dist/$name build-again/$name" >&2
    differ=1
  else
    echo "    same: $name $(sha256sum <"dist/$name" | cut -c1-64)"
  fi
done < <(cd "$copy/dist" && find . -type f ! -path ./SHA256SUMS -printf '%P\0' | LC_ALL=C sort -z)
# dist/web/ is emptied by each build, so the first may hold no more files either.
extra=$(cd dist/web && find . -type f -printf '%P\n' | while IFS= read -r f; do
  [ -f "$copy/dist/web/$f" ] || echo "$f"; done)
[ -z "$extra" ] || { echo "    only in the first dist/web/: $extra" >&2; differ=1; }
missing=$(grep -vxFf dist/SHA256SUMS "$copy/dist/SHA256SUMS" || true)
[ -z "$missing" ] || { echo "    dist/SHA256SUMS lacks: $missing" >&2; differ=1; }
((differ == 0)) || fail "the second build differs from the first"
echo "    PASS [reproducible]"
