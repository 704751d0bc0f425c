#!/usr/bin/env bash
# Soak of the rules under AddressSanitizer and UndefinedBehaviorSanitizer: computer rounds one
# after another (Auto Start restarts each), every worm owning all sixteen abilities in three runs
# of four, with every invariant checked after each tick (headings and missile deltas in -1..1,
# playersLeft in a state of the round and equal to the worms still in, cells 0 or 1, boxes and
# flying missiles on the field). The ticks are played in runs of 500,000 with their own seeds,
# two at a time, and each run reports as it ends; any sanitizer report or broken invariant stops
# the soak with a failure. Nothing is drawn (--no-pictures) unless TARVEL_SOAK_GRAPHICS=1.
#   bench/soak.sh [total ticks (default 10000000)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_SOAK_BUILD_DIR:-$root/build-asan}
total=${1:-10000000}
chunk=${TARVEL_SOAK_CHUNK:-500000}
jobs=${TARVEL_SOAK_JOBS:-2}
cmake -S "$root" -B "$build" -DTARVEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target sim assets >/dev/null
sim=$build/tools/sim/sim
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
# With TARVEL_SOAK_GRAPHICS=1 the pictures and sprites are really drawn too, far slower.
pictures=--no-pictures
if [ "${TARVEL_SOAK_GRAPHICS:-0}" = 1 ]; then
  cp -r "$build/game/graphics" .
  pictures=
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
configs=(
  "--preset mixed --all-abilities"                                       # four worms with everything
  "--preset trio --all-abilities --worm-speed 5"                         # Fast Explosions
  "--preset duel --all-abilities --worm-speed 6 --game-speed 0 --blocks 0" # Auto Warp, open field
  "--preset mixed --worm-speed 6 --blocks 40"                            # bought abilities, crowded
)
runs=$(((total + chunk - 1) / chunk))
began=$(date +%s)
worker() {
  local i
  for ((i = $1; i < runs; i += jobs)); do
    local options=${configs[i % ${#configs[@]}]}
    # shellcheck disable=SC2086
    if ! "$sim" --check --quiet --auto-start 1 --seed $((i + 1)) --ticks "$chunk" $pictures $options >"run$i.log" 2>&1; then
      echo "run $i FAILED: sim --check --auto-start 1 --seed $((i + 1)) --ticks $chunk $pictures $options"
      cat "run$i.log"
      return 1
    fi
    echo "run $i ($(($(date +%s) - began)) s): --seed $((i + 1)) $options: $(tr '\n' ' ' <"run$i.log")"
  done
}
pids=()
for ((w = 0; w < jobs; ++w)); do
  worker $w &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
[ $status -eq 0 ] || { echo "soak: FAILED"; exit 1; }
echo "soak: clean, $((runs * chunk)) ticks in $(($(date +%s) - began)) s"
