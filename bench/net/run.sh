#!/usr/bin/env bash
# Play across machines as it goes: four machines (the simulator, one host and three joiners, each a
# process of its own) play SECONDS of rounds at speed 0 (10 ms ticks) over real UDP on 127.0.0.1,
# the joiners through one relay (which gives each its own socket towards the host) at a one-way
# delay of 0, 25, 50 and 75 ms (round trips of 0, 50, 100 and 150 ms; +-5 ms of jitter each way
# where the delay is not 0) and a loss of 0 % and 5 % each way. Every machine plays paced
# (sim --paced): its ticks are due on its own grid of periods, as the game's timer has them, and a
# tick whose input is not all there runs as soon as it is. Each steers its player with a key every
# quarter of a second; the host starts the first round with F8 (Auto Start brings the next ones).
# Counted over the ticks after the one everyone was first in, on every machine:
#   late     ticks that ran more than 2 ms after their deadline because their input was not all
#            there, as a share of all ticks of the four machines;
#   stall    the longest any tick waited for its input beyond its deadline, on any machine; in
#            brackets the same without each machine's first 100 ticks (the first second), in
#            which the last machine in, which starts D ticks ahead of the host, falls into step;
#   slow     ticks that ran more than 2 ms late with their input there (the machine was busy);
#   up/down  kB (1000 bytes) a second each joiner sent to the host, and the host to each joiner
#            (mean of the three, then the largest): the relay's count of every UDP payload either
#            way, ENet's headers, acknowledgements and pings included, the UDP and IP headers
#            (28 bytes a datagram) not, from when the script saw all four play together (within
#            50 ms) to the joiner's last datagram; in brackets the messages alone, as the
#            simulator counts them over the ticks counted (the host's divided by three);
#   D        the input delay the host chose (ticks).
# Usage: bench/net/run.sh [BUILD_DIR] [SECONDS]   (needs the build's sim and relay; SECONDS 20)
# Each run's standard error is kept in BUILD_DIR/bench-net/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build-release}" && pwd)
seconds=${2:-20}
sim=$build/tools/sim/sim
relay=$build/tools/relay/relay
for f in "$sim" "$relay"; do
  [ -x "$f" ] || { echo "missing $f: cmake --build $build --target sim relay" >&2; exit 1; }
done
out=$build/bench-net
rm -rf "$out"
mkdir -p "$out"
ticks=$((seconds * 100))
limit=$((seconds * 2 + 60)) # no run goes on longer than this
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT

# A key every 25 ticks, round the four arrows (the first human's steering in both presets).
arrows=(38 37 40 39)
for t in $(seq 10 25 "$ticks"); do echo "$t ${arrows[$((t / 25 % 4))]}"; done >"$out/steer.keys"
{ echo "2 119"; cat "$out/steer.keys"; } >"$out/host.keys"

# One session: DELAY LOSS SEED; leaves its machines' and the relay's standard error in $run.
session() {
  local delay=$1 loss=$2 seed=$3 jitter=0 port='' via='' status=0
  [ "$delay" -gt 0 ] && jitter=5
  run=$out/rtt$((2 * delay))-loss$loss
  mkdir -p "$run"
  timeout $limit "$sim" --preset humans --game-speed 0 --seed "$seed" --host 0 --machines 4 --ticks $ticks \
    --keys "$out/host.keys" --no-pictures --paced 2>"$run/m0.err" &
  local host=$!
  pids+=("$host")
  for _ in $(seq 100); do
    port=$(sed -n 's/^sim: hosting on port \([0-9]*\).*/\1/p' "$run/m0.err")
    [ -n "$port" ] && break
    sleep 0.05
  done
  [ -n "$port" ] || { cat "$run/m0.err" >&2; echo "the host did not start" >&2; return 1; }
  "$relay" --listen 0 --to "$port" --delay "$delay" --jitter $jitter --loss "$loss" --seed "$seed" \
    --seconds $limit >"$run/relay.out" 2>"$run/relay.err" &
  local relaying=$!
  pids+=("$relaying")
  for _ in $(seq 100); do
    via=$(head -1 "$run/relay.out" | grep -x '[0-9]*' || true)
    [ -n "$via" ] && break
    sleep 0.05
  done
  [ -n "$via" ] || { echo "the relay did not start" >&2; return 1; }
  local joiners=()
  for m in 1 2 3; do
    timeout $limit "$sim" --preset pair --join "127.0.0.1:$via" --machines 4 --ticks $ticks \
      --keys "$out/steer.keys" --no-pictures --paced 2>"$run/m$m.err" &
    joiners+=($!)
    pids+=($!)
  done
  # The relay counts bytes from the moment all four play together.
  for _ in $(seq $((limit * 20))); do
    [ "$(cat "$run"/m*.err | grep -c '^sim: everyone is in')" = 4 ] && break
    kill -0 $host 2>/dev/null || break
    sleep 0.05
  done
  kill -USR1 $relaying 2>/dev/null || true
  for p in $host "${joiners[@]}"; do wait "$p" || status=1; done
  kill -TERM $relaying 2>/dev/null || true
  wait $relaying || true
  return $status
}

# One row of the table from a session's lines.
row() {
  awk -v rtt="$1" -v loss="$2" '
    FILENAME ~ /m0.err$/ && /^sim: machine 0 ran/ { d = $8; sub(/\),?/, "", d) }
    /^sim: paced:/ {
      machines++; ticks += $3; late += $5; slow += $16
      if ($9 > stall) stall = $9
      settled = substr($11, 2) + 0
      if (settled > steady) steady = settled
      if (FILENAME ~ /m0.err$/) down0 += $18 / $21 / 3; else up0 += $18 / $21 / 3
    }
    /^relay: sender/ && $17 > 0 {
      joiners++; up += $6 / $17 / 3; down += $13 / $17 / 3
      if ($6 / $17 > upMax) upMax = $6 / $17
      if ($13 / $17 > downMax) downMax = $13 / $17
    }
    END {
      if (machines != 4 || joiners != 3 || ticks == 0) {
        printf "| %d ms | %s %% | failed: see the logs | | | | | | |\n", rtt, loss
        exit
      }
      printf "| %d ms | %s %% | %s | %d | %.2f %% (%d) | %.1f ms (%.1f ms) | %d | %.2f / %.2f (%.2f) | %.2f / %.2f (%.2f) |\n",
        rtt, loss, d, ticks, 100 * late / ticks, late, stall, steady, slow,
        up / 1000, upMax / 1000, up0 / 1000, down / 1000, downMax / 1000, down0 / 1000
    }' "$run"/m*.err "$run/relay.err"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"
table="| RTT | loss | D | ticks | late | longest stall (after 1 s) | slow | up kB/s: mean / max (messages) | down kB/s: mean / max (messages) |
|---|---|---|---|---|---|---|---|---|"
seed=1
for delay in 0 25 50 75; do
  for loss in 0 0.05; do
    session "$delay" "$loss" $seed || echo "a machine did not play every tick at delay $delay, loss $loss" >&2
    table+=$'\n'$(row $((2 * delay)) "$(awk -v l="$loss" 'BEGIN { print l * 100 }')")
    seed=$((seed + 1))
  done
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$table"
echo "command: bench/net/run.sh${1:+ $1}${2:+ $2} ($seconds s of ticks a row; logs in $out)"
