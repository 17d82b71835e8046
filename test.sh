#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs all tests.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVIN3_SANITIZE=ON >/dev/null
cmake --build build-test
cd build-test
ctest --output-on-failure -j2 "$@"
