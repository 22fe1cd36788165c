# shellcheck shell=bash
# Sourced by the scripts that make the downloads (packaging/build-deb.sh,
# tools/build_windows.sh, tools/build_web.sh). A download must come out the
# same, byte for byte, whoever builds the same sources, wherever and whenever:
# these give every script the same version, the same time, and the checksums.

release_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)

# The game's version, written once: CMakeLists.txt's project().
project_version() {
  sed -n 's/^project(tabletumble VERSION \([^ )]*\).*/\1/p' "$release_root/CMakeLists.txt"
}

# The time every file of a download carries, in seconds since 1970:
# SOURCE_DATE_EPOCH when it is set, else the last commit's time, else (sources
# outside git) the date of the Debian changelog's top entry.
source_date_epoch() {
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
  elif command -v git >/dev/null &&
    [ "$(git -C "$release_root" rev-parse --show-toplevel 2>/dev/null)" = "$release_root" ]; then
    git -C "$release_root" log -1 --format=%ct
  else
    local changelog=$release_root/packaging/debian/changelog.in
    date -d "$(sed -n 's/^ -- .*>  //p' "$changelog" | head -n1)" +%s
  fi
}

# Writes DIR/SHA256SUMS for the files below DIR whose names match any of the
# PATTERNs (as find -name), by path in byte order: `sha256sum -c SHA256SUMS`.
write_sums() {
  local dir=$1 names=() pattern
  shift
  for pattern in "$@"; do names+=(${names[@]:+-o} -name "$pattern"); done
  (
    cd "$dir" || exit
    find . -type f ! -name 'SHA256SUMS*' \( "${names[@]}" \) -printf '%P\0' | LC_ALL=C sort -z |
      xargs -0r sha256sum >SHA256SUMS.new
    mv SHA256SUMS.new SHA256SUMS
  )
}

# dist/SHA256SUMS: the package and the zip, whichever are there.
write_dist_sums() {
  write_sums "$release_root/dist" 'tabletumble_*.deb' 'tabletumble-*-win64.zip'
}
