#!/usr/bin/env bash
# Saves a picture of the window on a private Wayland compositor (sway, headless) at an output
# scale, with FF8000 typed into the code box, for the README.
# Usage: tests/app/screenshot-wayland.sh [path/to/Tavin3] [output.png] [scale]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
program="${1:-$root/build-release/app/Tavin3}"
output="${2:-$root/docs/screenshot-wayland.png}"
scale="${3:-1}"
mkdir -p "$(dirname "$output")"
output="$(cd "$(dirname "$output")" && pwd)/$(basename "$output")"

# On the compositor: start the program, wait for its window, type into the focused box, take
# the window's rectangle (in the output's logical pixels; grim takes the scaled pixels).
"$root/tests/fixtures/on-private-sway.sh" "$scale" bash -c '
  program="$1" output="$2"
  "$program" 2>/dev/null &
  app=$!
  trap "kill $app 2>/dev/null || true" EXIT
  rect=""
  for _ in $(seq 100); do
    rect=$(swaymsg -r -t get_tree | python3 -c "
import json, sys
def walk(n):
    if n.get(\"name\") == \"Tavin3\" and n.get(\"pid\"):
        r, w = n[\"rect\"], n[\"window_rect\"]
        print(\"%d,%d %dx%d\" % (r[\"x\"] + w[\"x\"], r[\"y\"] + w[\"y\"], w[\"width\"], w[\"height\"])); sys.exit()
    for c in n.get(\"nodes\", []) + n.get(\"floating_nodes\", []): walk(c)
walk(json.load(sys.stdin))") && [ -n "$rect" ] && break
    sleep 0.2
  done
  [ -n "$rect" ] || { echo "The window did not show." >&2; exit 1; }
  # A keyboard held open, so that the typed keys find the window ready for them.
  wtype -s 600000 -k Shift_L & held=$!
  sleep 0.5
  wtype -k Tab
  wtype FF8000
  sleep 0.5
  grim -g "$rect" "$output"
  kill "$held"
' _ "$program" "$output"
echo "Saved $output"
