#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs all tests.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh test
# The real FTP servers log a local user in, so they run only as root (as in CI); there a
# server that does not start fails its tests instead of skipping them.
if [ "$(id -u)" -eq 0 ]; then
  bash scripts/ftp-servers.sh fetch
  export TAVIN3_FTP_SERVERS=required
fi
# Paths relative to the clone, so that the compiler cache serves every clone alike.
export CCACHE_BASEDIR="$PWD"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVIN3_SANITIZE=ON >/dev/null
cmake --build build-test
# Each fuzz target for a short while, so that they keep building and a regression shows.
bash fuzz/run.sh 20
cd build-test
ctest --output-on-failure -j2 "$@"
