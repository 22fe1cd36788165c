#!/usr/bin/env bash
# Takes the README's pictures of the real game under its own Xvfb: a moment of
# play and the game-over board, as small PNGs in docs/.
#   tools/screenshots.sh [GAME] [DATA_DIR]   (defaults: build/tabletumble build/data)
# Needs Xvfb, xdotool and ImageMagick (import, convert).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
GAME=$(readlink -f "${1:-build/tabletumble}")
DATA=$(readlink -f "${2:-build/data}")
OUT=$PWD/docs

display=""
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
done
export DISPLAY=$display
Xvfb "$display" -noreset -screen 0 1060x740x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "${game_pid:-}" "$xvfb_pid" 2>/dev/null' EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done

(cd "$DATA" && exec env SDL_AUDIODRIVER=dummy "$GAME") >/dev/null 2>&1 &
game_pid=$!
win=$(xdotool search --sync --onlyvisible --name '^Tabletumble')
shot() { import -window "$win" png:- | convert - -resize 640x -strip -colors 256 "PNG8:$OUT/$1"; }

# A little play: the table tilted towards the upper right, the ball on its way.
eval "$(xdotool getwindowgeometry --shell "$win")"
for i in $(seq 8); do xdotool mousemove $((X + 480 + 10 * i)) $((Y + 320 - 10 * i)); sleep 0.05; done
sleep 1.2
shot play.png

# Tilted fully down the ball leaves the table and the board comes; a few moves
# to the right turn it a little so it is seen in depth.
for i in $(seq 24); do xdotool mousemove $((X + 480)) $((Y + 100 + 10 * i)); sleep 0.03; done
sleep 4
for i in $(seq 12); do xdotool mousemove_relative -- 4 0; sleep 0.03; done
sleep 0.5
shot board.png
xdotool key --window "$win" Escape Escape 2>/dev/null || true  # the second quits
wait "$game_pid" || true
echo "wrote $OUT/play.png and $OUT/board.png"
