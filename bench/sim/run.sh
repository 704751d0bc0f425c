#!/usr/bin/env bash
# Builds the simulator benchmark in a Release build of its own and runs it:
#   bench/sim/run.sh [ticks] [seed]
# It runs in the assembled game directory when there is one, so the panels' bitmaps count too.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TARVEL_BENCH_BUILD_DIR:-$root/build-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target bench_sim >/dev/null
dir=$build/game
if [ ! -d "$dir/graphics" ]; then
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' EXIT
fi
cd "$dir"
"$build/bench/sim/bench_sim" "${1:-200000}" "${2:-1}"
