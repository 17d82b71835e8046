#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each in turn for SECONDS (20 by default). Inputs found to be new are kept in
# <build>/corpus/<target>; an input that fails is saved in <build>/findings/<target>/ and the
# script fails. Without clang and its fuzzer runtime it says so and does nothing.
#   fuzz/run.sh [SECONDS] [TARGET...]      build folder: $TAVIN3_FUZZ_BUILD or build-fuzz
set -euo pipefail
seconds=${1:-20}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVIN3_FUZZ_BUILD:-$root/build-fuzz}

if ! command -v clang++ >/dev/null || ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
  echo "fuzz: clang++ with libFuzzer is not installed; fuzz targets skipped"
  exit 0
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS="-O1 -g" \
  -DTAVIN3_SANITIZE=ON -DTAVIN3_FUZZ=ON -DTAVIN3_TESTS=OFF -DTAVIN3_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" --target fuzz_targets >"$build/fuzz-build.log" 2>&1 || { tail -40 "$build/fuzz-build.log"; exit 1; }

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$build"/fuzz/*_fuzz; do targets+=("$(basename "$t")"); done
fi

export QT_QPA_PLATFORM=offscreen
# Qt's runtime, config and cache folders of the fuzzers' own, never the user's or /tmp's.
scratch=$(mktemp -d "$build/home-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -m 0700 "$scratch/runtime"
export XDG_RUNTIME_DIR=$scratch/runtime XDG_CONFIG_HOME=$scratch/config XDG_CACHE_HOME=$scratch/cache
export ASAN_OPTIONS=abort_on_error=0:detect_leaks=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for t in "${targets[@]}"; do
  name=${t%_fuzz}
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  mkdir -p "$corpus" "$findings"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$findings/")
  [ -f "$root/fuzz/dict/$name.dict" ] && args+=(-dict="$root/fuzz/dict/$name.dict")
  seeds=()
  [ -d "$root/fuzz/seeds/$name" ] && seeds=("$root/fuzz/seeds/$name")
  log=$build/$t.log
  if "$build/fuzz/$t" "${args[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $t ran ${runs:-?} inputs in ${seconds}s without a finding"
  else
    echo "fuzz: $t FAILED; the input is in $findings, the log follows"
    tail -60 "$log"
    failed=1
  fi
done
exit $failed
