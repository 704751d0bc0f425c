#!/usr/bin/env bash
# Soak of the rules under AddressSanitizer and UndefinedBehaviorSanitizer: computer rounds one
# after another (Auto Start restarts each), every worm owning all sixteen abilities in most runs,
# with every invariant checked after each tick (headings and missile deltas in -1..1, playersLeft
# in a state of the round and equal to the worms still in, cells 0 or 1, boxes and flying
# missiles on the field). Any sanitizer report or broken invariant stops it with a failure.
# Far too slow for the test run: 10 million ticks take over an hour on two cores.
#   bench/soak.sh [total ticks (default 10000000)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_SOAK_BUILD_DIR:-$root/build-asan}
total=${1:-10000000}
cmake -S "$root" -B "$build" -DTARVEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target sim assets >/dev/null
sim=$build/tools/sim/sim
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
# With TARVEL_SOAK_GRAPHICS=1 the pictures and sprites are really drawn too, at half the speed;
# without them every picture is a recorded (and dismissed) message box.
[ "${TARVEL_SOAK_GRAPHICS:-0}" = 1 ] && cp -r "$build/game/graphics" .
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
began=$(date +%s)
done_ticks=0
run() { # share-in-tenths sim-options...
  local ticks=$((total * $1 / 10))
  shift
  echo "sim --ticks $ticks $*"
  "$sim" --check --quiet --auto-start 1 --ticks "$ticks" "$@"
  done_ticks=$((done_ticks + ticks))
}
# Four worms with everything, at the presets' own speeds, starfield and blocks.
run 4 --preset mixed --seed 1 --all-abilities
# Three worms, Fast Explosions, then two fast worms with Auto Warp on an open field.
run 2 --preset trio --seed 2 --all-abilities --worm-speed 5
run 2 --preset duel --seed 3 --all-abilities --worm-speed 6 --game-speed 0 --blocks 0
# The presets' own ability sets on a crowded field, as real players buy them.
run 2 --preset mixed --seed 4 --worm-speed 6 --blocks 40
echo "soak: clean, $done_ticks ticks in $(($(date +%s) - began)) s"
