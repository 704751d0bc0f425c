#!/usr/bin/env bash
# Game controllers in the real window under Xvfb. The game runs with a helper preloaded
# (padshim.cpp, built only for this run) that plugs SDL's virtual controllers in and out and presses
# their buttons on this script's commands; the game itself has no switch for it. Checked: numbers
# as controllers come (also while a dialog is open), binding slot 0 by Player Setup's Keys and
# controller 1's buttons, a round steered by D-pad and stick, controller 2 (bound in prefs.prf) doing
# nothing while Preferences is open over the round, unplugged mid-round (its worm goes on straight)
# and plugged in again to its own number, a fifth controller ignored, and the round, controller
# codes and all, kept as a replay that plays back the same.
# Usage: pads.sh TARVEL4 XCLOSE PADSHIM OUTDIR GAMEDIR SOURCEDIR   Screenshots stay in OUTDIR/screens.
set -euo pipefail
game_bin=$1 xclose=$2 shim=$3 out=$4 gamedir=$5 src=$6
source "$src/lib.sh"

click() { xdotool mousemove "$1" "$2"; sleep 0.1; xdotool click "${3:-1}"; sleep 0.3; }

# --- the helper's commands ------------------------------------------------------------------------
fifo=$out/pads.fifo
mkfifo "$fifo"
exec 3<>"$fifo" # held open both ways: a write never waits for the game
# Sends a command and waits until the game has taken it (its next read of the controllers).
pad() { # command...
  local before
  before=$(grep -cF "padshim: $*: " "$out/$RUN.out" || true)
  echo "$*" >&3
  for _ in $(seq 100); do
    [ "$(grep -cF "padshim: $*: " "$out/$RUN.out" || true)" -gt "$before" ] && break
    sleep 0.05
  done
  [ "$(grep -cF "padshim: $*: done" "$out/$RUN.out" || true)" -gt "$before" ] || fail "pad command '$*' not done"
}

# --- the game's surface and the worms on it -------------------------------------------------------
ANN=4040FF BERT=FF8030 # slot 0's and slot 1's colours (write_prefs)
# Two pictures a second apart: which sides of a worm's box moved. Sets MOVED ("left top right
# bottom" as 0/1) and BOX (the second box).
watch() { # name colour
  dump "$1-a"
  sleep 1
  dump "$1-b"
  local a b
  read -ra a <<<"$(cells "$1-a" "$2")"
  read -ra b <<<"$(cells "$1-b" "$2")"
  MOVED="$((b[0] != a[0])) $((b[1] != a[1])) $((b[2] != a[2])) $((b[3] != a[3]))"
  BOX="${b[*]}"
}
# Watches until the worm moves as wanted, at most three times: a turn taken while the first
# pictures were made shows as two sides moving, and only the next watch shows it alone.
watch_for() { # name colour wanted
  local i
  for i in 1 2 3; do
    watch "$1-$i" "$2"
    [ "$MOVED" = "$3" ] && return 0
  done
  return 1
}

# === controllers bound by capture steer a round =====================================================
RUN=pads
dir=$out/game-pads
make_dir "$dir"
p=$dir/prefs.prf
write_prefs "$p"
patch() { printf "$2" | dd of="$p" bs=1 seek="$1" conv=notrunc status=none; }
patch 168 '\x01\x00\x01\x00\x00\x00\x00\x00' # Ann and Bert human, no one else
patch 176 '\x64\x00\x00\x00'                 # speed 100: a tick each 210 ms
patch 40 '\x03'                              # Ann and Bert at speed 3: 2.4 cells a second
patch 82 '\x03'
patch 212 '\x00\x00'                         # no blocks: nothing in the field to run into
# Bert on controller 2: up 156, down 157, left 158, right 159, fire 160 (A), special 161 (B)
patch 188 '\x00\x9c\x00\x00\x00\x9d\x00\x00\x00\x9e\x00\x00\x00\x9f\x00\x00\x00\xa0\x00\x00\x00\xa1\x00\x00'
g=$dir/graphics
# Under the sanitizers the preloaded helper must come after their runtime.
asan=$(ldd "$game_bin" | awk '/libasan/ { print $3 }')
RUN_AS="env LD_PRELOAD=${asan:+$asan:}$shim TARVEL_PAD_FIFO=$fifo TARVEL_SURFACE_PNG=$out/surface.png"
start_game "$dir"
RUN_AS=
wait_shows title 30 150 20 "$g/players.bmp" 50 10 || fail "no title screen"

# Two controllers plugged in at the title screen.
pad attach 1 Tarvel Pad One
pad attach 2 Tarvel Pad Two
wait_text "$out/$RUN.out" "game controller 2 is Tarvel Pad Two" 5 || fail "controller 2 was not numbered"
grep -q "game controller 1 is Tarvel Pad One" "$out/$RUN.out" || fail "controller 1 was not numbered"

# Player Setup for Ann; a third controller comes while it is open, and controller 1's buttons do
# nothing there. Keys closes it and asks for the six keys: controller 1's D-pad, A and B.
click $((WX + 56)) $((WY + MENU + 56)) 3
sleep 1
shot setup-open
pad attach 3 Tarvel Pad Three
pad tap 1 x
pad tap 1 y
wait_text "$out/$RUN.out" "game controller 3 is Tarvel Pad Three" 5 || fail "controller 3 was not numbered in the dialog"
# Keys, in the middle of its button (dialogs.sh has the dialog's layout in dialog units).
click $((WX + 189)) $((WY + MENU + 379))
sleep 0.5
shot capture-start
for b in up down left right; do pad tap 1 $b; sleep 0.2; done
sleep 0.5
shot capture-prompt
# The codes are drawn from (100, 120) down, beside "Press up..." and the prompts after it.
codes() { convert "$out/screens/$1.png" -crop "40x80+$((WX + 100))+$((WY + MENU + 120))" +repage "$out/$1-codes.png"; }
codes capture-start
codes capture-prompt
drawn=$(compare -metric AE "$out/capture-start-codes.png" "$out/capture-prompt-codes.png" null: 2>&1 || true)
[ "${drawn%% *}" -ge 100 ] || fail "no codes drawn beside the prompts ($drawn pixels changed)"
pad tap 1 a
sleep 0.2
pad tap 1 b
wait_shows keys-title 5 150 20 "$g/players.bmp" 50 10 || fail "no title screen after the six presses"
pad detach 3
wait_text "$out/$RUN.out" "game controller 3 unplugged" 5 || fail "controller 3 was not seen to go"
echo "pads: three numbered (one while Player Setup was open), six presses captured"

# A round: Ann starts at the left edge heading right, Bert at the right edge heading left.
xdotool key F8
wait_round round || fail "F8 started no round"
# Controller 1's D-pad up turns Ann up: her box grows upwards only.
pad tap 1 up
sleep 0.5
watch_for ann-up $ANN "0 1 0 0" || fail "Ann did not go up after controller 1's up (moved: $MOVED)"
# The stick pushed right past half way turns her right.
pad axis 1 leftx 30000
pad axis 1 leftx 0
sleep 0.5
watch_for ann-right $ANN "0 0 1 0" || fail "Ann did not go right after controller 1's stick (moved: $MOVED)"
echo "pads: controller 1 steers Ann with D-pad and stick"

# Bert turns away from the middle row on controller 2, bound in prefs.prf.
dump bert-start
read -ra bert <<<"$(cells bert-start $BERT)"
if [ "${bert[1]}" -ge 40 ]; then turn=up side=1; else turn=down side=3; fi
pad tap 2 $turn
sleep 0.5
want=$(echo 0 0 0 0 | awk -v s=$side '{ $(s + 1) = 1; print }')
watch_for bert-turned $BERT "$want" || fail "Bert did not go $turn after controller 2's $turn (moved: $MOVED)"
bert_left=${BOX%% *}

# Preferences over the running round: controller 2's left does nothing while it is open.
click $((WX + 91)) $((WY + 10))
click $((WX + 90)) $((WY + 36))
for _ in $(seq 20); do
  shot prefs-open
  near "$(cpx prefs-open $FRAME_X $FRAME_Y)" $FRAME_COLOUR || break
  sleep 0.25
done
near "$(cpx prefs-open $FRAME_X $FRAME_Y)" $FRAME_COLOUR && fail "Preferences did not open over the round"
pad tap 2 left
sleep 0.5
xdotool key Escape
sleep 0.5
watch bert-after-prefs $BERT
[ "$MOVED" = "$want" ] || fail "Bert turned while Preferences was open (moved: $MOVED)"
[ "${BOX%% *}" = "$bert_left" ] || fail "Bert went left while Preferences was open"
echo "pads: controller 2 steers Bert, and does nothing while Preferences is open"

# Controller 2 unplugged while its left is held: Bert turns left, then goes on straight.
pad press 2 left
sleep 0.3
pad detach 2
wait_text "$out/$RUN.out" "game controller 2 unplugged" 5 || fail "controller 2 was not seen to go"
watch_for bert-unplugged $BERT "1 0 0 0" || fail "Bert did not go on left with controller 2 unplugged (moved: $MOVED)"
kill -0 "$game_pid" || fail "the game ended when controller 2 was unplugged"
# Plugged in again it is number 2 again, though 3 is free; it steers Bert as before.
pad attach 2 Tarvel Pad Two
for _ in $(seq 50); do
  [ "$(grep -c "game controller 2 is Tarvel Pad Two" "$out/$RUN.out")" = 2 ] && break
  sleep 0.1
done
[ "$(grep -c "game controller 2 is Tarvel Pad Two" "$out/$RUN.out")" = 2 ] || fail "controller 2 did not get its number back"
pad tap 2 $turn
sleep 0.5
watch_for bert-back $BERT "$want" || fail "Bert did not go $turn on controller 2 plugged in again (moved: $MOVED)"
shot round-steered
echo "pads: controller 2 unplugged mid-round, Bert went on straight; back as number 2, it steers again"

# Three more: numbers 3 and 4, and a fifth that is ignored.
pad attach 3 Tarvel Pad Three
pad attach 4 Tarvel Pad Four
pad attach 5 Tarvel Pad Five
wait_text "$out/$RUN.out" "four game controllers are in use; Tarvel Pad Five is not" 5 || fail "no word of the fifth"
grep -q "game controller 4 is Tarvel Pad Four" "$out/$RUN.out" || fail "controller 4 was not numbered"
pad tap 5 a
kill -0 "$game_pid" || fail "the game ended with five controllers"
echo "pads: a fifth controller is ignored"

xdotool key F5
wait_shows title-again 10 150 20 "$g/players.bmp" 50 10 || fail "F5 did not return to the title"
close_game
[ "$code" = 0 ] || fail "exit code $code after closing the window"
[ "$(stat -c %s "$p")" = 217 ] || fail "prefs.prf is not 217 bytes"
keys=$(od -An -tu1 -j188 -N24 "$p" | xargs)
[ "$keys" = "146 156 0 0 147 157 0 0 148 158 0 0 149 159 0 0 150 160 0 0 151 161 0 0" ] ||
  fail "the keys in prefs.prf: $keys"
check_replays "$dir" 1
echo "pads: prefs.prf holds Ann's six controller codes; all passed, screenshots in $out/screens"
