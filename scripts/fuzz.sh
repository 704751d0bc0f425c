#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while (default 60 s; CI uses a few).
#   scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${TARVEL_FUZZ_BUILD_DIR:-$root/build-fuzz}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_FUZZ=ON \
  -DCMAKE_C_FLAGS="-fsanitize=address,undefined,fuzzer-no-link" \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
targets=$(cd "$root/tests/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')
cmake --build "$build" -j"$(nproc)" --target $targets
status=0
for t in $targets; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  seeds="$root/tests/fuzz/seeds/$t"
  [ -d "$seeds" ] || seeds=""
  [ -x "$build/tests/fuzz/make_seeds" ] && "$build/tests/fuzz/make_seeds" "$t" "$corpus" || true
  echo "== $t: ${seconds}s"
  if ! "$build/tests/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 "$corpus" $seeds 2>"$build/$t.log"; then
    echo "$t found a fault; see $build/$t.log" >&2
    tail -40 "$build/$t.log" >&2
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/$t.log" || true
done
exit $status
