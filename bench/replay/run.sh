#!/usr/bin/env bash
# The size of a replay of a five-minute round of four human players, and how long the simulator
# takes to check it. Four worms that do not move (speed 0, so the round lasts) are steered by their
# players about three times a second each, at the fastest game speed (30,000 ticks of 10 ms); the
# simulator records the round as the window would, then plays it back.
# Usage: bench/replay/run.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
sim=$build/tools/sim/sim
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The humans preset's steering keys: arrows, W S A D, I K J L, keypad 8 2 4 6.
awk 'BEGIN {
  srand(7)
  split("38 40 37 39|87 83 65 68|73 75 74 76|104 98 100 102", players, "|")
  for (tick = 1; tick <= 30000; ++tick)
    for (p = 1; p <= 4; ++p)
      if (rand() < 1 / 33) { split(players[p], keys, " "); print tick, keys[int(rand() * 4) + 1] }
}' >"$work/round.keys"
"$sim" --preset humans --game-speed 0 --worm-speed 0 --ticks 30000 --keys "$work/round.keys" --no-pictures \
  --quiet --record "$work/round.t4replay" >/dev/null
echo "key-downs: $(wc -l <"$work/round.keys"), replay: $(stat -c %s "$work/round.t4replay") bytes"
times=
for _ in 1 2 3; do
  start=$(date +%s%N)
  "$sim" --replay "$work/round.t4replay" --no-pictures >"$work/check.out"
  times="$times $(($(date +%s%N) - start))"
done
cat "$work/check.out"
echo "$times" | awk '{ best = $1; for (i = 2; i <= NF; ++i) if ($i < best) best = $i
  printf "sim --replay --no-pictures, the whole process, best of 3: %.3f s\n", best / 1e9 }'
