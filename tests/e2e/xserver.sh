# An X server of one's own and pixel probes, for the end-to-end scripts and the window benchmarks.
# Source it; it defines functions only.

# Starts Xvfb on a free display, logging to $1, with a screen of $2 (1024x768 when not given); sets
# $xvfb (its pid) and DISPLAY and waits until it answers. The server picks the display itself and
# writes its number back, so servers started side by side (ctest -j) never share one. -noreset: by
# default the server starts over whenever its last client leaves, and a client that connects just
# then (a game started right after an xdotool call) is turned away. Whatever asks for GL gets
# Mesa's software one, and sound goes nowhere.
start_xvfb() { # logfile [WIDTHxHEIGHT]
  local number=$1.display
  export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 MESA_SHADER_CACHE_DISABLE=true
  : >"$number"
  Xvfb -displayfd 3 -screen 0 "${2:-1024x768}x24" -nolisten tcp -noreset 3>"$number" >"$1" 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do grep -qx '[0-9]\+' "$number" && break; sleep 0.1; done
  grep -qx '[0-9]\+' "$number" || { echo "Xvfb did not start: $(cat "$1")" >&2; return 1; }
  export DISPLAY=:$(cat "$number")
  for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
}

# hex colour RRGGBB of pixel (x, y) of an image file
px() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | head -1; }
# colours within 12 per channel (the game draws pictures at 16-bit depth)
near() {
  local a=$1 b=$2 i
  for i in 0 2 4; do
    local d=$((16#${a:$i:2} - 16#${b:$i:2}))
    [ ${d#-} -le 12 ] || return 1
  done
}

# While a round is on, the frame line right of the field is this colour at this client pixel; it
# stays through the results.
FRAME_X=601 FRAME_Y=200 FRAME_COLOUR=FFFF1E
