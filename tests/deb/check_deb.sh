#!/usr/bin/env bash
# Builds the Debian package and checks it as Debian and a player would:
# lintian, the games layout, dpkg -i, /usr/games/tabletumble started from
# another folder on its own Xvfb (it draws, Esc quits with 0), then dpkg
# --remove and --purge leave every path of it as it was before.
# Usage: check_deb.sh X11_PROBE. Needs root or sudo. Whatever happens, the
# package and any dependency installed for it are purged again at the end.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
probe=$(readlink -f "$1")
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
fail() { echo "FAIL [deb]: $*" >&2; exit 1; }

dpkg-query -W tabletumble >/dev/null 2>&1 && fail "tabletumble is installed already; purge it first"

packaging/build-deb.sh
version=$(dpkg-parsechangelog -l build-deb/packaging/debian/changelog -S Version)
deb=dist/tabletumble_${version}_$(dpkg --print-architecture).deb

echo "    lintian"
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"

work=$(mktemp -d)
installed=0 extras=()
cleanup() {
  if ((installed)); then "${sudo[@]}" dpkg --purge tabletumble >/dev/null || true; fi
  if ((${#extras[@]})); then "${sudo[@]}" apt-get purge -y -qq "${extras[@]}" >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Every path in the package, and those of them the machine has already
# (/usr, the icon theme's folders...): after the purge exactly these remain.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\.||; s|/$||; /^$/d' | sort >"$work/paths"
present() {
  local p
  while read -r p; do if [[ -e $p || -L $p ]]; then echo "$p"; fi; done <"$work/paths"
}
present >"$work/before"
for p in /usr/games/tabletumble /usr/lib/games/tabletumble/tabletumble \
  /usr/share/man/man6/tabletumble.6.gz /usr/share/doc/tabletumble/copyright; do
  grep -qx "$p" "$work/paths" || fail "the package has no $p"
done
(($(grep -c '^/usr/share/games/tabletumble/.' "$work/paths") == 25)) ||
  fail "the package does not have the 25 data files in /usr/share/games/tabletumble"

# dpkg -i when every dependency is there (as in ./test.sh); apt-get otherwise,
# remembering what it brought along to purge it afterwards.
mapfile -t extras < <(apt-get install --simulate "./$deb" 2>/dev/null |
  awk '$1 == "Inst" && $2 != "tabletumble" { print $2 }')
installed=1
if ((${#extras[@]})); then
  echo "    installing with apt-get, along with ${extras[*]}"
  "${sudo[@]}" apt-get install -y -qq "./$deb" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "apt-get could not install $deb"; }
else
  echo "    dpkg -i"
  "${sudo[@]}" dpkg -i "$deb" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "dpkg -i $deb failed"; }
fi
dpkg -L tabletumble | grep -vx '/\.' | sort | diff "$work/paths" - ||
  fail "dpkg -L does not list what the package holds"
[ "$(man -w 6 tabletumble)" = /usr/share/man/man6/tabletumble.6.gz ] ||
  fail "man 6 tabletumble does not find the page"

echo "    starting /usr/games/tabletumble from another folder"
bash tests/e2e/game_e2e.sh /usr/games/tabletumble /usr/share/games/tabletumble "$probe" installed ||
  fail "the installed game did not start, draw and quit with 0"

echo "    removing and purging"
"${sudo[@]}" dpkg --remove tabletumble >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "dpkg --remove failed"; }
present | diff "$work/before" - || fail "these stay after dpkg --remove (> lines)"
# Without conffiles --remove has forgotten it already; --purge must say so, not fail.
"${sudo[@]}" dpkg --purge tabletumble >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "dpkg --purge failed"; }
installed=0
dpkg-query -W tabletumble >/dev/null 2>&1 && fail "dpkg still knows tabletumble after --purge"
compgen -G '/var/lib/dpkg/info/tabletumble.*' >/dev/null && fail "dpkg's records of it stay"
present | diff "$work/before" - || fail "these stay after dpkg --purge (> lines)"
echo "    PASS [deb]"
