#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need (only missing ones).
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libgtest-dev
  fonts-ipafont-gothic fonts-noto-cjk
  xvfb xauth xdotool xclip imagemagick x11-apps python3-pyftpdlib curl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
