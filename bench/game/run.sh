#!/usr/bin/env bash
# The real game under Xvfb, and GNOME Nibbles in the same X server for comparison:
#   start-up time from launch to the window, the splash and the title screen;
#   CPU share of one core (utime + stime of every thread, from /proc/PID/stat, over SECONDS) and
#   peak resident memory (VmHWM) on the idle title screen and in rounds of four computer worms at
#   speed 0 (Auto Start on, so rounds follow each other); Xvfb's share alongside, since it does the
#   presenting for both. The game runs again in an X server of its own with a 3840 x 2160 screen,
#   where it shows its view at three times its size.
# Usage: bench/game/run.sh [BUILD_DIR] [SECONDS]   (needs the build's tarvel4, game/ and xpixel)
# With BENCH_PERF=1 it then samples the game's stacks in each phase with perf (perf.data and a
# report per phase in the screenshots folder; the figures above are taken without perf).
# Screenshots of each phase are left in BUILD_DIR/bench-game/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-20}
source "$root/tests/e2e/xserver.sh"
for tool in Xvfb xdotool import convert awk; do
  command -v $tool >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
game_bin=$build/tarvel4
xpixel=$build/tests/e2e/xpixel
xclose=$build/tests/e2e/xclose
for f in "$game_bin" "$xpixel" "$build/game/graphics/players.bmp"; do
  [ -e "$f" ] || { echo "missing $f: build the whole tree first" >&2; exit 1; }
done
nibbles=/usr/games/gnome-nibbles
shots=$build/bench-game
rm -rf "$shots"
mkdir -p "$shots"

scratch=$(mktemp -d)
start_xvfb "$scratch/xvfb.log"
pid=
session=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$session" ] && kill "$session" 2>/dev/null
  sleep 0.5
  kill $xvfb 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

hz=$(getconf CLK_TCK)
now() { date +%s%N; }
# utime + stime of all the process's threads, in clock ticks (the name field has no spaces here)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status"; }
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"

# Prints the CPU share of one core of the process and of Xvfb over $seconds, and its memory.
# Also notes "key cpu-percent hwm-kB" in $scratch/data for the ratios.
measure() { # key label pid
  local t0 c0 x0 t1 c1 x1
  t0=$(now) c0=$(ticks "$3") x0=$(ticks $xvfb)
  sleep "$seconds"
  t1=$(now) c1=$(ticks "$3") x1=$(ticks $xvfb)
  awk -v key="$1" -v l="$2" -v c=$((c1 - c0)) -v x=$((x1 - x0)) -v ns=$((t1 - t0)) -v hz="$hz" \
    -v hwm="$(kb "$3" VmHWM)" -v rss="$(kb "$3" VmRSS)" -v data="$scratch/data" 'BEGIN {
      s = ns / 1e9
      printf "%-36s CPU %5.1f %% of one core (Xvfb %5.1f %%) over %.1f s; VmHWM %6.1f MB, VmRSS %6.1f MB\n",
        l, 100 * c / hz / s, 100 * x / hz / s, s, hwm / 1024, rss / 1024
      printf "%s %f %f\n", key, 100 * c / hz / s, hwm >> data
    }'
}

# With BENCH_PERF=1: perf samples of the game's threads over $seconds, by library and function.
profile() { # name
  [ "${BENCH_PERF:-}" = 1 ] || return 0
  command -v perf >/dev/null || { echo "no perf installed" >&2; return 0; }
  perf record -q -F 999 -g -p "$pid" -o "$shots/$1.perf.data" -- sleep "$seconds" >/dev/null 2>&1 || true
  perf report -i "$shots/$1.perf.data" --no-children -g none --sort dso,symbol --stdio 2>/dev/null |
    grep -E '^ +[0-9.]+%' | sed 's/ *- *- *$//' >"$shots/$1.perf.txt" || true
  echo "perf, $1: by library"
  perf report -i "$shots/$1.perf.data" --no-children -g none --sort dso --stdio 2>/dev/null |
    grep -E '^ +[0-9.]+%' | sed 's/ *- *- *$//' | head -8 || true
  echo "perf, $1: the 10 costliest functions (all in $shots/$1.perf.txt)"
  head -10 "$shots/$1.perf.txt"
}

# --- the game ------------------------------------------------------------------------------------
dir=$scratch/game
mkdir -p "$dir"
cp -r "$build/game/graphics" "$build/game/sounds" "$build/game/"about*.txt "$dir/"
cp "$game_bin" "$dir/tarvel4"
# prefs.prf: four computer worms of speed 6, speed 0, music and sound on at full volume, 44 kHz
# 16-bit filtered, star background on, 10 blocks, Auto Start on.
{
  colour=('\x40\x40\xff\x00' '\xff\x80\x30\x00' '\x30\xd0\x30\x00' '\xd0\x40\xd0\x00')
  for p in 0 1 2 3; do
    printf 'CPU %d' $((p + 1))
    head -c 27 /dev/zero
    printf "${colour[$p]}"'\x00\x00\x00\x00\x06\x00'
  done
  printf '\x02\x00\x02\x00\x02\x00\x02\x00\x00\x00\x00\x00'
  printf '\x01\x01\x01\x01\x40\x40\x01\x01'
  head -c 24 /dev/zero
  printf '\x0a\x00\x00\x00\x01'
} >"$dir/prefs.prf"
[ "$(stat -c %s "$dir/prefs.prf")" = 217 ] || { echo "prefs.prf written wrongly" >&2; exit 1; }

ref_splash=$(px "$dir/graphics/vex.bmp" 320 100)
ref_title=$(px "$dir/graphics/players.bmp" 50 10)
# Sanity: the splash and the title probes must tell the two pictures apart.
near "$ref_splash" "$ref_title" && { echo "splash and caption colours too alike to probe" >&2; exit 1; }

# Starts the game in the current X server, times its start-up, then measures the idle title screen
# and a round; key prefixes its figures (game, game3), shots its screenshots.
game_phases() { # key label
  local key=$1 label=$2
  (cd "$dir" && exec ./tarvel4) >"$scratch/game.out" 2>&1 &
  pid=$!
  local launch polls=0 t_window stamps t_splash t_title
  launch=$(now)
  W=
  until W=$(xdotool search --name '^Tarvel 4$' 2>/dev/null | head -1) && [ -n "$W" ]; do
    [ $(($(now) - launch)) -lt 20000000000 ] || { echo "no window" >&2; exit 1; }
    polls=$((polls + 1))
    sleep 0.005
  done
  t_window=$(now)
  eval "$(xdotool getwindowgeometry --shell "$W")"
  local scale=$((WIDTH / 640))
  MENU=$((HEIGHT - 480 * scale))
  # One connection polls a pixel of the splash, then of the title screen's caption, every
  # millisecond (a 1 x 1 XGetImage), and stamps each match with the wall clock.
  stamps=$("$xpixel" -w 30000 $((X + 320 * scale)) $((Y + MENU + 100 * scale)) "$ref_splash" \
    $((X + 150 * scale)) $((Y + MENU + 20 * scale)) "$ref_title") || { echo "no splash or title screen" >&2; exit 1; }
  t_splash=$(echo "$stamps" | sed -n 1p)
  t_title=$(echo "$stamps" | sed -n 2p)
  awk -v l="$label" -v w=$((t_window - launch)) -v s=$((t_splash - launch)) -v t=$((t_title - launch)) -v p=$polls 'BEGIN {
    printf "%s start-up: window %.0f ms (xdotool search, %d polls), splash %.0f ms, title screen %.0f ms after launch (pixel polled every ~1 ms)\n",
      l, w / 1e6, p + 1, s / 1e6, t / 1e6
  }'
  import -window root "$shots/$key-title.png"
  sleep 1
  measure $key-idle "$label, idle title screen" $pid
  profile $key-idle
  xdotool windowfocus --sync "$W" 2>/dev/null || true
  xdotool key F8
  sleep 1
  measure $key-play "$label, 4 computer worms, speed 0" $pid
  profile $key-play
  import -window root "$shots/$key-round.png"
  if [ -x "$xclose" ]; then "$xclose" "$W"; else kill "$pid"; fi
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}
game_phases game "tarvel4 (scale 1)"

# --- GNOME Nibbles, same X server -------------------------------------------------------------------
if [ -x "$nibbles" ] && command -v dbus-run-session >/dev/null; then
  # Its settings in a keyfile of our own: past the first-run screen, 1 human + 3 computer worms,
  # the fastest speed, no sound.
  mkdir -p "$scratch/config/glib-2.0/settings"
  printf '[org/gnome/nibbles]\nfirst-run=false\nplayers=1\nai=3\nspeed=1\nsound=false\n' \
    >"$scratch/config/glib-2.0/settings/keyfile"
  HOME=$scratch XDG_CONFIG_HOME=$scratch/config GSETTINGS_BACKEND=keyfile \
    dbus-run-session -- "$nibbles" >"$scratch/nibbles.out" 2>&1 &
  session=$!
  launch=$(now)
  W=
  until W=$(xdotool search --name '^Nibbles$' 2>/dev/null | head -1) && [ -n "$W" ]; do
    [ $(($(now) - launch)) -lt 20000000000 ] || { echo "no Nibbles window" >&2; exit 1; }
    sleep 0.05
  done
  pid=$(pgrep -x -P "$session" gnome-nibbles)
  sleep 2
  import -window root "$shots/nibbles-idle.png"
  measure nibbles-idle "gnome-nibbles, players screen" $pid
  # Next, Next, Start: the players, speed and controls screens.
  for _ in 1 2 3; do
    xdotool mousemove --window "$W" 369 638 click 1
    sleep 1
  done
  sleep 1
  measure nibbles-play "gnome-nibbles, 1 human + 3 AI worms, fast" $pid
  import -window root "$shots/nibbles-play.png"
  kill "$pid" 2>/dev/null || true
  wait "$session" 2>/dev/null || true
  pid= session=
  awk '{ cpu[$1] = $2; hwm[$1] = $3 }
    END {
      for (k = 0; k < 2; ++k) {
        phase = k ? "play" : "idle"
        c = cpu["nibbles-" phase] > 0 ? sprintf("%.2f", cpu["game-" phase] / cpu["nibbles-" phase]) : "n/a (Nibbles at 0 %)"
        printf "ratio tarvel4 / nibbles, %s: CPU %s, VmHWM %.2f\n", phase, c, hwm["game-" phase] / hwm["nibbles-" phase]
      }
    }' "$scratch/data"
else
  echo "GNOME Nibbles (/usr/games/gnome-nibbles) or dbus-run-session not installed: no comparison"
fi
# --- the game again on a 3840 x 2160 screen: the view at three times its size -------------------
kill $xvfb 2>/dev/null || true
wait $xvfb 2>/dev/null || true
start_xvfb "$scratch/xvfb3.log" 3840x2160
game_phases game3 "tarvel4 (scale 3)"
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg); screenshots in $shots"
