#!/usr/bin/env bash
# Installs the missing Debian packages: for building and running Tavin3 ("run", the default),
# or for that and the tests as well ("test"), or for that and the kit's reference pages ("docs").
# Usage: scripts/install-deps.sh [run|test|docs]
set -euo pipefail
set_name="${1:-run}"

# Building and running: compiler and build tools, Qt with its translations and its Wayland
# platform (Wayland-only desktops), OpenSSL (the FTP client's TLS), Japanese fonts; python3
# makes the theme icons at build time.
run_packages=(g++ cmake ninja-build pkg-config python3
  qt6-base-dev qt6-translations-l10n qt6-wayland libssl-dev ca-certificates
  fonts-ipafont-gothic fonts-noto-cjk)

# Tests only. Add packages that tests need here.
test_packages=(libgtest-dev
  # pkill, which ends what a test left running when the run is over
  procps
  # the private X server, the tools that drive it and read the screen and clipboard
  xvfb xauth xdotool xclip imagemagick x11-apps libxcb1-dev
  # a headless Wayland compositor, its screenshots, clipboard tools and a virtual keyboard
  sway grim wl-clipboard wtype
  # the FTP servers and client the FTP tests run against (scripts/ftp-servers.sh adds two more)
  python3-pyftpdlib vsftpd curl
  # TLS for them: pyftpdlib's TLS handler, certificates made at test time
  python3-openssl openssl
  # a hosts file of the test's own, for a name that resolves only to IPv6
  libnss-wrapper
  # validators of the installed desktop entry and metadata
  desktop-file-utils appstream
  # the fuzz targets (fuzz/run.sh): clang with its libFuzzer runtime
  clang libclang-rt-14-dev)

# The reference pages of the kit (the docs target), made from the headers' comments.
docs_packages=(doxygen)

case "$set_name" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  docs) packages=("${run_packages[@]}" "${docs_packages[@]}") ;;
  *) echo "Usage: $0 [run|test|docs]" >&2; exit 2 ;;
esac

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
