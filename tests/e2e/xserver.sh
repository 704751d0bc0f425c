# An X server of one's own and pixel probes, for the end-to-end scripts and the window benchmarks.
# Source it; it defines functions only.

# Starts Xvfb on the first free display from $1, logging to $2, with a screen of $3 (1024x768 when
# not given); sets $xvfb (its pid) and DISPLAY and waits until it answers. Whatever asks for GL gets
# Mesa's software one, and sound goes nowhere.
start_xvfb() { # first-display logfile [WIDTHxHEIGHT]
  local n=$1
  export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 MESA_SHADER_CACHE_DISABLE=true
  while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 "${3:-1024x768}x24" -nolisten tcp >"$2" 2>&1 &
  xvfb=$!
  export DISPLAY=:$n
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
