#!/usr/bin/env bash
# FTP client benchmark: builds the release benchmark and runs it against pyftpdlib, vsftpd,
# proftpd and pure-ftpd on loopback, next to curl.
# Usage: bench/ftp_bench.sh [--plain] [size in MiB, default 256] [server ...]  (as root: the servers log in a local user)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
bash scripts/ftp-servers.sh fetch
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVIN3_TESTS=OFF -DTAVIN3_BENCH=ON >/dev/null
cmake --build build-release --target bench_ftp
exec ./build-release/bench/bench_ftp "$@"
