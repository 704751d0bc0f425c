#!/usr/bin/env bash
# A game across machines in the real window: two games under one X server, side by side, each in a
# game directory of its own, the host started with --host and the other with --join on 127.0.0.1.
# Checked: both lobbies show below the ticker and the joiner's title is plain once it is in; F8 on
# the host starts a round on both; the joiner steers its own worm (in the host's second seat) with
# its own keys, and the turn shows on both windows; both end on the same results picture, pixel
# for pixel; each keeps the round as a replay, the two files the same and both playing back the
# same; the joiner's prefs.prf is left as it was. Then the host closes while the joiner is in: the
# joiner says so, goes back to its own title screen and closes normally. Last, hosting left the
# host's own prefs.prf as it was.
# Usage: session.sh TARVEL4 XCLOSE OUTDIR GAMEDIR SOURCEDIR   Screenshots stay in OUTDIR/screens.
set -euo pipefail
game_bin=$1 xclose=$2 out=$3 gamedir=$4 src=$5
XVFB_SCREEN=1320x540
source "$src/lib.sh"

# --- two games at once ----------------------------------------------------------------------------
# Each machine's pid, window, place and output; `use NAME` points lib.sh's helpers (shot, cpx,
# shows, wait_round, dump, close_game) at one of them.
declare -A PID WIN LEFT TOP BAR
cleanup() {
  local m
  for m in "${!PID[@]}"; do
    [ -n "${PID[$m]}" ] || continue
    kill "${PID[$m]}" 2>/dev/null || true
    for _ in $(seq 20); do kill -0 "${PID[$m]}" 2>/dev/null || break; sleep 0.1; done
    kill -9 "${PID[$m]}" 2>/dev/null || true
  done
  kill $xvfb 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
use() { # name
  RUN=$1 game_pid=${PID[$1]} W=${WIN[$1]} WX=${LEFT[$1]} WY=${TOP[$1]} MENU=${BAR[$1]}
}
# Starts the game in dir with args, as `name`, and puts its window at x on the left of the screen.
start_machine() { # name dir x args...
  local name=$1 dir=$2 x=$3 w
  shift 3
  launch "$name" "$dir" "$@"
  PID[$name]=$game_pid w=$W
  xdotool windowmove --sync "$w" "$x" 0 2>/dev/null || true
  eval "$(xdotool getwindowgeometry --shell "$w")"
  [ "$X" = "$x" ] || fail "$name: window at $X, not moved to $x"
  [ "$WIDTH" = 640 ] || fail "$name: window width $WIDTH"
  WIN[$name]=$w LEFT[$name]=$X TOP[$name]=$Y BAR[$name]=$((HEIGHT - 480))
}
# Keys and the mouse go to this machine's window.
focus() { # name
  use "$1"
  xdotool mousemove $((WX + 320)) $((WY + MENU + 240))
  xdotool windowfocus --sync "$W" 2>/dev/null || true
}
title_of() { xdotool getwindowname "${WIN[$1]}"; }

# --- pictures ----------------------------------------------------------------------------------------
# Light pixels in the lobby's two lines below the ticker (client rows 444..479), each line apart:
# "first second". Lines of text light a few hundred of the 9984 pixels, a picture far more.
lobby_ink() { # shot
  local line y
  for y in 444 462; do
    line=$(convert "$out/screens/$1.png" -crop "624x16+$((WX + 8))+$((WY + MENU + y))" +repage \
      -colorspace gray -threshold 50% -format '%[fx:int(w*h*mean)]' info:)
    printf '%s ' "$line"
  done
}
wait_lobby() { # name
  local ink
  for _ in $(seq 40); do
    shot "$1"
    read -ra ink <<<"$(lobby_ink "$1")"
    [ "${ink[0]}" -ge 150 ] && [ "${ink[0]}" -le 3000 ] && [ "${ink[1]}" -ge 150 ] && [ "${ink[1]}" -le 3000 ] &&
      return 0
    sleep 0.25
  done
  return 1
}
# Polls this machine's surface until Bob's worm, which starts on the right edge heading left, has
# gone down from the row it started on; the first cell below that row, where it went down, in TURN.
BOB=40E0E0
wait_turned_down() { # name
  local box
  for _ in $(seq 40); do
    dump "$1"
    read -ra box <<<"$(cells "$1" $BOB)"
    [ "${box[2]}" = 119 ] || fail "$RUN: Bob's worm is not where the second seat starts (box ${box[*]})"
    [ "${box[3]}" -gt "${box[1]}" ] && TURN="${box[0]} $((box[1] + 1))" && return 0
    sleep 0.1
  done
  fail "$RUN: Bob's worm did not turn down (box ${box[*]})"
}
# Polls this machine's surface until Bob's colour fills the middle of a cell.
wait_trail() { # name cell-x cell-y
  for _ in $(seq 40); do
    dump "$1"
    [ "$(px "$out/screens/$1.png" $(($2 * 5 + 2)) $(($3 * 5 + 2)))" = $BOB ] && return 0
    sleep 0.1
  done
  return 1
}

# --- the two game directories and their players ---------------------------------------------------
put() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; } # file offset bytes
bind() { # file slot up down left right fire special (key codes)
  local f=$1 slot=$2 b=0 k
  shift 2
  for k in "$@"; do put "$f" $((188 + 4 * b + slot)) "\\x$(printf %02x "$k")"; b=$((b + 1)); done
}
host=$out/game-host
join=$out/game-join
make_dir "$host"
make_dir "$join"
g=$host/graphics
# The host: Ann, a human on the arrows (up, down, left, right, Ctrl, Shift), then computers; one
# tick every 50 ms (a worm at full speed lives about half a second at the fastest ticks, too short
# for a key from here to land reliably); no blocks, no stars, no Auto Start.
write_prefs "$host/prefs.prf"
put "$host/prefs.prf" 168 '\x01\x00\x02\x00\x02\x00\x02\x00'
put "$host/prefs.prf" 176 '\x14\x00\x00\x00'
bind "$host/prefs.prf" 0 38 40 37 39 17 16
put "$host/prefs.prf" 212 '\x00\x00'
# The joiner: Bob, its one human, on W, S, A, D, Q and E (keys nobody has on the host), in a colour
# of his own, at speed 2, so that he lives long enough to be steered.
write_prefs "$join/prefs.prf"
put "$join/prefs.prf" 0 'Bob\x00'
put "$join/prefs.prf" 32 '\x40\xe0\xe0\x00'
put "$join/prefs.prf" 40 '\x02'
put "$join/prefs.prf" 168 '\x01\x00\x00\x00\x00\x00\x00\x00'
bind "$join/prefs.prf" 0 87 83 65 68 81 69
cp "$join/prefs.prf" "$out/join-prefs.prf"
cp "$host/prefs.prf" "$out/host-prefs.prf"
echo "joiner's prefs.prf: $(sha256sum <"$join/prefs.prf" | cut -c1-16)"
port=$(python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export TARVEL_SURFACE_PNG=$out/surface.png # each machine writes it only when its own dump is asked

# === a round across two machines ======================================================================
start_machine host "$host" 0 --host "$port"
use host
wait_lobby host-lobby || fail "no lobby on the host (light pixels in its lines: $(lobby_ink host-lobby))"
start_machine join "$join" 660 --join "127.0.0.1:$port"
use join
wait_lobby join-lobby || fail "no lobby on the joiner (light pixels in its lines: $(lobby_ink join-lobby))"
wait_text "$out/host.out" "tarvel4: Bob joined" 10 || fail "the host did not see Bob join"
for _ in $(seq 50); do [ "$(title_of join)" = "Tarvel 4" ] && break; sleep 0.1; done
[ "$(title_of join)" = "Tarvel 4" ] || fail "the joiner's title is \"$(title_of join)\" once in"
use host
wait_lobby host-lobby || fail "the host's lobby went away"
echo "session: lobbies on both, the joiner in as Bob on port $port"

# F8 on the host: a round on both. Bob steers with S on his own machine and turns down, on both.
focus host
xdotool key F8
use join
wait_round join-round || fail "no round on the joiner after F8 on the host"
focus join
xdotool key s
wait_turned_down join-turned
use host
wait_round host-round || fail "no round on the host after its F8"
wait_trail host-turned $TURN || fail "the host does not show Bob's turn at cell ($TURN)"
echo "session: a round on both; Bob turned down with his own S (at cell $TURN), seen on both machines"

# The results on both, the same picture.
for m in join host; do
  use $m
  wait_shows $m-results 60 300 180 "$g/pagain.bmp" 200 30 || fail "$m: the round never ended"
done
same=
for _ in $(seq 10); do
  sleep 0.5
  use host && dump host-results
  use join && dump join-results
  differ=$(compare -metric AE "$out/screens/host-results.png" "$out/screens/join-results.png" null: 2>&1) || true
  [ "$differ" = 0 ] && same=1 && break
done
[ -n "$same" ] || fail "the results differ between the machines in $differ pixels"
echo "session: the same results on both, pixel for pixel"

# The joiner closes first, then the host; the round is kept on each, as the same file.
use join
close_game
PID[join]=
[ "$code" = 0 ] || fail "joiner: exit code $code"
wait_text "$out/host.out" "tarvel4: Bob left" 10 || fail "the host did not see Bob leave"
use host
close_game
PID[host]=
[ "$code" = 0 ] || fail "host: exit code $code"
kept_host=$(ls "$host/replays")
kept_join=$(ls "$join/replays")
[ "$(echo "$kept_host" | wc -l)" = 1 ] || fail "replays on the host: $kept_host"
[ "$kept_host" = "$kept_join" ] || fail "replays named differently: host $kept_host, joiner $kept_join"
cmp "$host/replays/$kept_host" "$join/replays/$kept_join" || fail "the two replays differ"
RUN="host"
check_replays "$host" 1
RUN="join"
check_replays "$join" 1
cmp "$out/join-prefs.prf" "$join/prefs.prf" || fail "the session changed the joiner's prefs.prf"
# The host's prefs.prf is checked last (below), so that a fault there leaves the rest checked.
cp "$host/prefs.prf" "$out/host-prefs-after.prf"
cp "$out/host-prefs.prf" "$host/prefs.prf"
echo "session: both closed; one replay each, the same file, playing back the same; joiner's prefs as they were"

# === the host leaves ====================================================================================
start_machine host "$host" 0 --host "$port"
use host
wait_lobby host-lobby2 || fail "no lobby on the host, second time"
start_machine join "$join" 660 --join "127.0.0.1:$port"
use join
wait_lobby join-lobby2 || fail "no lobby on the joiner, second time"
use host
close_game
PID[host]=
[ "$code" = 0 ] || fail "host: exit code $code, leaving a joiner behind"
use join
wait_text "$out/join.out" "The game across machines has ended: the host left the game." 10 ||
  fail "the joiner did not say the host left: $(grep 'tarvel4:' "$out/join.out" | tail -3)"
sleep 0.5
shot join-box
# Its OK taken, its own title screen: Bob's seat and three empty ones, no lobby.
focus join
xdotool key Return
wait_shows join-alone 10 242 50 "$g/none.bmp" 10 10 || fail "the joiner is not back on its own title screen"
shows join-alone 50 50 "$g/human.bmp" 10 10 || fail "the joiner's own first seat is not its human"
shows join-alone 114 50 "$g/none.bmp" 10 10 || fail "the joiner's own second seat is not empty"
read -ra ink <<<"$(lobby_ink join-alone)"
[ "${ink[0]}" -lt 20 ] || fail "the joiner still shows the lobby (light pixels: ${ink[*]})"
close_game
PID[join]=
[ "$code" = 0 ] || fail "joiner: exit code $code after the host left"
cmp "$out/join-prefs.prf" "$join/prefs.prf" || fail "the joiner's prefs.prf changed after the host left"
echo "session: the host left; the joiner said so, went back to its own title screen and closed"

# The host's own settings, back in place when its session ended, are the ones it kept.
cmp "$out/host-prefs.prf" "$out/host-prefs-after.prf" ||
  fail "hosting changed the host's prefs.prf: $(cmp -l "$out/host-prefs.prf" "$out/host-prefs-after.prf" | wc -l) bytes"
echo "e2e: all passed; screenshots in $out/screens"
