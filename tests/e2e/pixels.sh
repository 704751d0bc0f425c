#!/usr/bin/env bash
# What the window shows is the game's surface, pixel for pixel, scaled by its whole factor. On a
# results screen, which no longer changes, SIGUSR1 has the game write its surface where
# TARVEL_SURFACE_PNG says, and a screenshot of the client area must equal it scaled up: at scale 1
# on a 1024 x 768 screen and at scale 2 on a 1920 x 1200 one. Then the X server goes away under the
# game, which must end at once.
# Usage: pixels.sh TARVEL4 XCLOSE OUTDIR GAMEDIR SOURCEDIR   Screenshots stay in OUTDIR/screens.
set -euo pipefail
game_bin=$1 xclose=$2 out=$3 gamedir=$4 src=$5
source "$src/lib.sh"

same_as_surface() { # scale
  RUN=pixels$1 SCALE=$1
  local dir=$out/game-$RUN surface=$out/screens/$RUN-surface.png
  make_dir "$dir"
  write_prefs "$dir/prefs.prf"
  export TARVEL_SURFACE_PNG=$surface
  start_game "$dir"
  # Keys before the title screen belong to nobody.
  wait_shows "$RUN-title" 30 150 20 "$dir/graphics/players.bmp" 50 10 || fail "$RUN: no title screen"
  xdotool key F8
  wait_round "$RUN-round" || fail "$RUN: F8 started no round"
  wait_shows "$RUN-results" 120 300 180 "$dir/graphics/pagain.bmp" 200 30 || fail "$RUN: the round never ended"
  sleep 1
  shot "$RUN-before"
  kill -USR1 "$game_pid"
  for _ in $(seq 50); do [ -s "$surface" ] && break; sleep 0.1; done
  [ -s "$surface" ] || fail "$RUN: the game wrote no surface"
  shot "$RUN-after"
  cmp -s "$out/screens/$RUN-before.png" "$out/screens/$RUN-after.png" || fail "$RUN: the results screen still changes"
  local w=$((640 * SCALE)) h=$((480 * SCALE))
  convert "$out/screens/$RUN-after.png" -crop "${w}x$h+$WX+$((WY + MENU))" +repage "$out/screens/$RUN-client.png"
  convert "$surface" -sample "${w}x$h" "$out/screens/$RUN-expected.png"
  local differ
  differ=$(compare -metric AE "$out/screens/$RUN-client.png" "$out/screens/$RUN-expected.png" null: 2>&1) || true
  [ "$differ" = 0 ] || fail "$RUN: $differ pixels of the client area differ from the surface at scale $SCALE"
  close_game
  [ "$code" = 0 ] || fail "$RUN: exit code $code"
  echo "scale $SCALE: the client area equals the surface, $w x $h pixels"
}

same_as_surface 1
kill $xvfb 2>/dev/null || true
wait $xvfb 2>/dev/null || true
start_xvfb "$out/xvfb2.log" 1920x1200
same_as_surface 2

# The X server going away while the game runs ends the game at once, with a word on stderr.
RUN=display-lost
start_game "$out/game-pixels2"
kill $xvfb
for _ in $(seq 50); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "$RUN: the game goes on without its display"
code=0
wait "$game_pid" || code=$?
game_pid=
[ "$code" = 1 ] || fail "$RUN: exit code $code, expected 1"
grep -q 'the connection to the display is lost' "$out/$RUN.out" || fail "$RUN: no word of the lost display"
echo "display lost: the game ended at once"
