#!/usr/bin/env bash
# Runs the real game binary on its own Xvfb server and checks it as a player
# would see it.  Usage: game_e2e.sh GAME DATA_DIR PROBE CASE
#   window      title, client size, a lit first picture, Esc quits
#   close       a window manager's close request and Alt+F4 each quit with 0
#               (run under Wine; here endings covers them)
#   endings     every way of ending, with SDL's dummy sound driver and with no
#               sound device at all, gives status 0 and nothing on stderr but
#               the game's own lines: Esc, the close request, Alt+F4, SIGTERM,
#               SIGINT (Ctrl+C), another
#               client destroying the window (a force-close: 12 times each,
#               so a fault of one run in three shows), the X server going
#               away. RUNS=N runs each way N times and counts;
#               SOUND_SETUPS="none" keeps to one set-up
#   tilt        moving the mouse down tilts the table: the cloth's edges move
#   keys        an arrow key held tilts the table and letting go levels it
#               exactly; on the board Enter starts a new round
#   missing     without pizza.bmp, with an empty linen.bmp and a folder named
#               clay.bmp: one line naming the three and the folder, status 1
#   box_sigterm while the start-up box about an empty pizza.bmp is shown,
#   box_sigint  SIGTERM (or SIGINT, Ctrl+C) ends the game with status 0 and
#               no window left, with the dummy sound driver and with no sound
#               device (SOUND_SETUPS as for endings)
#   no_box      the same where no message box can be shown (no X core fonts,
#               no zenity): the line, status 1 at once, no window
#   no_gl       a display without OpenGL: a box and one line name what could
#               not be made, status 0
#   hidden      unmapped for 3 s, the game keeps its 30 ms frames
#   mouse       leaving the window, or dragging outside it with a button
#               held, does not tilt the table
#   no_display  no display at all: one line, status 0, no crash
#   own_cloth   a 32-bit linen.bmp of one colour, as ImageMagick writes a
#               picture with alpha: the cloth is drawn in that colour
#   jpeg_cloth  a JPEG named linen.bmp: one line naming it and what it is, and
#               the game plays on; Esc quits with 0
#   faults      no sound device, a read-only data folder, every data file
#               replaced by noise: it plays, writes nothing, exits 0
#   board       the ball falls off: the board shows its picture, which the
#               game reads only after its first frame
#   valgrind    a whole session under valgrind (play, round end, board,
#               restart, close) with no errors and no definite leaks
#   installed   GAME is the installed launcher: started from another folder
#               it finds its data, draws, and Esc quits with 0
# Exit 77 (skipped) when the data or the X tools are not there.
set -uo pipefail

GAME=$1 DATA=$2 PROBE=$3 CASE=$4
TITLE="Tabletumble v1.1"
# Seconds a quit may take to end the process. A hang shows all the same, and
# an ASan build on a busy two-core machine needs over 2 s to unload.
QUIT_S=5

skip() { echo "SKIP: $*"; exit 77; }
fail() {
  echo "FAIL [$CASE]: $*" >&2
  [ -s "$WORK/stderr" ] && { echo "--- game's stderr:" >&2; cat "$WORK/stderr" >&2; }
  if [ -n "$XVFB_PID" ]; then
    kill -0 "$XVFB_PID" 2>/dev/null || echo "--- Xvfb ($DISPLAY) is no longer running" >&2
    [ -s "$WORK/xvfb.log" ] && { echo "--- Xvfb's log:" >&2; cat "$WORK/xvfb.log" >&2; }
  fi
  exit 1
}

[ -x "$GAME" ] || skip "no game binary at $GAME"
[ -d "$DATA" ] || skip "no data folder at $DATA yet"
for tool in Xvfb xdotool xprop xwininfo; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

WORK=$(mktemp -d)
XVFB_PID="" GAME_PID=""
cleanup() {
  [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

# Xvfb picks the first free display itself and tells which on a pipe, so
# parallel runs cannot race for a number. Without -noreset the server resets
# whenever its last client leaves and refuses connections meanwhile, so a game
# started just after another had ended could find no display; a desktop's
# server never does that.
start_xvfb() {
  rm -f "$WORK/display"  # a server that went away may have left its number there
  Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp "$@" 3>"$WORK/display" \
    >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local i
  for ((i = 0; i < 100; ++i)); do
    if [ -s "$WORK/display" ]; then
      export DISPLAY=":$(head -n1 "$WORK/display")"
      return 0
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  cat "$WORK/xvfb.log" >&2
  fail "Xvfb did not start"
}

# The sound set-ups, as words for env:
#   dummy  SDL's silent driver
#   none   a machine without a sound device: SDL tries its drivers as on a
#          player's machine, and each finds nothing even where this machine
#          has a card: PulseAudio and PipeWire are sent to servers that do
#          not exist, ALSA (whose library then complains) to a card that does
#          not exist
sound_env() {
  case $1 in
    dummy) echo "SDL_AUDIODRIVER=dummy" ;;
    none) echo "-u SDL_AUDIODRIVER ALSA_CARD=tt_no_such_card PULSE_SERVER=unix:/nonexistent/tt-pulse
      PIPEWIRE_REMOTE=tt-no-such-remote" ;;
    *) fail "unknown sound set-up $1" ;;
  esac
}

# Starts the game from a data folder with the x11 video driver and the sound
# set-up $SOUND (dummy unless said). Each frame it draws is a line of $WORK/frames.
# Ctrl+C reaches it as from a terminal: a script's background job would
# otherwise start with SIGINT ignored.
start_game() {
  # shellcheck disable=SC2086  # ENV, WRAP and the sound set-up are lists of words
  (cd "$1" && exec env --default-signal=INT -u SDL_VIDEODRIVER $(sound_env "${SOUND:-dummy}") \
    TABLETUMBLE_FRAME_LOG="$WORK/frames" ${ENV:-} ${WRAP:-} "$GAME") \
    >"$WORK/stdout" 2>"$WORK/stderr" </dev/null &
  GAME_PID=$!
}

# Prints the id of the game's mapped window once it is there.
find_window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^${TITLE//./\\.}\$" 2>/dev/null |
    head -n1)
  if [ -z "$id" ]; then
    # (A subshell of the script's: the game's status is not to be had here.)
    local state="the game is still running"
    kill -0 "$GAME_PID" 2>/dev/null || state="the game has ended"
    fail "no visible window titled \"$TITLE\" within 20 s; $state"
  fi
  echo "$id"
}

# Waits up to $1 seconds for the game to end; sets STATUS, or fails.
expect_exit_within() {
  local limit_ms=$(($1 * 1000)) start now
  start=$(date +%s%3N)
  while kill -0 "$GAME_PID" 2>/dev/null; do
    now=$(date +%s%3N)
    if ((now - start > limit_ms)); then
      # Tell a slow exit from none at all.
      local waited=0
      while kill -0 "$GAME_PID" 2>/dev/null && ((waited < 100)); do
        sleep 0.1
        waited=$((waited + 1))
      done
      ((waited < 100)) && fail "the game was still running ${1} s after $2 (it ended $(($(date +%s%3N) - start)) ms after it)"
      fail "the game was still running ${1} s after $2, and 10 s later"
    fi
    sleep 0.02
  done
  wait "$GAME_PID"
  STATUS=$?
  GAME_PID=""
}

# Reads the window: sets W H LIT RED (see x11_probe.cpp).
look() {
  local line
  line=$("$PROBE" look "$1" "$WORK/last.ppm") || fail "cannot read the window's pixels"
  read -r W H LIT RED <<<"$line"
}

# Prints a hash of the bands along the left, right and bottom sides of the
# picture: only the table cloth shows there (the roach and the ball stay
# further in, the countdown and score are at the top), so they change only
# when the table turns.
edges() {
  local band
  for band in "0 100 40 440" "920 100 40 440" "100 610 760 30"; do
    # shellcheck disable=SC2086
    "$PROBE" hash "$1" $band || fail "cannot read the window's pixels"
  done | tr '\n' ' '
}

# Keeps the last picture next to the test's output for a look after a failure.
keep_picture() { cp "$WORK/last.ppm" "$PWD/e2e_${CASE}_$1.ppm" 2>/dev/null || true; }

# Waits for the first drawn frame: something other than black ($2 tries of 0.1 s).
wait_for_picture() {
  local i
  for ((i = 0; i < ${2:-50}; ++i)); do
    look "$1"
    ((LIT > 100)) && return 0
    sleep 0.1
  done
  keep_picture first
  fail "the window stayed black (lit per-mille $LIT)"
}

focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; }

case_window() {
  start_xvfb
  start_game "$DATA"
  local win name geometry
  win=$(find_window) || exit 1
  name=$(xprop -id "$win" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
  [ "$name" = "$TITLE" ] || fail "_NET_WM_NAME is \"$name\""
  name=$(xprop -id "$win" WM_NAME | sed -n 's/^WM_NAME([A-Z_]*) = "\(.*\)"$/\1/p')
  [ "$name" = "$TITLE" ] || fail "WM_NAME is \"$name\""
  geometry=$(xwininfo -id "$win" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  [ "$geometry" = "960x640" ] || fail "client size is $geometry, not 960x640"
  wait_for_picture "$win"
  ((W == 960 && H == 640)) || fail "read a ${W}x${H} picture"
  # The table seen from above fills the whole window.
  ((LIT >= 950)) || { keep_picture first; fail "only $LIT per-mille of the picture is lit"; }
  # Textured and lit: the cloth's red checks cover much of it.
  ((RED >= 200)) || { keep_picture first; fail "only $RED per-mille of the picture is red"; }
  focus "$win"
  xdotool key Escape
  expect_exit_within "$QUIT_S" "Esc during a round"
  ((STATUS == 0)) || fail "Esc during a round ended with status $STATUS"
}

case_close() {
  start_xvfb
  local win
  start_game "$DATA"
  win=$(find_window) || exit 1
  "$PROBE" close "$win" || fail "could not send the close request"
  expect_exit_within "$QUIT_S" "a close request"
  ((STATUS == 0)) || fail "the close request ended with status $STATUS"

  start_game "$DATA"
  win=$(find_window) || exit 1
  focus "$win"
  xdotool key alt+F4
  expect_exit_within "$QUIT_S" "Alt+F4"
  ((STATUS == 0)) || fail "Alt+F4 ended with status $STATUS"
}

# Starts the game, waits for its first picture and ends it the way $1 says;
# sets STATUS.
end_game() {
  local win
  [ -n "$XVFB_PID" ] || start_xvfb
  start_game "$DATA"
  win=$(find_window) || exit 1
  wait_for_picture "$win"
  case $1 in
    Esc) focus "$win" && xdotool key Escape ;;
    close) "$PROBE" close "$win" || fail "could not send the close request" ;;
    Alt+F4) focus "$win" && xdotool key alt+F4 ;;
    SIGTERM | SIGINT) kill -s "${1#SIG}" "$GAME_PID" ;;
    # Another client destroys the window, as a window manager's force-close does.
    destroyed) xdotool windowclose "$win" ;;
    server_gone)
      kill "$XVFB_PID"
      wait "$XVFB_PID" 2>/dev/null
      XVFB_PID="" ;;
  esac
  expect_exit_within "$QUIT_S" "$1"
}

case_endings() {
  local sound way runs i ok expected failed=0
  for sound in ${SOUND_SETUPS:-dummy none}; do
    for way in Esc close Alt+F4 SIGTERM SIGINT destroyed server_gone; do
      runs=${RUNS:-1}
      [ "$way" = destroyed ] && runs=${RUNS:-12}
      expected=""
      [ "$sound" = none ] && expected="Tabletumble: no sound device, playing silently"
      [ "$way" = server_gone ] && expected+="${expected:+$'\n'}Tabletumble: the display went away, quitting"
      ok=0
      for ((i = 0; i < runs; ++i)); do
        SOUND=$sound end_game "$way"
        if ((STATUS == 0)) && [ "$(cat "$WORK/stderr")" = "$expected" ]; then
          ok=$((ok + 1))
        else
          echo "$way, sound $sound, run $((i + 1)): status $STATUS, stderr:"
          sed 's/^/    /' "$WORK/stderr"
        fi
      done
      printf '%-12s sound %-6s %3d of %3d with status 0 and only the expected stderr\n' \
        "$way" "$sound" "$ok" "$runs"
      ((ok == runs)) || failed=1
    done
  done
  : >"$WORK/stderr"
  ((failed == 0)) || fail "a way of ending gave another status or other lines on stderr"
}

case_tilt() {
  start_xvfb
  start_game "$DATA"
  local win i x y before after
  win=$(find_window) || exit 1
  wait_for_picture "$win"
  sleep 0.3
  before=$(edges "$win")
  # Left alone, the table keeps its tilt, while the roach goes on walking.
  sleep 0.5
  after=$(edges "$win")
  [ "$after" = "$before" ] || { look "$win"; keep_picture still; fail "the table moved untouched"; }
  # Each mouse message tilts by half a degree, so 20 steps down reach +10.
  eval "$(xdotool getwindowgeometry --shell "$win")"
  x=$((X + 480)) y=$((Y + 200))
  for ((i = 0; i < 24; ++i)); do
    xdotool mousemove "$x" $((y + 10 * i))
    sleep 0.03
  done
  sleep 0.3
  after=$(edges "$win")
  [ "$after" != "$before" ] || { look "$win"; keep_picture tilted; fail "moving the mouse down left the table as it was"; }
  # Tilted fully, the ball rolls off within a few seconds, and on a busy
  # machine Esc may then meet the board, where it starts a new round: the
  # window is closed instead (Esc's quit has cases of its own).
  "$PROBE" close "$win" || fail "could not send the close request"
  expect_exit_within "$QUIT_S" "a close request"
  ((STATUS == 0)) || fail "the close request ended with status $STATUS"
}

# Holds key $2 for 0.3 s, long enough for the whole tilt, and lets go; sets
# HELD to the picture's edges while held and LEVEL to them 0.5 s after, by
# when the table must be level again. Fails if holding left the edges at $3.
hold_and_let_go() {
  xdotool keydown "$2"
  sleep 0.3
  HELD=$(edges "$1")
  xdotool keyup "$2"
  [ "$HELD" != "$3" ] || { look "$1"; keep_picture "held_$2"; fail "holding $2 left the table as it was"; }
  sleep 0.5
  LEVEL=$(edges "$1")
}

case_keys() {
  start_xvfb
  start_game "$DATA"
  local win i level
  win=$(find_window) || exit 1
  wait_for_picture "$win"
  sleep 0.3
  focus "$win"
  # Up, then down as long, so the ball, rolling one way and back, stays on.
  # The first picture is not level (the pointer's first message tilted it),
  # so level is what letting go gives the same way each time.
  hold_and_let_go "$win" Up "$(edges "$win")"
  level=$LEVEL
  [ "$level" != "$HELD" ] || { look "$win"; keep_picture let_go; fail "letting go of Up left the table tilted"; }
  hold_and_let_go "$win" Down "$level"
  [ "$LEVEL" = "$level" ] || { look "$win"; keep_picture let_go_down; fail "letting go of Down left the table at another tilt than letting go of Up"; }
  # S is down as well: the ball rolls off the near edge and the round ends.
  xdotool keydown s
  for ((i = 0; i < 60; ++i)); do
    still "$win" 10 && break
  done
  xdotool keyup s
  ((i < 60)) || { look "$win"; keep_picture round; fail "the round did not end with the table held down"; }
  xdotool key Return
  for ((i = 0; i < 60; ++i)); do
    still "$win" 10 || break
  done
  ((i < 60)) || { look "$win"; keep_picture board; fail "Enter on the board did not start a new round"; }
  # Enter during the round does nothing: the game goes on.
  xdotool key Return
  sleep 0.3
  kill -0 "$GAME_PID" 2>/dev/null || fail "Enter during a round ended the game"
  "$PROBE" close "$win" || fail "could not send the close request"
  expect_exit_within "$QUIT_S" "a close request"
  ((STATUS == 0)) || fail "the close request ended with status $STATUS"
}

# How the game names a folder in its messages.
shown_path() { echo "$1"; }

# The player sees a message box titled as the game; dismiss it as they would.
# (It titles itself in a way xdotool cannot read, so xwininfo finds it.)
# Prints the id of the message box once it is shown.
find_box() {
  local i win
  for ((i = 0; i < 300; ++i)); do
    win=$(xwininfo -root -children | awk -v t="\"$TITLE\":" '$2 " " $3 == t {print $1; exit}')
    # Some systems make the box first and show it a moment later.
    [ -n "$win" ] && xwininfo -id "$win" | grep -q 'Map State: IsViewable' && break
    sleep 0.1
  done
  [ -n "$win" ] || fail "no message box titled \"$TITLE\" within 30 s"
  xwininfo -id "$win" | grep -q 'Map State: IsViewable' || fail "the message box is not shown"
  echo "$win"
}
dismiss_box() {
  local win
  win=$(find_box) || exit 1
  focus "$win"
  xdotool key Return
}

case_missing() {
  start_xvfb
  local data="$WORK/data" line
  cp -r "$DATA" "$data"
  rm "$data/pizza.bmp" "$data/clay.bmp"
  : >"$data/linen.bmp"
  mkdir "$data/clay.bmp"
  start_game "$data"
  dismiss_box
  expect_exit_within 5 "the missing-file message was dismissed"
  ((STATUS == 1)) || fail "a missing data file gave status $STATUS, not 1"
  (($(wc -l <"$WORK/stderr") == 1)) || fail "expected one line on stderr"
  line=$(cat "$WORK/stderr")
  [[ $line == *"missing data file pizza.bmp"* ]] || fail "the line does not name pizza.bmp: $line"
  [[ $line == *"empty data file linen.bmp"* ]] || fail "the line does not name linen.bmp: $line"
  [[ $line == *"folder in place of data file clay.bmp"* ]] || fail "the line does not name clay.bmp: $line"
  [[ $line == *"$(shown_path "$data")"* ]] || fail "the line does not name the folder $data: $line"
  [[ $line != *pizza.3ds* && $line != *table.3ds* ]] || fail "the line names files that are there: $line"
}

# While the start-up box about an empty pizza.bmp is shown, signal $1 (TERM
# as a session's end or kill sends it, INT as Ctrl+C) ends the game with 0,
# as during play, with the box's line alone on stderr; with each sound set-up.
stop_during_box() {
  start_xvfb
  local data="$WORK/data" sound expected i
  cp -r "$DATA" "$data"
  : >"$data/pizza.bmp"
  expected="Tabletumble cannot start: empty data file pizza.bmp in $(shown_path "$data")"
  for sound in ${SOUND_SETUPS:-dummy none}; do
    SOUND=$sound start_game "$data"
    find_box >/dev/null || exit 1
    kill -s "$1" "$GAME_PID"
    expect_exit_within "$QUIT_S" "SIG$1 while the start-up box was shown (sound $sound)"
    ((STATUS == 0)) || fail "SIG$1 while the box was shown ended with status $STATUS (sound $sound)"
    [ "$(cat "$WORK/stderr")" = "$expected" ] || fail "stderr is not the one line (sound $sound)"
    # The server takes a client's windows down once it has read its end.
    for ((i = 0; i < 50; ++i)); do
      [ -z "$(xwininfo -root -children | awk '/^ +0x/ {print $1}')" ] && break
      sleep 0.1
    done
    ((i < 50)) || fail "a window was left behind (sound $sound): $(xwininfo -root -children)"
  done
}
case_box_sigterm() { stop_during_box TERM; }
case_box_sigint() { stop_during_box INT; }

CORPUS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../corpus" && pwd)

# The colour of window pixel (x, y) in the last picture read, as "R G B".
pixel() { od -An -tu1 -j $((15 + ($2 * 960 + $1) * 3)) -N3 "$WORK/last.ppm" | xargs; }

# Starts the game with $1 as linen.bmp, waits for its picture and reads it.
start_with_cloth() {
  start_xvfb
  local data="$WORK/data"
  cp -r "$DATA" "$data"
  cp "$1" "$data/linen.bmp"
  start_game "$data"
  WIN=$(find_window) || exit 1
  wait_for_picture "$WIN"
  sleep 0.3
  look "$WIN"
}

quit_with_esc() {
  focus "$WIN"
  xdotool key Escape
  expect_exit_within "$QUIT_S" "Esc"
  ((STATUS == 0)) || fail "Esc ended with status $STATUS"
}

case_own_cloth() {
  start_with_cloth "$CORPUS/cloth-argb32.bmp"
  # Along the left, right and bottom edges only the cloth shows.
  local at
  for at in "20 300" "940 300" "480 625"; do
    # shellcheck disable=SC2086
    [ "$(pixel $at)" = "40 160 90" ] || { keep_picture cloth; fail "the cloth at $at is $(pixel $at), not 40 160 90"; }
  done
  [ ! -s "$WORK/stderr" ] || fail "the game said something of its data"
  quit_with_esc
}

case_jpeg_cloth() {
  start_with_cloth "$CORPUS/photo.jpg"
  [ "$(cat "$WORK/stderr")" = "Tabletumble: linen.bmp: JPEG data, not a bitmap" ] ||
    fail "expected one line naming linen.bmp as JPEG data"
  # It plays on: the roach walks.
  local before
  before=$("$PROBE" hash "$WIN" 0 0 960 640)
  sleep 0.5
  [ "$("$PROBE" hash "$WIN" 0 0 960 640)" != "$before" ] || fail "the game stood still"
  quit_with_esc
}

# A display without OpenGL: the window or its context cannot be made. A box
# and one line say which; the status stays 0, as when there is no display.
case_no_gl() {
  start_xvfb -extension GLX
  start_game "$DATA"
  dismiss_box
  expect_exit_within 5 "the message was dismissed"
  ((STATUS == 0)) || fail "without OpenGL the status is $STATUS, not 0"
  (($(wc -l <"$WORK/stderr") == 1)) || fail "expected one line on stderr"
  grep -Eq '^Tabletumble cannot (open a window|make an OpenGL context): .+' "$WORK/stderr" ||
    fail "the line does not say what failed: $(cat "$WORK/stderr")"
}

case_no_box() {
  # The server has only its built-in fonts, which SDL's box cannot use, and
  # there is no zenity to fall back on.
  start_xvfb -fp built-ins
  local data="$WORK/data" line
  cp -r "$DATA" "$data"
  rm "$data/pizza.bmp"
  mkdir "$WORK/bin"
  ENV="PATH=$WORK/bin" start_game "$data"
  expect_exit_within 10 "a missing data file with no way to show a box"
  ((STATUS == 1)) || fail "a missing data file gave status $STATUS, not 1"
  (($(wc -l <"$WORK/stderr") == 1)) || fail "expected one line on stderr"
  line=$(cat "$WORK/stderr")
  [[ $line == *pizza.bmp* && $line == *"$data"* ]] || fail "the line does not name pizza.bmp in $data: $line"
  [ -z "$(xwininfo -root -children | awk '/^ +0x/ {print $1}')" ] || fail "a window was left behind"
}

# Frames in the log that start in the 3 s after $1 ms (the game's own clock).
frames_after() { awk -v t0="$1" '$1 > t0 && $1 <= t0 + 3000' "$WORK/frames" | wc -l; }

case_hidden() {
  start_xvfb
  local win t0 shown hidden
  start_game "$DATA"
  win=$(find_window) || exit 1
  wait_for_picture "$win"
  t0=$(tail -n1 "$WORK/frames" | cut -d' ' -f1)
  sleep 3.3
  shown=$(frames_after "$t0")
  xdotool windowunmap --sync "$win"
  t0=$(tail -n1 "$WORK/frames" | cut -d' ' -f1)
  sleep 3.3
  hidden=$(frames_after "$t0")
  # 30 ms frames make 100 in 3 s, and a window whose swaps are held to one a
  # second about 3. A busy machine slows both alike, so the shown rate is the
  # measure.
  echo "frames in 3 s: $shown shown, $hidden hidden"
  ((hidden <= 101 && hidden * 2 >= shown && hidden >= 10)) ||
    fail "$hidden frames in the 3 s the window was hidden, against $shown while it was shown"
  xdotool windowmap --sync "$win"
  focus "$win"
  xdotool key Escape
  expect_exit_within "$QUIT_S" "Esc"
  ((STATUS == 0)) || fail "Esc ended with status $STATUS"
}

case_mouse() {
  start_xvfb
  start_game "$DATA"
  local win before after i
  win=$(find_window) || exit 1
  wait_for_picture "$win"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  # The pointer rests where the game put it, inside the window; the window
  # appearing under it made the one move counted so far, to client (480, 350).
  sleep 0.3
  before=$(edges "$win")
  xdotool mousedown 1
  for ((i = 1; i <= 8; ++i)); do
    xdotool mousemove $((X + 980 + 20 * i)) $((Y + 400 + 10 * i))
    sleep 0.03
  done
  xdotool mouseup 1
  sleep 0.3
  after=$(edges "$win")
  [ "$after" = "$before" ] || { look "$win"; keep_picture drag; fail "dragging out of the window with a button held tilted the table"; }
  # Back in at the last position the game counted (no tilt), then out again.
  xdotool mousemove $((X + 480)) $((Y + 350))
  sleep 0.2
  xdotool mousemove $((X + 1150)) $((Y + 400))
  sleep 0.3
  after=$(edges "$win")
  [ "$after" = "$before" ] || { look "$win"; keep_picture leave; fail "leaving the window tilted the table"; }
  focus "$win"
  xdotool key Escape
  expect_exit_within "$QUIT_S" "Esc"
  ((STATUS == 0)) || fail "Esc ended with status $STATUS"
}

case_no_display() {
  unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
  # A session always has its runtime folder; without one the Wayland client
  # library adds a complaint of its own to stderr.
  mkdir -m 700 "$WORK/runtime"
  export XDG_RUNTIME_DIR="$WORK/runtime"
  start_game "$DATA"
  expect_exit_within 10 "starting without a display"
  ((STATUS == 0)) || fail "without a display the status is $STATUS, not 0"
  (($(wc -l <"$WORK/stderr") == 1)) || fail "expected one line on stderr without a display"
  grep -q '^Tabletumble' "$WORK/stderr" || fail "the line does not say it is the game's"
}


frames_drawn() { wc -l <"$WORK/frames" 2>/dev/null || echo 0; }

# Hash of the whole picture before and after $2 more frames: on the board
# nothing moves unless the mouse does, while in a round the roach never stops
# walking. Counted in frames, not seconds, so a slow game (valgrind) is not
# taken for a still one.
still() {
  local a b goal i
  a=$("$PROBE" hash "$1" 0 0 960 640) || fail "cannot read the window's pixels"
  if [ -e "$WORK/frames" ]; then
    goal=$(($(frames_drawn) + $2))
    for ((i = 0; i < 1200 && $(frames_drawn) < goal; ++i)); do sleep 0.1; done
    ((i < 1200)) || fail "the game drew no frame for 120 s"
  else
    sleep 1  # a build without the log (Wine's): a second, as before
  fi
  b=$("$PROBE" hash "$1" 0 0 960 640) || fail "cannot read the window's pixels"
  [ "$a" = "$b" ]
}

# Tilts the table fully towards the bottom edge, where the ball falls off.
tilt_down() {
  local i x y
  eval "$(xdotool getwindowgeometry --shell "$1")"
  x=$((X + 480)) y=$((Y + 100))
  for ((i = 0; i < 24; ++i)); do
    xdotool mousemove "$x" $((y + 10 * i))
    sleep 0.03
  done
}

# Plays one round to its end, spins the board, restarts, and asks to close.
play_session() {
  local win=$1 limit=$2 i
  wait_for_picture "$win" $((limit * 10))
  tilt_down "$win"
  # Ten frames at a time: 0.3 s at full speed, and not too long under valgrind.
  for ((i = 0; i < 3 * limit; ++i)); do
    still "$win" 10 && break
  done
  ((i < 3 * limit)) || { look "$win"; keep_picture round; fail "the round did not end after the ball fell"; }
  for ((i = 0; i < 10; ++i)); do xdotool mousemove_relative -- 8 0; sleep 0.05; done
  focus "$win"
  xdotool key Escape
  for ((i = 0; i < 3 * limit; ++i)); do
    still "$win" 10 || break
  done
  ((i < 3 * limit)) || { look "$win"; keep_picture board; fail "Esc on the board did not start a new round"; }
  "$PROBE" close "$win" || fail "could not send the close request"
}

case_faults() {
  start_xvfb
  local data="$WORK/data" win f
  # No sound device at all: one line says so, the game plays silently.
  SOUND=none start_game "$DATA"
  win=$(find_window) || exit 1
  play_session "$win" 20
  expect_exit_within 5 "a close request"
  ((STATUS == 0)) || fail "without a sound device the status is $STATUS"
  grep -q 'no sound device' "$WORK/stderr" || fail "no line about the missing sound device"

  # Every file replaced by random bytes of its own length, in a folder the game
  # may not write to: it still plays, and nothing in the folder changes.
  # The bytes are the same every run (AES in counter mode, keyed by the file's
  # name): a run that fails can be run again, and the fuzzers go wider.
  mkdir "$data"
  for f in "$DATA"/*; do
    head -c "$(stat -c %s "$f")" /dev/zero |
      openssl enc -aes-128-ctr -nosalt -K "$(echo -n "${f##*/}" | md5sum | cut -c1-32)" \
        -iv 00000000000000000000000000000000 >"$data/${f##*/}"
  done
  chmod a-w "$data"/* "$data"
  (cd "$data" && ls -l --time-style=+%s.%N && sha256sum ./*) >"$WORK/before"
  start_game "$data"
  win=$(find_window) || exit 1
  # With no mesh left whole the picture may well stay almost black, and a
  # frame of such meshes can take seconds: hence the long wait for the quit.
  # The tilt may roll the ball off, and Esc on the board would start a new
  # round, so the window is closed instead.
  sleep 1
  tilt_down "$win"
  sleep 1
  "$PROBE" close "$win" || fail "could not send the close request"
  expect_exit_within 30 "a close request with damaged data"
  ((STATUS == 0)) || fail "damaged data ended with status $STATUS"
  (cd "$data" && ls -l --time-style=+%s.%N && sha256sum ./*) >"$WORK/after"
  cmp -s "$WORK/before" "$WORK/after" || fail "the data folder changed: $(diff "$WORK/before" "$WORK/after")"
  chmod -R u+w "$data"
}

# Under valgrind a frame takes far longer than 30 ms; the game simply runs
# slower, so the waits here are long.
case_valgrind() {
  command -v valgrind >/dev/null || skip "valgrind is not installed"
  start_xvfb
  local win here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  WRAP="valgrind --error-exitcode=9 --leak-check=full --show-leak-kinds=definite
    --errors-for-leak-kinds=definite --keep-debuginfo=yes --num-callers=40
    --suppressions=$here/../valgrind/driver.supp --log-file=$WORK/valgrind.%p.log" \
    start_game "$DATA"
  for ((i = 0; i < 120; ++i)); do
    win=$(xdotool search --onlyvisible --name "^${TITLE//./\\.}\$" 2>/dev/null | head -n1)
    [ -n "$win" ] && break
    sleep 1
  done
  [ -n "$win" ] || fail "no window within 120 s under valgrind"
  play_session "$win" 120
  expect_exit_within 120 "a close request under valgrind"
  # One log per process: the game and any child it forks before an exec.
  cat "$WORK"/valgrind.*.log >"$WORK/valgrind.log"
  if ((STATUS != 0)) || grep -E 'ERROR SUMMARY: [1-9]' "$WORK/valgrind.log" >/dev/null; then
    cp "$WORK/valgrind.log" "$PWD/e2e_valgrind.log" 2>/dev/null
    fail "valgrind found errors (status $STATUS); the log is in $PWD/e2e_valgrind.log"
  fi
  grep -E 'ERROR SUMMARY|definitely lost' "$WORK/valgrind.log" | sort -u
}

case_board() {
  start_xvfb
  start_game "$DATA"
  WIN=$(find_window) || exit 1
  wait_for_picture "$WIN"
  tilt_down "$WIN"
  local i
  for ((i = 0; i < 60; ++i)); do still "$WIN" 10 && break; done
  ((i < 60)) || fail "the round did not end after the ball fell"
  look "$WIN"
  # No roach was squashed: the lose picture, its roach brown on the left, the
  # rainy sky blue on the right (an image-less texture draws white).
  local roach sky
  read -r -a roach <<<"$(pixel 250 320)"
  read -r -a sky <<<"$(pixel 700 440)"
  if ! ((roach[0] > roach[1] + 40 && roach[0] > roach[2] + 60 && sky[2] > sky[0] + 10)); then
    keep_picture board
    fail "the board is not the lose picture: ${roach[*]} at 250 320, ${sky[*]} at 700 440"
  fi
  # Esc on the board starts a new round; the next one quits.
  focus "$WIN"
  xdotool key Escape
  sleep 0.3
  quit_with_esc
}

# Here GAME is an installed launcher and DATA its data folder: started from
# an unrelated folder, it must still find its files.
case_installed() {
  start_xvfb
  start_game "$WORK"
  local win
  win=$(find_window) || exit 1
  wait_for_picture "$win"
  focus "$win"
  xdotool key Escape
  expect_exit_within "$QUIT_S" "Esc"
  ((STATUS == 0)) || fail "the installed game ended with status $STATUS"
}

# Sourced by another platform's script, which wants only the helpers and cases.
[[ ${BASH_SOURCE[0]} == "$0" ]] || return 0

case "$CASE" in
  window | close | endings | board | tilt | keys | missing | box_sigterm | box_sigint | no_gl | \
    no_box | hidden | mouse | no_display | own_cloth | jpeg_cloth | faults | valgrind | installed)
    "case_$CASE" ;;
  *) echo "unknown case $CASE" >&2; exit 2 ;;
esac
echo "PASS [$CASE]"
