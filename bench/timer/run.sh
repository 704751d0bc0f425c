#!/usr/bin/env bash
# Runs the timer benchmarks: the window back end under Xvfb, the headless one on the host clock,
# and the CPU share of a computer-only round. Usage: bench/timer/run.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-20}
source "$root/tests/e2e/xserver.sh"
logs=$(mktemp -d)
scratch=
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$logs"; [ -n "$scratch" ] && rm -rf "$scratch"' EXIT
start_xvfb "$logs/xvfb.log"
echo "== sdl back end under Xvfb"
"$build/bench/timer/timer_bench_sdl" periods "$seconds"
echo "== headless back end, host clock"
"$build/bench/timer/timer_bench_headless" periods "$seconds"
dir=$build/game
if [ ! -d "$dir/graphics" ]; then
  scratch=$(mktemp -d)
  dir=$scratch
  bash "$root/tests/e2e/make-gamedir.sh" "$dir"
fi
echo "== 4 computer worms at speed 0, in $dir"
(cd "$dir" && "$build/bench/timer/timer_bench_sdl" round "$seconds")
