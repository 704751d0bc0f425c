#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while (default 60 s; CI uses 20).
# Each reader of outside data has two: fuzz_<kind> plays the bytes through the game as it uses
# them (a round with those prefs, sprite sets cut from the bitmap, ...), fuzz_lean_<kind> hands
# them to the reader alone from memory, thousands of times a second. Seeds come from our own
# tools (assetgen's pictures, sounds, music, texts and default prefs.prf, the simulator's preset
# prefs) and tests/fuzz/seeds/<kind>; each target's corpus grows in build-fuzz/corpus/<target>.
#   scripts/fuzz.sh [seconds-per-target] [target ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${TARVEL_FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${TARVEL_JOBS:-2}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_FUZZ=ON \
  -DCMAKE_C_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined" \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
targets=${*:-$(cd "$root/tests/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')}
cmake --build "$build" -j"$jobs" --target $targets assetgen sim

# The seeds: what the game really loads, freshly made.
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds/assets" "$seeds/bitmap" "$seeds/wave" "$seeds/module" "$seeds/prefs" "$seeds/texts" "$seeds/replay" \
  "$seeds/message"
"$build/tools/assetgen/assetgen" "$seeds/assets" >/dev/null
cp "$seeds/assets"/graphics/*.bmp "$seeds/bitmap/"
cp "$seeds/assets"/sounds/*.wav "$seeds/wave/"
cp "$seeds/assets/sounds/music.xm" "$seeds/module/"
cp "$seeds/assets/prefs.prf" "$seeds/prefs/default.prf"
for preset in duel trio mixed humans pair; do
  "$build/tools/sim/sim" --preset "$preset" --write-prefs "$seeds/prefs/$preset.prf" --ticks 0 --quiet >/dev/null
done
head -c 100 "$seeds/prefs/mixed.prf" >"$seeds/prefs/short.prf"
cat "$seeds/prefs/trio.prf" "$seeds/prefs/duel.prf" | head -c 300 >"$seeds/prefs/long.prf"
"$build/tools/sim/sim" --preset humans --seed 3 --ticks 240 --keys "$root/tests/traces/humans.keys" --no-pictures \
  --quiet --record "$seeds/replay/humans.t4replay" >/dev/null
cat "$seeds/assets"/about.txt "$seeds/assets"/about2.txt "$seeds/assets"/about3.txt >"$seeds/texts/all.txt"

# Faults that are not ours (libxmp's own leaks on broken modules would be one) are not hidden:
# every report stops the run. A smaller quarantine than the default 256 MB still catches a use
# after free within the last 16 MB freed, and spares the lean targets most of their page faults.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=16}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for t in $targets; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  kind=${t#fuzz_}
  kind=${kind#lean_}
  extra=""
  [ -d "$root/tests/fuzz/seeds/$kind" ] && extra="$root/tests/fuzz/seeds/$kind"
  echo "== $t: ${seconds}s"
  start=$(date +%s)
  if ! "$build/tests/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$build/$t-" "$corpus" "$seeds/$kind" $extra >"$build/$t.log" 2>&1; then
    echo "$t found a fault; see $build/$t.log (the input is $build/$t-crash-* or similar)" >&2
    tail -60 "$build/$t.log" >&2
    status=1
  fi
  echo "   $(( $(date +%s) - start )) s, corpus $(ls "$corpus" | wc -l) files"
  grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec|^stat::peak_rss_mb' "$build/$t.log" |
    sed 's/^/   /' || true
done
exit $status
