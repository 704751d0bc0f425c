#!/usr/bin/env bash
# The window as a desktop player uses it, under a window manager (openbox) on a 1920 x 1200 screen:
# resized to several sizes the view shows at the largest whole factor that fits below the menu bar,
# centred on black; clicks land on the slots through the factor and the borders, and a click on the
# border is nobody's; Alt+Enter and F11 toggle fullscreen (F11 stays a player's when bound); the
# menu bar works in fullscreen; size, place and fullscreen come back on the next start, the place
# without creeping by the frame from start to start, and a maximised window stays maximised through
# fullscreen; a damaged window.cfg gives the default window.
# Usage: resize.sh TARVEL4 XCLOSE OUTDIR GAMEDIR SOURCEDIR   Screenshots stay in OUTDIR/screens.
set -euo pipefail
game_bin=$1 xclose=$2 out=$3 gamedir=$4 src=$5
source "$src/lib.sh"
command -v openbox >/dev/null || fail "missing openbox"
kill $xvfb 2>/dev/null || true
wait $xvfb 2>/dev/null || true
start_xvfb "$out/xvfb2.log" 1920x1200
openbox >"$out/openbox.log" 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true; cleanup' EXIT
sleep 1

# The client area as the X server has it (xdotool's own figures count the frame under a manager).
client() { # sets CX CY CW CH
  local info
  info=$(xwininfo -id "$W")
  CX=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
  CY=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
  CW=$(echo "$info" | sed -n 's/.*Width: *//p')
  CH=$(echo "$info" | sed -n 's/.*Height: *//p')
}
# Where the view must be in a CW x CH client: the factor K and its top-left (VX, VY) on the screen.
expect_view() {
  K=1
  while [ $((640 * (K + 1))) -le "$CW" ] && [ $((480 * (K + 1) + 21 * (K + 1))) -le "$CH" ]; do K=$((K + 1)); done
  VX=$((CX + (CW - 640 * K) / 2))
  VY=$((CY + 21 * K + (CH - 21 * K - 480 * K) / 2))
}
# Screen pixel of view pixel (x, y) in a screenshot.
vpx() { px "$out/screens/$1.png" $((VX + $2 * K)) $((VY + $3 * K)); }
# The title screen shows at factor K and offset (VX, VY): the logo and the caption at their places,
# the whole block of a pixel the same, black left of the view.
view_right() { # shot
  near "$(vpx "$1" 300 200)" "$(px "$g/t4logo.bmp" 300 200)" &&
    near "$(vpx "$1" 150 20)" "$(px "$g/players.bmp" 50 10)" &&
    near "$(px "$out/screens/$1.png" $((VX + 300 * K + K - 1)) $((VY + 200 * K + K - 1)))" "$(vpx "$1" 300 200)" &&
    { [ "$VX" -le "$CX" ] || [ "$(px "$out/screens/$1.png" $((VX - 1)) $((VY + 100)))" = 000000 ]; }
}
wait_view() { # shot what
  for _ in $(seq 20); do
    client
    expect_view
    shot "$1"
    view_right "$1" && { echo "$2: ${CW}x$CH client, view at factor $K from ($((VX - CX)), $((VY - CY)))"; return 0; }
    sleep 0.25
  done
  fail "$2: the view is not at factor $K in the ${CW}x$CH client ($1.png)"
}

RUN=resize
dir=$out/game-resize
make_dir "$dir"
write_prefs "$dir/prefs.prf"
g=$dir/graphics
SCALE=0 # sizes are checked here, through the X server
start_game "$dir"
wait_view default "default window"
[ "$K" = 2 ] || fail "the default window shows the view at factor $K, expected 2"

for size in 800x700 1400x1100 1700x1150 700x520; do
  xdotool windowsize --sync "$W" "${size%x*}" "${size#*x}" || true
  wait_view "size-$size" "resized to $size"
done
# Nothing smaller than the view at factor 1 under its menu bar.
xdotool windowsize "$W" 300 200 || true
sleep 1
client
[ "$CW" -ge 640 ] && [ "$CH" -ge 501 ] || fail "the window shrank to ${CW}x$CH"

# Clicks at factor 2 with borders round the view: slot 0's icon is hit, the black border is not.
xdotool windowsize --sync "$W" 1400 1100 || true
wait_view clicks-before "clicks"
[ "$K" = 2 ] || fail "expected factor 2 at 1400x1100, got $K"
xdotool mousemove $((VX - 20)) $((VY + 56 * K)) click 1 # left of the view, level with slot 0
sleep 0.5
shot border-click
near "$(vpx border-click 50 50)" "$(px "$g/none.bmp" 10 10)" || fail "a click on the border changed slot 0"
xdotool mousemove $((VX + 56 * K)) $((VY + 56 * K)) click 1
sleep 0.5
shot slot-click
near "$(vpx slot-click 50 50)" "$(px "$g/human.bmp" 10 10)" || fail "a click on slot 0 at factor 2 did not make it human"
echo "clicks: the border is nobody's, slot 0 is hit through factor 2 and its borders"

# Alt+Enter: fullscreen at the desktop's size, with the menu bar usable; again: back.
xdotool key alt+Return
wait_view fullscreen "fullscreen by Alt+Enter"
[ "$CW" = 1920 ] && [ "$CH" = 1200 ] || fail "fullscreen is ${CW}x$CH"
xdotool key alt+t
sleep 0.5
shot fullscreen-menu
near "$(px "$out/screens/fullscreen-menu.png" $((CX + 60 * K)) $((CY + 30 * K)))" \
  "$(px "$out/screens/fullscreen.png" $((CX + 60 * K)) $((CY + 30 * K)))" && fail "Alt+T opened no menu in fullscreen"
xdotool key Escape
sleep 0.5
shot fullscreen-menu-gone
[ "$(px "$out/screens/fullscreen-menu-gone.png" $((CX + 60 * K)) $((CY + 36 * K)))" = 000000 ] ||
  fail "the closed menu left its picture on the black border"
xdotool key alt+Return
wait_view windowed "back from fullscreen"
[ "$CW" = 1400 ] || fail "leaving fullscreen gave ${CW}x$CH, not the 1400x1100 window"
# F11 does the same while no player has it.
xdotool key F11
wait_view f11 "fullscreen by F11"
[ "$CW" = 1920 ] || fail "F11 did not go fullscreen"
close_game
[ "$code" = 0 ] || fail "exit code $code"
grep -q '^fullscreen 1$' "$dir/window.cfg" || fail "window.cfg does not remember fullscreen: $(cat "$dir/window.cfg")"

# The next start is fullscreen again; leaving it gives the 1400 x 1100 window of before.
start_game "$dir"
wait_view restart-fullscreen "started again"
[ "$CW" = 1920 ] || fail "the next start is not fullscreen"
xdotool key alt+Return
wait_view restart-windowed "windowed after the start"
[ "$CW" = 1400 ] && [ "$CH" = 1100 ] || fail "the remembered window is ${CW}x$CH, not 1400x1100"
close_game

# F11 bound as slot 1's fire key stays that player's: no fullscreen.
printf '\x7a' | dd of="$dir/prefs.prf" bs=1 seek=205 conv=notrunc 2>/dev/null
start_game "$dir"
wait_view bound-before "F11 bound"
xdotool key F11
sleep 1
client
[ "$CW" = 1400 ] || fail "F11 bound by a player still toggled fullscreen"
close_game
echo "F11: a player's key when bound"

# A damaged window.cfg gives the default window.
head -c 300 /dev/urandom >"$dir/window.cfg"
start_game "$dir"
wait_view damaged "damaged window.cfg"
[ "$K" = 2 ] && [ "$CW" = 1280 ] || fail "a damaged window.cfg gave a ${CW}x$CH window"

# Moved, the window comes back at the same place start after start.
xdotool windowmove --sync "$W" 300 200 || true
sleep 0.5
client
moved="$CX $CY"
close_game
[ "$code" = 0 ] || fail "exit code $code"
for run in 1 2; do
  start_game "$dir"
  wait_view "placed-$run" "started again after a move ($run)"
  [ "$CX $CY" = "$moved" ] || fail "start $run put the window at $CX $CY, not at $moved where it was left"
  [ $run = 2 ] || close_game
done
echo "place: the same at every start"
# Maximised (a double click on the title bar), then fullscreen and back: maximised again.
xdotool mousemove $((CX + 200)) $((CY - 8)) click --repeat 2 --delay 80 1
wait_view maximised "maximised"
maximised="$CX $CY $CW $CH"
[ "$CW" = 1920 ] && [ "$CY" -gt 0 ] || fail "a double click on the title bar did not maximise (${CW}x$CH at $CY)"
# the window manager takes a moment to change the window
until_client() { for _ in $(seq 20); do client; eval "$1" && return 0; sleep 0.25; done; }
xdotool key alt+Return # (F11 is a player's in these prefs)
until_client '[ "$CH" = 1200 ]'
wait_view maximised-full "fullscreen from maximised"
[ "$CH" = 1200 ] || fail "Alt+Enter from maximised gave ${CW}x$CH"
xdotool key alt+Return
until_client '[ "$CH" != 1200 ]'
wait_view maximised-back "back from fullscreen"
[ "$CX $CY $CW $CH" = "$maximised" ] || fail "back from fullscreen the window is $CX $CY ${CW}x$CH, not maximised"
close_game
[ "$code" = 0 ] || fail "exit code $code"
echo "maximised: stays so through fullscreen and back"
echo "e2e.resize: all passed; screenshots in $out/screens"
