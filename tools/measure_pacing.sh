#!/usr/bin/env bash
# Measures the real game from outside: it runs under its own Xvfb for a while
# with TABLETUMBLE_FRAME_LOG set, then reports the frame intervals, how late
# frames start past 30 ms (with the share of intervals of exactly 30 ms and
# their mean), the CPU share, the start-up time to the first
# buffer swap and the peak resident memory.
#   tools/measure_pacing.sh [GAME] [DATA_DIR] [SECONDS]   (defaults: build/tabletumble build/data 10)
# GAME may also be the Windows zip (dist/tabletumble-1.1-win64.zip): its game
# then runs under Wine, in the prefix of the Wine tests (build-win/wineprefix),
# from its own folder; DATA_DIR is not used.
# Needs Xvfb and xdotool. The round plays untouched: no input, the ball rolls.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
GAME=$(readlink -f "${1:-build/tabletumble}")
DATA=$(readlink -f "${2:-build/data}")
SECONDS_TO_RUN=${3:-10}

work=$(mktemp -d)
display=""
run=("$GAME")
frame_log=$work/frames
if [[ $GAME == *.zip ]]; then
  export WINEPREFIX=${WINEPREFIX:-$PWD/build-win/wineprefix} WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  (cd "$work" && cmake -E tar xf "$GAME")
  DATA=$work/Tabletumble
  run=(wine Tabletumble.exe)
  on_wine=yes
fi
cleanup() {
  [ -n "${game_pid:-}" ] && kill "$game_pid" 2>/dev/null
  [ -n "${on_wine:-}" ] && wineserver -k 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
done
Xvfb "$display" -noreset -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done

# Wine hands the game the path as it is; from Wine's Z: drive, Unix paths are
# its own.
[ -n "${on_wine:-}" ] && frame_log="Z:${frame_log//\//\\}"
(cd "$DATA" && exec env DISPLAY="$display" SDL_AUDIODRIVER=dummy TABLETUMBLE_FRAME_LOG="$frame_log" \
  "${run[@]}") >/dev/null 2>"$work/stderr" &
game_pid=$!
hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$game_pid/stat"; }

# The first second after the first frame (start-up, first frames) is left out of the figures.
for _ in $(seq 200); do [ -s "$work/frames" ] && break; sleep 0.1; done
sleep 1
first_line=$(wc -l <"$work/frames")
t0=$(date +%s%N) c0=$(cpu_ticks)
sleep "$SECONDS_TO_RUN"
t1=$(date +%s%N) c1=$(cpu_ticks)
peak_kb=$(awk '/^VmHWM/ {print $2}' "/proc/$game_pid/status")
DISPLAY=$display xdotool key --window "$(DISPLAY=$display xdotool search --name '^Tabletumble' | head -n1)" \
  Escape 2>/dev/null || kill "$game_pid"
wait "$game_pid" || true
game_pid=""

echo "start-up: first buffer swap $(head -n1 "$work/frames" | cut -d' ' -f2) ms after the game's start"
echo "peak resident memory: $((peak_kb / 1024)) MiB"
awk -v cpu="$((c1 - c0))" -v hz="$hz" -v wall_ns="$((t1 - t0))" -v skip="$first_line" '
  NR > skip && prev != "" {
    d[++n] = $1 - prev; late[n] = ($1 - prev > 30) ? $1 - prev - 30 : 0
    sum += d[n]; exact += (d[n] == 30)
  }
  NR >= skip { prev = $1 }
  function sort(a, k,   i, j, t) {
    for (i = 2; i <= k; ++i) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; --j) a[j + 1] = a[j]; a[j + 1] = t }
  }
  function pct(a, k, p,   i) { i = int(p * k + 0.999999); if (i < 1) i = 1; return a[i] }
  END {
    sort(d, n); sort(late, n)
    printf "frames measured: %d over %.1f s\n", n, wall_ns / 1e9
    # The goal: at least 99 % exactly 30 ms (the counter resolves 1 ms), mean at most 30.02 ms.
    printf "intervals of exactly 30 ms: %.2f%%\n", 100 * exact / n
    printf "mean interval: %.3f ms\n", sum / n
    printf "frame interval: median %d ms, p99 %d ms, max %d ms\n", pct(d, n, 0.5), pct(d, n, 0.99), d[n]
    printf "lateness past 30 ms: median %d ms, p99 %d ms\n", pct(late, n, 0.5), pct(late, n, 0.99)
    printf "CPU: %.1f%% of one core\n", 100 * cpu / hz / (wall_ns / 1e9)
  }' "$work/frames"
