#!/usr/bin/env bash
# Builds Tavin3 (release) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh run
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVIN3_TESTS=OFF -DTAVIN3_BENCH=OFF >/dev/null
cmake --build build-release --target Tavin3
exec ./build-release/app/Tavin3 "$@"
