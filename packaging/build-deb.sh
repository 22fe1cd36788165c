#!/usr/bin/env bash
# Builds the Debian package dist/tabletumble_VERSION_ARCH.deb from this tree:
# a release build with Debian's compiler flags in build-deb/, installed in
# Debian's games layout into a staged tree, stripped, with the manual page and
# changelog compressed, Depends from dpkg-shlibdeps, then dpkg-deb; and lists
# the package in dist/SHA256SUMS. TT_DATA_DIR names a native build's data
# folder to take instead of generating the data. Installs the packages it
# needs first (kinds build and deb of tools/packages.txt).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
umask 022

# shellcheck source=tools/install_missing.sh
source tools/install_missing.sh
# shellcheck source=tools/release.sh
source tools/release.sh
# shellcheck disable=SC2046  # one package name per word
install_missing $(packages_for build deb)

# Every file in the package gets this time, so a rebuild gives the same bytes.
SOURCE_DATE_EPOCH=$(source_date_epoch)
export SOURCE_DATE_EPOCH

debian=packaging/debian build=build-deb stage=build-deb/stage
log=$build/build.log
mkdir -p "$build" dist
rm -rf "$stage"

# CMake ignores CPPFLAGS, where Debian puts _FORTIFY_SOURCE.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
echo "==> building $build/ with Debian's flags (log: $log)"
if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DTT_BUILD_TESTS=OFF -DTT_WERROR=ON -DTT_DATA_DIR="${TT_DATA_DIR:-}" \
  -DTT_INSTALL_LAUNCHERDIR=games \
  -DTT_INSTALL_GAMEDIR=lib/games/tabletumble -DTT_INSTALL_GAMEDATADIR=share/games/tabletumble &&
  cmake --build "$build" -j"$(nproc)" &&
  DESTDIR="$PWD/$stage" cmake --install "$build"; } >"$log" 2>&1; then
  tail -n 50 "$log"
  exit 1
fi

# The changelog with the version filled in, as CMake wrote it.
changelog=$build/packaging/debian/changelog
version=$(dpkg-parsechangelog -l "$changelog" -S Version)
deb=dist/tabletumble_${version}_$(dpkg --print-architecture).deb

# What dh_strip, dh_installman, dh_installchangelogs, dh_installdocs and
# dh_lintian would do.
binary=$stage/usr/lib/games/tabletumble/tabletumble
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$binary"
gzip -9n "$stage/usr/share/man/man6/tabletumble.6"
doc=$stage/usr/share/doc/tabletumble
install -d "$doc" "$stage/DEBIAN"
install -m 644 "$debian/copyright" "$doc/copyright"
gzip -9nc "$changelog" >"$doc/changelog.Debian.gz"
install -D -m 644 "$debian/tabletumble.lintian-overrides" \
  "$stage/usr/share/lintian/overrides/tabletumble"

# Control file: dpkg-gencontrol reads debian/control from the working directory.
(
  cd packaging
  dpkg-shlibdeps -T"../$build/substvars" -e"../$binary"
  dpkg-gencontrol -ptabletumble -l"../$changelog" -P"../$stage" -T"../$build/substvars" \
    -f"../$build/files"
)
(cd "$stage" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/md5sums"

# dpkg-deb only sets back times later than SOURCE_DATE_EPOCH; earlier ones
# (files older than the commit) would stay, so every file gets it here.
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

rm -f "$deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
write_dist_sums
echo "==> built $deb"
