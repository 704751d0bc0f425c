# Shared by the end-to-end scripts: an X server of their own, the game directory, starting and
# closing the game, screenshots and pixel probes. Source it after setting
#   game_bin (the tarvel4 binary), xclose (the close-button helper), out (a scratch folder),
#   gamedir (the assembled game directory, may be empty) and src (this folder); XVFB_SCREEN
#   (WIDTHxHEIGHT) when the default screen is too small.
# Screenshots are kept in $out/screens.
rm -rf "$out"
mkdir -p "$out/screens"
for tool in Xvfb xdotool import convert; do
  command -v $tool >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

# --- an X server of our own -------------------------------------------------------------------
source "$src/xserver.sh"
start_xvfb "$out/xvfb.log" ${XVFB_SCREEN:-}
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

fail() {
  echo "FAIL: $*" >&2
  [ -n "${W:-}" ] && import -window root "$out/screens/failure.png" 2>/dev/null || true
  exit 1
}

# --- pixels ---------------------------------------------------------------------------------------
shot() { import -window root "$out/screens/$1.png"; }
# client pixel of the last screenshot
cpx() { px "$out/screens/$1.png" $((WX + $2 * SCALE)) $((WY + MENU + $3 * SCALE)); }
# does the client area at (x, y) show picture file's pixel (fx, fy)?
shows() { # shot x y file fx fy
  near "$(cpx "$1" "$2" "$3")" "$(px "$4" "$5" "$6")"
}
# polls until a round's frame appears (a slow machine may not take the first screenshot before the
# first worms are out, so the probe is the frame, not a panel)
wait_round() { # name
  for _ in $(seq 30); do
    shot "$1"
    near "$(cpx "$1" $FRAME_X $FRAME_Y)" $FRAME_COLOUR && return 0
    sleep 0.3
  done
  return 1
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

# The game's 640 x 480 surface now, in screens/name.png (the game started with
# TARVEL_SURFACE_PNG=$out/surface.png).
dump() { # name
  rm -f "$out/surface.png"
  kill -USR1 "$game_pid"
  for _ in $(seq 100); do [ -s "$out/surface.png" ] && break; sleep 0.05; done
  [ -s "$out/surface.png" ] || fail "the game wrote no picture of its surface"
  mv "$out/surface.png" "$out/screens/$1.png"
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
  rm -f "$dir/prefs.prf" "$dir/window.cfg"
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

# The box a worm's colour covers on the field of a surface picture in $out/screens, in cells:
# "left top right bottom".
cells() { # name colour
  local g
  g=$(convert "$out/screens/$1.png" -crop 600x400+0+0 +repage -fill black +opaque "#$2" -format %@ info:)
  local w=${g%%x*} rest=${g#*x}
  local h=${rest%%+*} xy=${rest#*+}
  local x=${xy%%+*} y=${xy#*+}
  echo $((x / 5)) $((y / 5)) $(((x + w) / 5 - 1)) $(((y + h) / 5 - 1))
}

# GAME: the binary to start (./tarvel4 in dir unless set); RUN_AS: a command to start it under;
# SCALE: the whole factor the window is expected to show the game at (0: not checked).
SCALE=1
# Starts the game in dir with args, its output in $out/NAME.out, and waits for its shown window
# (not a message box, nor a hidden one SDL may make again for the renderer it starts): sets
# game_pid and W.
launch() { # name dir args...
  local name=$1 dir=$2 attempt
  shift 2
  # A fresh client now and then cannot reach the X server (seen under heavy load); the
  # game then ends at once, and gets two more tries.
  for attempt in 1 2 3; do
    (cd "$dir" && exec ${RUN_AS:-} ${GAME:-./tarvel4} "$@") >"$out/$name.out" 2>&1 &
    game_pid=$!
    W=
    # a loaded machine can take a while to load the game's files before the window shows
    for _ in $(seq 300); do
      W=$(xdotool search --all --onlyvisible --pid "$game_pid" --name '^Tarvel 4' 2>/dev/null | head -1) && [ -n "$W" ] && break
      kill -0 "$game_pid" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$W" ] && break
    grep -q 'x11 not available\|no display to open a window on' "$out/$name.out" || break
    echo "$name: the game found no X server, starting it again" >&2
    wait "$game_pid" 2>/dev/null || true
  done
  [ -n "$W" ] || fail "$name: no window"
}
start_game() { # dir
  launch "$RUN" "$1"
  eval "$(xdotool getwindowgeometry --shell "$W")"
  WX=$X WY=$Y
  # The client area is 640 x 480 times a whole factor (SCALE, 1 unless set; 0: any size), under the
  # menu bar.
  [ "$SCALE" = 0 ] && return 0
  MENU=$((HEIGHT - 480 * SCALE))
  [ "$WIDTH" = $((640 * SCALE)) ] || fail "$RUN: window width $WIDTH, expected $((640 * SCALE)) at scale $SCALE"
  xdotool windowfocus --sync "$W" 2>/dev/null || true
}

# Closes the window as its close button does and waits for the game; its exit code in $code.
close_game() {
  "$xclose" "$W"
  code=0
  wait "$game_pid" || code=$?
  game_pid=
}

# Closes the window of a game that cannot save its prefs.prf: a message box says so and Return
# dismisses it; the exit code in $code.
close_unsaved() { # screenshot name
  "$xclose" "$W"
  wait_text "$out/$RUN.out" "Sorry, can't save preferences." 20 || fail "$RUN: no save message"
  sleep 0.5
  shot "$1"
  xdotool key Return
  code=0
  wait "$game_pid" || code=$?
  game_pid=
}

wait_text() { # file text timeout
  for _ in $(seq $(($3 * 10))); do grep -qF "$2" "$1" && return 0; sleep 0.1; done
  return 1
}

# Every replay the game kept in dir/replays plays back in the simulator ($TARVEL_SIM) with every
# checkpoint the same; there are at least `least` of them.
check_replays() { # dir least
  local f said n=0
  for f in "$1"/replays/*.t4replay; do
    [ -e "$f" ] || continue
    said=$("$TARVEL_SIM" --replay "$f" --no-pictures 2>&1) || fail "$RUN: replay ${f##*/} plays back differently: $said"
    n=$((n + 1))
  done
  [ "$n" -ge "$2" ] || fail "$RUN: $n replays in $1/replays, expected at least $2"
  echo "$RUN: replays kept: $n, each played back with every checkpoint the same"
}
