#!/usr/bin/env bash
# End-to-end runs of tarvel4 under Xvfb, driven by xdotool, checked by pixel probes on screenshots.
# The round of the first run is watched again from the File menu, sped up, and ends on the same
# results picture, pixel for pixel; the replay kept plays back the same in the simulator.
# Usage: run.sh TARVEL4 XCLOSE OUTDIR GAMEDIR SOURCEDIR
# Screenshots are kept in OUTDIR/screens.
set -euo pipefail
game_bin=$1 xclose=$2 out=$3 gamedir=$4 src=$5
source "$src/lib.sh"

# === 1: a round from the title screen =============================================================
RUN=round
dir=$out/game-round
make_dir "$dir"
write_prefs "$dir/prefs.prf"
g=$dir/graphics
export TARVEL_SURFACE_PNG=$out/surface.png
start_game "$dir"
wait_shows title 30 150 20 "$g/players.bmp" 50 10 || fail "no title screen"
shows title 300 200 "$g/t4logo.bmp" 300 200 || fail "no logo behind the title screen"
shows title 50 50 "$g/none.bmp" 10 10 || fail "slot 0 should show the empty seat"
# The scroller and the two boxes move on every tick.
sleep 1
shot title2
cmp -s "$out/screens/title.png" "$out/screens/title2.png" && fail "the title screen does not animate"

# A left click on slot 0 makes it a human worm.
xdotool mousemove $((WX + 56)) $((WY + MENU + 56)) click 1
sleep 1
shot slot
shows slot 50 50 "$g/human.bmp" 10 10 || fail "slot 0 icon did not change to human"

# Alt+F opens the File menu; Escape closes it again.
xdotool key alt+f
sleep 0.5
shot menu
near "$(cpx menu 20 10)" "$(cpx slot 20 10)" && fail "Alt+F opened no menu"
xdotool key Escape
sleep 0.5

# F8: a round; its status panels appear along the bottom.
xdotool mousemove $((WX + 320)) $((WY + MENU + 240)) key F8
wait_round round || fail "F8 started no round"
# The computer worms play it out; the results banner ends it.
wait_shows results 120 300 180 "$g/pagain.bmp" 200 30 || fail "the round never ended"
sleep 1
dump results-played
# F5: back to the title screen.
xdotool key F5
wait_shows title-again 10 150 20 "$g/players.bmp" 50 10 || fail "F5 did not return to the title"

# File > Watch Last Round: the round again, its time and speed in the window's title. The round is
# short, so Space pauses it at once; = and keypad + speed it up, Space lets it go on.
title_is() { # pattern: polls the window's title for ten seconds
  for _ in $(seq 100); do
    [[ $(xdotool getwindowname "$W") == $1 ]] && return 0
    sleep 0.1
  done
  return 1
}
xdotool key alt+f
sleep 0.3
xdotool key w space
title_is "Tarvel 4 - replay 0:0? x1 (paused)" || fail "Watch Last Round, Space: \"$(xdotool getwindowname "$W")\""
xdotool key equal
title_is "Tarvel 4 - replay 0:0? x2 (paused)" || fail "= did not double the speed: \"$(xdotool getwindowname "$W")\""
xdotool key KP_Add
title_is "Tarvel 4 - replay 0:0? x4 (paused)" || fail "keypad + did not double the speed: \"$(xdotool getwindowname "$W")\""
xdotool key space
# Its results show for three seconds: the same picture as when the round was played.
watched=
for _ in $(seq 600); do
  dump results-watched
  near "$(px "$out/screens/results-watched.png" 300 180)" "$(px "$g/pagain.bmp" 200 30)" && watched=1 && break
  sleep 0.1
done
[ -n "$watched" ] || fail "the watched round showed no results"
sleep 0.5
dump results-watched
differ=$(compare -metric AE "$out/screens/results-played.png" "$out/screens/results-watched.png" null: 2>&1) || true
[ "$differ" = 0 ] || fail "the watched round's results differ from the played round's in $differ pixels"
title_is "Tarvel 4" || fail "the title stays \"$(xdotool getwindowname "$W")\" after the replay"
wait_shows title-after-replay 10 150 20 "$g/players.bmp" 50 10 || fail "no title screen after the replay"
close_game
unset TARVEL_SURFACE_PNG
[ "$code" = 0 ] || fail "exit code $code after closing the window"
[ "$(stat -c %s "$dir/prefs.prf")" = 217 ] || fail "prefs.prf is not 217 bytes after the run"
# The click survived: playerKind[0] is human in the file.
[ "$(od -An -tu1 -j168 -N1 "$dir/prefs.prf" | tr -d ' ')" = 1 ] || fail "slot 0's kind was not saved"
# One round played, one kept (watching it keeps none), and it plays back the same.
[ "$(ls "$dir/replays" | wc -l)" = 1 ] || fail "replays kept: $(ls "$dir/replays")"
check_replays "$dir" 1
echo "round: ok"

# === 2: no prefs.prf ===============================================================================
RUN=noprefs
dir=$out/game-noprefs
make_dir "$dir"
start_game "$dir"
wait_text "$out/$RUN.out" "Sorry, can't read preferences. Will create new prefernces" 10 || fail "no prefs message"
sleep 0.5
shot noprefs-box
xdotool key Return
wait_shows noprefs-title 30 150 20 "$dir/graphics/players.bmp" 50 10 || fail "no title screen after the message"
close_game
[ "$code" = 0 ] || fail "exit code $code without prefs"
[ "$(stat -c %s "$dir/prefs.prf")" = 217 ] || fail "no 217-byte prefs.prf made"
echo "noprefs: ok"

# === 3: a read-only game directory =================================================================
RUN=readonly
dir=$(mktemp -d /tmp/tarvel-e2e-ro.XXXXXX)
chmod 755 "$dir"
make_dir "$dir"
write_prefs "$dir/prefs.prf"
chmod -R a+rX "$dir"
chmod 444 "$dir/prefs.prf"
chmod 555 "$dir"
RUN_AS=
if [ "$(id -u)" = 0 ]; then
  # root writes anywhere: run the game as nobody, for whom the directory really is read-only
  RUN_AS="setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/tmp"
fi
start_game "$dir"
wait_shows ro-title 30 150 20 "$dir/graphics/players.bmp" 50 10 || fail "no title screen (read-only)"
close_unsaved readonly-box
RUN_AS=
chmod 755 "$dir"
rm -rf "$dir"
[ "$code" = 0 ] || fail "exit code $code in a read-only directory"
echo "readonly: ok"
echo "e2e: all passed; screenshots in $out/screens"
