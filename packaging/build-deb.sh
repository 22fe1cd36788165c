#!/usr/bin/env bash
# Builds the Debian package dist/tabletumble_VERSION_ARCH.deb from this tree:
# a release build with Debian's compiler flags in build-deb/, installed in
# Debian's games layout into a staged tree, stripped, with the manual page and
# changelog compressed, Depends from dpkg-shlibdeps, then dpkg-deb. Installs
# the packages it needs first (kinds build and deb of tools/packages.txt).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
umask 022

# shellcheck source=tools/install_missing.sh
source tools/install_missing.sh
# shellcheck disable=SC2046  # one package name per word
install_missing $(packages_for build deb)

debian=packaging/debian
version=$(dpkg-parsechangelog -l "$debian/changelog" -S Version)
cmake_version=$(sed -n 's/^project(tabletumble VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)
if [ "${version%-*}" != "$cmake_version" ]; then
  echo "build-deb: $debian/changelog is at $version, the game at $cmake_version" >&2
  exit 1
fi
# Every file in the package gets the changelog's date, so a rebuild gives the same bytes.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$debian/changelog" -S Timestamp)
export SOURCE_DATE_EPOCH

build=build-deb stage=build-deb/stage
deb=dist/tabletumble_${version}_$(dpkg --print-architecture).deb
log=$build/build.log
mkdir -p "$build" dist
rm -rf "$stage" "$deb"

# CMake ignores CPPFLAGS, where Debian puts _FORTIFY_SOURCE.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
echo "==> building $build/ with Debian's flags (log: $log)"
if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DTT_BUILD_TESTS=OFF -DTT_WERROR=ON -DTT_INSTALL_LAUNCHERDIR=games \
  -DTT_INSTALL_GAMEDIR=lib/games/tabletumble -DTT_INSTALL_GAMEDATADIR=share/games/tabletumble &&
  cmake --build "$build" -j"$(nproc)" &&
  DESTDIR="$PWD/$stage" cmake --install "$build"; } >"$log" 2>&1; then
  tail -n 50 "$log"
  exit 1
fi

# What dh_strip, dh_installman, dh_installchangelogs, dh_installdocs and
# dh_lintian would do.
binary=$stage/usr/lib/games/tabletumble/tabletumble
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$binary"
gzip -9n "$stage/usr/share/man/man6/tabletumble.6"
doc=$stage/usr/share/doc/tabletumble
install -d "$doc" "$stage/DEBIAN"
install -m 644 "$debian/copyright" "$doc/copyright"
gzip -9nc "$debian/changelog" >"$doc/changelog.Debian.gz"
install -D -m 644 "$debian/tabletumble.lintian-overrides" \
  "$stage/usr/share/lintian/overrides/tabletumble"

# Control file: dpkg-gencontrol reads debian/ from the working directory.
(
  cd packaging
  dpkg-shlibdeps -T"../$build/substvars" -e"../$binary"
  dpkg-gencontrol -ptabletumble -P"../$stage" -T"../$build/substvars" -f"../$build/files"
)
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/md5sums"

dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "==> built $deb"
