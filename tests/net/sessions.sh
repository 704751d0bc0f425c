#!/usr/bin/env bash
# Sessions across machines over real UDP on 127.0.0.1, through the relay: 100 ms round trip,
# +-10 ms, 5 % loss each way. The simulator plays host and joiners in processes of their own; every
# machine's trace must be the same, and the same as the local simulator's run of the key-downs it
# shows (sim --verify). While two play, a flood of garbage datagrams hits the host's port.
# Usage: sessions.sh SIM RELAY OUTDIR SOURCEDIR
set -euo pipefail
sim=$1 relay=$2 out=$3 src=$4
rm -rf "$out"
mkdir -p "$out"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
keys=("$src/tests/traces/humans.keys" "$src/tests/traces/pair.keys")
for machines in 2 4; do
  run=$out/$machines
  mkdir -p "$run"
  "$sim" --preset humans --game-speed 0 --seed $((machines * 7)) --host 0 --machines "$machines" --ticks 1500 \
    --keys "${keys[0]}" --no-pictures --trace "$run/m0.trace" 2>"$run/m0.err" &
  pids+=($!)
  host=$!
  port=
  for _ in $(seq 100); do
    port=$(sed -n 's/^sim: hosting on port \([0-9]*\).*/\1/p' "$run/m0.err")
    [ -n "$port" ] && break
    sleep 0.05
  done
  [ -n "$port" ] || { cat "$run/m0.err"; echo "FAIL: the host did not start" >&2; exit 1; }
  "$relay" --listen 0 --to "$port" --delay 50 --jitter 5 --loss 0.05 --seed "$machines" --seconds 120 \
    >"$run/relay.out" 2>&1 &
  pids+=($!)
  via=
  for _ in $(seq 100); do
    via=$(head -1 "$run/relay.out" | grep -x '[0-9]*' || true)
    [ -n "$via" ] && break
    sleep 0.05
  done
  joiners=()
  for m in $(seq 1 $((machines - 1))); do
    "$sim" --preset pair --join "127.0.0.1:$via" --machines "$machines" --ticks 1500 \
      --keys "${keys[$((m % 2))]}" --no-pictures --trace "$run/m$m.trace" 2>"$run/m$m.err" &
    joiners+=($!)
    pids+=($!)
  done
  if [ "$machines" = 2 ]; then
    python3 -c '
import os, socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
end = time.time() + 5
while time.time() < end:
    for _ in range(200):
        s.sendto(os.urandom(1 + os.urandom(1)[0] * 4), ("127.0.0.1", int(sys.argv[1])))
    time.sleep(0.01)
' "$port" &
    pids+=($!)
  fi
  status=0
  for p in $host "${joiners[@]}"; do wait "$p" || status=1; done
  cat "$run"/m*.err
  [ $status = 0 ] || { echo "FAIL: a machine of $machines did not play every tick" >&2; exit 1; }
  for m in $(seq 1 $((machines - 1))); do
    cmp "$run/m0.trace" "$run/m$m.trace" || { echo "FAIL: machine $m's trace is not the host's" >&2; exit 1; }
  done
  "$sim" --verify "$run/m0.trace" --no-pictures || { echo "FAIL: the local run differs" >&2; exit 1; }
  echo "$machines machines: every trace the same, $(($(wc -l <"$run/m0.trace") - 2)) ticks"
done
