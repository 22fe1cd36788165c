#!/usr/bin/env bash
# Runs the Windows build under Wine on its own Xvfb and checks it as
# game_e2e.sh checks the Linux game, with that script's helpers and cases.
#   Usage: wine_e2e.sh BUILD_WIN ZIP PROBE CASE
#   units    the cross-built unit tests, less those that hold only on Linux
#   window   title, 960x640 client area, a lit first picture with the cloth's
#            red checks, Esc quits with 0 (each wait for an exit is 3 s
#            longer than on Linux, see expect_exit_within below)
#   close    the window manager's close request and Alt+F4 each quit with 0
#   tilt     moving the mouse down tilts the table
#   keys     held arrow keys tilt, letting go levels, Enter on the board
#            starts a new round; with Wine's XInput DLLs turned off, as on a
#            Windows that has neither (the other cases have them, and no pad)
#   missing  without pizza.bmp: a message box and one line naming it, status 1
#   no_gl    a display without OpenGL (no GLX): no pixel format can be chosen;
#            a message box and one line name that, status 0
#   session  a round, the board, a restart and a close request, status 0
#   picture FILE   writes a screenshot of a moment of play, as in the README
# The game is the one in ZIP, unpacked and started from its folder. The Wine
# prefix is BUILD_WIN/wineprefix, made by the first run (wineboot, ~30 s);
# runs with one prefix must not overlap, since each ends the prefix's server.
# Exit 77 (skipped) when Wine, the zip or the X tools are not there.
set -uo pipefail

BUILD_WIN=$(readlink -f "$1") ZIP=$(readlink -f "$2") PROBE=$(readlink -f "$3") WCASE=$4
SHOT=${5:+$(readlink -f "$5")}
command -v wine >/dev/null || { echo "SKIP: wine is not installed"; exit 77; }
[ -f "$ZIP" ] || { echo "SKIP: no $ZIP yet"; exit 77; }

UNPACKED=$(mktemp -d)
(cd "$UNPACKED" && cmake -E tar xf "$ZIP") || { echo "FAIL: cannot unpack $ZIP" >&2; exit 1; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/game_e2e.sh
source "$here/game_e2e.sh" "$UNPACKED/Tabletumble/Tabletumble.exe" "$UNPACKED/Tabletumble" \
  "$PROBE" "$WCASE"

# No Mono or Gecko: without them wineboot asks no questions.
export WINEPREFIX=$BUILD_WIN/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

cleanup() {
  [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
  # Wine's own helpers of this prefix end with its server, before their display.
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK" "$UNPACKED"
}

eval "linux_$(declare -f start_xvfb)"
start_xvfb() {
  linux_start_xvfb "$@"
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  wine wineboot -i >"$WORK/wineboot.log" 2>&1 && wineserver -w ||
    { cat "$WORK/wineboot.log" >&2; fail "wineboot could not make $WINEPREFIX"; }
}

# With no window manager to answer, Wine waits 2 s for one while it takes the
# game's window down, so every exit comes that much later than on a desktop.
eval "linux_$(declare -f expect_exit_within)"
expect_exit_within() { linux_expect_exit_within $(($1 + 3)) "$2"; }

# Started from its folder, as a double-click in Explorer does.
start_game() {
  (cd "$1" && exec wine Tabletumble.exe) >"$WORK/stdout" 2>"$WORK/stderr" </dev/null &
  GAME_PID=$!
}

shown_path() { wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# Those left out hold only for the Linux build: the SDL player's drivers,
# Alt+F4 emulated on no window, and the golden replay, whose placement comes
# from glibc's rand().
case_units() {
  start_xvfb
  local filter="-Sound.PlayerCutsOff*:WindowMessages.*:Round.AScripted*"
  (cd "$WORK" && wine "$BUILD_WIN/tests/tabletumble_tests.exe" --gtest_filter="$filter") \
    >"$WORK/units.log" 2>&1 || { tail -n 60 "$WORK/units.log"; fail "unit tests failed under Wine"; }
  grep -E '^\[  (PASSED|SKIPPED) ' "$WORK/units.log"
}

case_session() {
  start_xvfb
  start_game "$DATA"
  local win
  win=$(find_window) || exit 1
  play_session "$win" 30
  expect_exit_within 10 "a close request"
  ((STATUS == 0)) || fail "the session ended with status $STATUS"
}

# In a prefix of its own where Wine draws the window's frame itself, as
# Windows does, with the caption buttons' font.
case_picture() {
  [ -n "$SHOT" ] || fail "usage: wine_e2e.sh BUILD_WIN ZIP PROBE picture FILE.png"
  export WINEPREFIX=$BUILD_WIN/wineprefix-picture
  start_xvfb
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N >/dev/null 2>&1
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" ||
    fail "no marlett.ttf: install fonts-wine"
  wineserver -w
  start_game "$DATA"
  local win i
  win=$(find_window) || exit 1
  wait_for_picture "$win"
  # A little play: the table tilted towards the upper right, the ball on its way.
  eval "$(xdotool getwindowgeometry --shell "$win")"
  for i in $(seq 8); do xdotool mousemove $((X + 480 + 10 * i)) $((Y + 320 - 10 * i)); sleep 0.05; done
  sleep 1.2
  import -window "$win" png:- | convert - -resize 640x -strip -colors 256 "PNG8:$SHOT"
  "$PROBE" close "$win"
  expect_exit_within 2 "a close request"
}

case "$WCASE" in
  keys) WINEDLLOVERRIDES="$WINEDLLOVERRIDES;xinput1_4,xinput9_1_0=d" case_keys ;;
  units | window | close | tilt | missing | no_gl | session | picture) "case_$WCASE" ;;
  *) echo "unknown case $WCASE" >&2; exit 2 ;;
esac
echo "PASS [wine $WCASE]"
