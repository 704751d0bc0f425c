#!/usr/bin/env bash
# End-to-end runs of tarvel4 under Xvfb, driven by xdotool, checked by pixel probes on screenshots.
# Usage: run.sh TARVEL4 XCLOSE OUTDIR GAMEDIR SOURCEDIR
# Screenshots are kept in OUTDIR/screens.
set -euo pipefail
game_bin=$1 xclose=$2 out=$3 gamedir=$4 src=$5
rm -rf "$out"
mkdir -p "$out/screens"
export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 MESA_SHADER_CACHE_DISABLE=true
for tool in Xvfb xdotool import convert; do
  command -v $tool >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

# --- an X server of our own -------------------------------------------------------------------
n=90
while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=:$n
game_pid=
cleanup() {
  if [ -n "$game_pid" ]; then
    kill "$game_pid" 2>/dev/null || true
    for _ in $(seq 20); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$game_pid" 2>/dev/null || true
  fi
  kill $xvfb 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

fail() {
  echo "FAIL: $*" >&2
  [ -n "${W:-}" ] && import -window root "$out/screens/failure.png" 2>/dev/null || true
  exit 1
}

# --- pixels ---------------------------------------------------------------------------------------
# hex colour RRGGBB of pixel (x, y) of an image file
px() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | head -1; }
# colours within 12 per channel (the game draws pictures at 16-bit depth)
near() {
  local a=$1 b=$2 i
  for i in 0 2 4; do
    local d=$(( 16#${a:$i:2} - 16#${b:$i:2} ))
    [ ${d#-} -le 12 ] || return 1
  done
}
shot() { import -window root "$out/screens/$1.png"; }
# client pixel of the last screenshot
cpx() { px "$out/screens/$1.png" $((WX + $2)) $((WY + MENU + $3)); }
# does the client area at (x, y) show picture file's pixel (fx, fy)?
shows() { # shot x y file fx fy
  near "$(cpx "$1" "$2" "$3")" "$(px "$4" "$5" "$6")"
}
# polls until `shows` holds, taking a fresh screenshot each time
wait_shows() { # name timeout x y file fx fy
  local name=$1 t=$2
  shift 2
  for _ in $(seq $((t * 2))); do
    shot "$name"
    shows "$name" "$@" && return 0
    sleep 0.5
  done
  return 1
}

# --- the game directory ----------------------------------------------------------------------------
make_dir() {
  local dir=$1
  mkdir -p "$dir"
  if [ -d "$gamedir/graphics" ]; then
    cp -r "$gamedir/." "$dir/"
  else
    bash "$src/make-gamedir.sh" "$dir"
  fi
  rm -f "$dir/prefs.prf"
  cp "$game_bin" "$dir/tarvel4"
}
# prefs.prf: four named worms of speed 6; kinds none, computer, computer, computer; speed 0.
write_prefs() {
  local f=$1 p
  : >"$f"
  for p in 0 1 2 3; do
    local name=("Ann" "Bert" "Cleo" "Dan")
    printf '%s' "${name[$p]}" >>"$f"
    head -c $((32 - ${#name[$p]})) /dev/zero >>"$f"
    local colour=('\x40\x40\xff\x00' '\xff\x80\x30\x00' '\x30\xd0\x30\x00' '\xd0\x40\xd0\x00')
    printf "${colour[$p]}" >>"$f"
    printf '\x00\x00\x00\x00\x06\x00' >>"$f" # no abilities, speed 6, no points
  done
  printf '\x00\x00\x02\x00\x02\x00\x02\x00' >>"$f"          # playerKind
  printf '\x00\x00\x00\x00' >>"$f"                          # gameSpeed 0
  printf '\x00\x00\x00\x00\x00\x00\x00\x00' >>"$f"          # audio off, no stars
  head -c 24 /dev/zero >>"$f"                               # no keys
  printf '\x0a\x00\x00\x00\x00' >>"$f"                      # 10 blocks, options off
  [ "$(stat -c %s "$f")" = 217 ] || fail "prefs.prf written wrongly"
}

start_game() { # dir [user]
  local dir=$1
  (cd "$dir" && exec ${RUN_AS:-} ./tarvel4) >"$out/$RUN.out" 2>&1 &
  game_pid=$!
  W=
  for _ in $(seq 100); do
    W=$(xdotool search --name '^Tarvel 4$' 2>/dev/null | head -1) && [ -n "$W" ] && break
    sleep 0.1
  done
  [ -n "$W" ] || fail "$RUN: no window"
  eval "$(xdotool getwindowgeometry --shell "$W")"
  WX=$X WY=$Y
  # The client area is 640 x 480 times a whole factor, under the menu bar.
  MENU=$((HEIGHT - 480))
  [ "$WIDTH" = 640 ] || fail "$RUN: window width $WIDTH, expected 640 at scale 1"
  xdotool windowfocus --sync "$W" 2>/dev/null || true
}

# Closes the window as its close button does and waits for the game; its exit code in $code.
close_game() {
  "$xclose" "$W"
  code=0
  wait "$game_pid" || code=$?
  game_pid=
}

wait_text() { # file text timeout
  for _ in $(seq $(($3 * 10))); do grep -qF "$2" "$1" && return 0; sleep 0.1; done
  return 1
}

# === 1: a round from the title screen =============================================================
RUN=round
dir=$out/game-round
make_dir "$dir"
write_prefs "$dir/prefs.prf"
g=$dir/graphics
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
# The frame line right of the field appears with the round and stays through its results (a slow
# machine may not take the screenshot before the first worms are out).
wait_round() {
  for _ in $(seq 20); do
    shot round
    near "$(cpx round 601 200)" FFFF1E && return 0
    sleep 0.5
  done
  return 1
}
wait_round || fail "F8 started no round"
# The computer worms play it out; the results banner ends it.
wait_shows results 120 300 180 "$g/pagain.bmp" 200 30 || fail "the round never ended"
# F5: back to the title screen.
xdotool key F5
wait_shows title-again 10 150 20 "$g/players.bmp" 50 10 || fail "F5 did not return to the title"
close_game
[ "$code" = 0 ] || fail "exit code $code after closing the window"
[ "$(stat -c %s "$dir/prefs.prf")" = 217 ] || fail "prefs.prf is not 217 bytes after the run"
# The click survived: playerKind[0] is human in the file.
[ "$(od -An -tu1 -j168 -N1 "$dir/prefs.prf" | tr -d ' ')" = 1 ] || fail "slot 0's kind was not saved"
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
"$xclose" "$W"
wait_text "$out/$RUN.out" "Sorry, can't save preferences." 20 || fail "no save message"
sleep 0.5
shot readonly-box
xdotool key Return
code=0
wait "$game_pid" || code=$?
game_pid=
RUN_AS=
chmod 755 "$dir"
rm -rf "$dir"
[ "$code" = 0 ] || fail "exit code $code in a read-only directory"
echo "readonly: ok"
echo "e2e: all passed; screenshots in $out/screens"
