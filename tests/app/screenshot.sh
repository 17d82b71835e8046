#!/usr/bin/env bash
# Saves a picture of the window, after decomposing FF8000, for the README.
# Usage: tests/app/screenshot.sh [path/to/Tavin3] [output.png]
# At a display scale, e.g. QT_SCALE_FACTOR=2 tests/app/screenshot.sh ... (the window's pixels
# grow with it; the clicks follow).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
program="${1:-$root/build-release/app/Tavin3}"
output="${2:-$root/docs/screenshot.png}"

exec 3< <(Xvfb -displayfd 1 -noreset -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
server=$!
trap 'kill "$app" "$server" 2>/dev/null || true' EXIT
read -r -t 15 number <&3
export DISPLAY=":$number"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

"$program" &
app=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^Tavin3$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "The window did not show." >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
scale="${QT_SCALE_FACTOR:-1}"
at() { awk -v o="$1" -v l="$2" -v s="$scale" 'BEGIN { printf "%d", o + l * s }'; }
xdotool mousemove --sync "$(at "$X" 40)" "$(at "$Y" 51)" click 1 key ctrl+a type FF8000
xdotool mousemove --sync "$(at "$X" 112)" "$(at "$Y" 52)" click 1
xdotool mousemove --sync "$(at "$X" 200)" "$(at "$Y" 250)"  # keep the pointer off the buttons
sleep 0.5
mkdir -p "$(dirname "$output")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$output"
echo "Saved $output"
