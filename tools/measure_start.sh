#!/usr/bin/env bash
# Times the start of the game against the floor: an empty SDL program that
# opens the same window with the same GL context and the default sound device
# the same way (SDL_OpenAudioDevice), then clears and swaps once
# (bench/start_floor.cpp, built here). Each program is timed from just before
# its exec to the end of its first buffer swap (bench/first_swap.c, preloaded,
# notes the moment and ends the process), under one Xvfb, the programs taking
# turns run after run; it prints each one's median, range and its median
# against the floor's.
#   tools/measure_start.sh [RUNS [GAME DATA_DIR]...]   (defaults: 9 build/tabletumble build/data)
# Several games may be given (an old build and a new one); each starts in its
# own data folder.
# SOUND=sdl (default) leaves the sound driver to SDL, as players run it;
# SOUND=dummy uses SDL's dummy driver. The machine's own sound hardware
# decides what SDL finds.
# WEB=DIR (default dist/web when it is built): then also the browser's bytes
# before the first frame, from tools/measure_web.mjs.
# Needs Xvfb, a C++ compiler and SDL2's development files.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
RUNS=${1:-9}
shift || true
games=("$@")
[ ${#games[@]} -eq 0 ] && games=(build/tabletumble build/data)
[ $((${#games[@]} % 2)) -eq 0 ] || { echo "give each game with its data folder" >&2; exit 2; }

work=$(mktemp -d)
cleanup() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck disable=SC2046  # sdl2-config gives lists of flags
c++ -O2 -Wall -Wextra -Werror -o "$work/start_floor" bench/start_floor.cpp \
  $(sdl2-config --cflags --libs) -lGL
cc -O2 -Wall -Wextra -Werror -shared -fPIC -o "$work/first_swap.so" bench/first_swap.c -ldl

display=""
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done

names=("$work/start_floor")
folders=("$work")
for ((i = 0; i < ${#games[@]}; i += 2)); do
  names+=("$(readlink -f "${games[i]}")")
  folders+=("$(readlink -f "${games[i + 1]}")")
done
sound=(-u SDL_AUDIODRIVER)
[ "${SOUND:-sdl}" = dummy ] && sound=(SDL_AUDIODRIVER=dummy)

# Prints the milliseconds from the start of program $1 in folder $2 to the
# end of its first buffer swap.
run_once() {
  rm -f "$work/swap"
  (cd "$2" && export DISPLAY="$display" LD_PRELOAD="$work/first_swap.so" \
    TT_FIRST_SWAP_FILE="$work/swap" && TT_START_US=${EPOCHREALTIME/./} exec env "${sound[@]}" "$1") \
    >/dev/null 2>>"$work/stderr" || true
  [ -s "$work/swap" ] || { echo "$1 ended without a buffer swap:" >&2; cat "$work/stderr" >&2; exit 1; }
  awk '{ printf "%.1f\n", $1 / 1000 }' "$work/swap"
}

# One run each first, not counted: the files and Mesa's shader cache are then
# warm for every program alike.
for k in "${!names[@]}"; do run_once "${names[k]}" "${folders[k]}" >/dev/null; done
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((r = 0; r < RUNS; ++r)); do
  for k in "${!names[@]}"; do run_once "${names[k]}" "${folders[k]}" >>"$work/times.$k"; done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo "start to the end of the first buffer swap, sound driver: ${SOUND:-sdl}, $RUNS runs each, taking turns"
echo "load average before: $load_before, after: $load_after"
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
floor=$(median "$work/times.0")
for k in "${!names[@]}"; do
  label=${names[k]}
  [ "$k" -eq 0 ] && label="floor (bench/start_floor.cpp)"
  m=$(median "$work/times.$k")
  range=$(sort -n "$work/times.$k" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print lo " to " hi }')
  awk -v l="$label" -v m="$m" -v f="$floor" -v r="$range" \
    'BEGIN { printf "%-44s median %7.1f ms (%s), %.2f times the floor\n", l, m, r, m / f }'
done

web=${WEB:-dist/web}
if [ -f "$web/index.html" ]; then
  node --experimental-websocket tools/measure_web.mjs "$web" 1 | sed '/before the first frame/q'
fi
