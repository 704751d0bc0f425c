#!/usr/bin/env bash
# Soak of the rules under AddressSanitizer and UndefinedBehaviorSanitizer: computer rounds with
# every invariant checked after each tick (headings and missile deltas in -1..1, playersLeft in
# a state of the round and equal to the worms still in, cells 0 or 1, boxes and flying missiles
# on the field). Too slow for the default test run; takes a few minutes on two cores.
#   bench/soak.sh [ticks of the four-worm run (default 1000000)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_SOAK_BUILD_DIR:-$root/build-asan}
ticks=${1:-1000000}
cmake -S "$root" -B "$build" -DTARVEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target sim >/dev/null
sim=$build/tools/sim/sim
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run() {
  echo "sim $*"
  "$sim" --check --quiet "$@"
}
run --preset mixed --seed 1 --ticks "$ticks"
run --preset trio --seed 2 --ticks $((ticks / 4))
run --preset duel --seed 3 --ticks $((ticks / 4)) --worm-speed 6 --game-speed 0
run --preset mixed --seed 4 --ticks $((ticks / 4)) --worm-speed 6 --blocks 40
echo "soak: clean"
