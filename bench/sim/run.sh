#!/usr/bin/env bash
# The simulator's speed in a Release build of its own: four computer worms with mixed abilities,
# restarting automatically, in the assembled game directory with every picture drawn, and with
# --no-pictures (the rules alone: no picture loaded or drawn).
#   bench/sim/run.sh [ticks with pictures (default 300000)] [ticks without (default 1000000)]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TARVEL_BENCH_BUILD_DIR:-$root/build-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target sim assets >/dev/null
cd "$build/game"
with=$(../tools/sim/sim --preset mixed --ticks "${1:-300000}" --quiet)
without=$(../tools/sim/sim --preset mixed --ticks "${2:-1000000}" --quiet --no-pictures)
echo "with pictures:    ${with//$'\n'/; }"
echo "without pictures: ${without//$'\n'/; }"
