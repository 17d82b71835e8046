#!/usr/bin/env bash
# Saves pictures of the two sample programs for the README: the background gallery with its
# animated frames, and the FTP sample logged in to a local pyftpdlib server.
# Usage: tests/examples/screenshots.sh [build folder] [output folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-release}"
out="${2:-$root/docs}"
mkdir -p "$out"

exec 3< <(Xvfb -displayfd 1 -noreset -screen 0 800x600x24 -nolisten tcp 2>/dev/null)
server=$!
pids=("$server")
ftproot="$(mktemp -d)"
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$ftproot"' EXIT
read -r -t 15 number <&3
export DISPLAY=":$number"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# The id of the visible window of that title, once it shows.
window_of() {
  local id=""
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] || { echo "The window '$1' did not show." >&2; exit 1; }
  echo "$id"
}

shoot() {  # window id, output file
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove --sync $((X + WIDTH - 5)) $((Y + HEIGHT - 5))
  sleep 0.5
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
  echo "Saved $2"
}

"$build/examples/background/BackGroundGallery" &
pids+=($!)
shoot "$(window_of '背景の見本')" "$out/background-gallery.png"

mkdir -p "$ftproot/pictures" "$ftproot/music"
head -c 5242880 /dev/urandom > "$ftproot/archive.zip"
printf 'hello\n' > "$ftproot/readme.txt"
exec 4< <(/usr/bin/python3 "$root/tests/fixtures/pyftpd_server.py" "$ftproot" guest guest)
pids+=($!)
read -r -t 30 port <&4
"$build/examples/ftp/FtpSample" 127.0.0.1 "$port" guest > /dev/null &
pids+=($!)
ftp=$(window_of 'FTP の見本')
eval "$(xdotool getwindowgeometry --shell "$ftp")"
xdotool mousemove --sync $((X + 140)) $((Y + 46)) click 1 type guest
xdotool mousemove --sync $((X + 424)) $((Y + 46)) click 1
sleep 2
shoot "$ftp" "$out/ftp-sample.png"
