#!/usr/bin/env bash
# Fault injection on the real binary under Xvfb: every file of the game directory missing in turn,
# a few broken ones, no audio device, a preferences path that cannot be written, and preferences
# files of odd sizes and random bytes. Each run starts the game, answers its message boxes with
# Return, checks the title screen and the first frames of a round, closes the window and expects
# exit code 0 with exactly the messages the game gives for that fault.
# Usage: faults.sh TARVEL4 XCLOSE XPIXEL OUTDIR GAMEDIR SOURCEDIR
# FAULTS_SHOTS=all keeps screenshots of every run (default: a few chosen ones) in OUTDIR/screens.
set -euo pipefail
game_bin=$1 xclose=$2 xpixel=$3 out=$4 gamedir=$5 src=$6
source "$src/lib.sh"
started=$(date +%s)

base=$out/game
make_dir "$base"
g=$base/graphics
# Reference colours, taken while every picture is in place.
ref_players=$(px "$g/players.bmp" 50 10)
ref_play=$(px "$g/play.bmp" 16 16)

# The prefs of every run unless it says otherwise: Ann human, Bert and Cleo computer, slot 3 empty
# (so the title shows all three kind icons), speed 0, 10 blocks, music and sound on at full volume
# and the star background on, so the audio and starfield paths run too.
write_run_prefs() { # file [kinds as 8 escaped bytes]
  write_prefs "$1"
  printf "${2:-\x01\x00\x02\x00\x02\x00\x00\x00}" | dd of="$1" bs=1 seek=168 conv=notrunc status=none
  printf '\x01\x01\x01\x01\x40\x40\x01\x01' | dd of="$1" bs=1 seek=180 conv=notrunc status=none
}

# --- probes on the window's client area -------------------------------------------------------------
probe() { "$xpixel" $((WX + $1)) $((WY + MENU + $2)); }
client_hash() { "$xpixel" -h $((WX + $1)) $((WY + MENU + $2)) "$3" "$4"; }
messages() { grep -c '^tarvel4: \[' "$out/$RUN.out" || true; }
count() { grep '^tarvel4: \[' "$out/$RUN.out" | grep -cF "$1" || true; }
gone() { ! kill -0 "$game_pid" 2>/dev/null; }
title_pic=players
title_shown() {
  if [ "$title_pic" = players ]; then near "$(probe 150 20)" "$ref_players"; else near "$(probe 492 332)" "$ref_play"; fi
}
round_shown() { near "$(probe $FRAME_X $FRAME_Y)" $FRAME_COLOUR; }
changed() { [ "$("$@")" != "$before" ]; }
at_least() { [ "$(count "$2")" -ge "$1" ]; }

snap() { case " $shots " in *" $RUN "* | *" all "*) shot "$RUN-$1" ;; esac; }
shots=${FAULTS_SHOTS:-"vex.bmp 1tarv.bmp ammo.bmp pagain.bmp sexplo.bmp about2.txt prefs-random nosuchdriver"}
first_box_shot=

# Polls until the command holds, answering each message box the game opened meanwhile with Return.
# A box is echoed on the game's stderr as it opens and takes keys from then on. Presses are spaced
# by a few frames (a press that comes before the box has seen the last one's release is not a new
# press); should one still be lost, a box left standing for a second gets another.
dismissed=0
await() { # seconds command...
  local end=$(($(date +%s%N) + $1 * 1000000000)) last=0 now
  shift
  while :; do
    now=$(date +%s%N)
    if [ "$(messages)" -gt "$dismissed" ] || { [ "$dismissed" -gt 0 ] && [ $((now - last)) -gt 1000000000 ]; }; then
      if [ -z "$first_box_shot" ] && case " $shots " in *" $RUN "* | *" all "*) true ;; *) false ;; esac; then
        first_box_shot=1
        sleep 0.8 # the window's first frames
        snap box
      fi
      [ "$(messages)" -gt "$dismissed" ] && dismissed=$((dismissed + 1))
      xdotool key Return
      last=$(date +%s%N)
      sleep 0.06
      continue
    fi
    "$@" && return 0
    [ "$now" -lt "$end" ] || return 1
    gone && return 1
    sleep 0.05
  done
}

# FAULTS_ONLY=PATTERN runs only the runs whose names match (a shell pattern).
want() { [ -z "${FAULTS_ONLY:-}" ] || [[ $RUN == $FAULTS_ONLY ]]; }

# One run: start, title (animating), F8, a round's first frames, close, exit code 0.
# ROUND=starts only checks the round's frame (no worm may be there to move).
play_once() {
  dismissed=0 first_box_shot=
  start_game "$base"
  await 40 title_shown || fail "$RUN: no title screen"
  before=$(client_hash 0 0 640 480)
  await 5 changed client_hash 0 0 640 480 || fail "$RUN: the title screen does not animate"
  snap title
  xdotool key F8
  await 10 round_shown || fail "$RUN: F8 started no round"
  if [ "${ROUND:-plays}" = plays ]; then
    before=$(client_hash 0 0 600 400)
    await 5 changed client_hash 0 0 600 400 || fail "$RUN: nothing moves in the round"
  fi
  snap round
  if [ -n "${AWAIT_AFTER_ROUND:-}" ]; then await 20 $AWAIT_AFTER_ROUND || fail "$RUN: $AWAIT_AFTER_ROUND"; fi
  "$xclose" "$W"
  await 20 gone || fail "$RUN: the game did not exit after its window was closed"
  code=0
  wait "$game_pid" || code=$?
  game_pid=
  [ "$code" = 0 ] || fail "$RUN: exit code $code"
}

# Exactly n messages in all, each with this text (n may be "+N": at least N).
expect_messages() { # n text
  local all had
  all=$(messages)
  had=$(count "$2")
  [ "$all" = "$had" ] || fail "$RUN: unexpected messages: $(grep '^tarvel4: \[' "$out/$RUN.out" | sort | uniq -c)"
  case $1 in
  +*) [ "$had" -ge "${1#+}" ] || fail "$RUN: $had times '$2', expected at least ${1#+}" ;;
  *) [ "$had" = "$1" ] || fail "$RUN: $had times '$2', expected $1" ;;
  esac
}
bmp_error="[BMP Error] Sorry, can't load bitmap file!"
read_error="[Read Error] Can't read file."

# --- each file of the game directory missing in turn ---------------------------------------------------
ok() { echo "$RUN: ok ($(messages) messages, $(($(date +%s) - run_started)) s)"; }
begin() { # run name; false when FAULTS_ONLY leaves it out
  RUN=$1
  want || return 1
  run_started=$(date +%s)
}
missing() { # relative path, expected count of its message, the message
  local file=$1
  [ -e "$base/$file" ] || fail "$file is not in the game directory"
  begin "$(basename "$file")" || return 0
  write_run_prefs "$base/prefs.prf" "${KINDS:-}"
  mv "$base/$file" "$out/away"
  title_pic=players
  [ "$file" = graphics/players.bmp ] && title_pic=play
  play_once
  mv "$out/away" "$base/$file"
  expect_messages "$2" "${3:-$bmp_error}"
  ok
}

missing graphics/vex.bmp 1
missing graphics/1tarv.bmp 41 # one a strip of the wipe
missing graphics/t4logo.bmp +2
for f in players quit play none human comp; do missing graphics/$f.bmp +1; done
missing graphics/ammo.bmp +4 # one a panel as the round starts
# The results banner: two worms that nobody steers end the round within seconds.
AWAIT_AFTER_ROUND="at_least 4 $bmp_error" KINDS='\x01\x00\x01\x00\x00\x00\x00\x00' missing graphics/pagain.bmp +4
# Sprite files are skipped silently: loading stops there and the game runs without those pictures.
for f in sexplo m_sexplo lexplo m_lexplo snova m_snova pressed m_press \
  ammo1 m_ammo1 ammo2 m_ammo2 ammo3 m_ammo3 ammo4 m_ammo4; do
  missing graphics/$f.bmp 0
done
# Audio failures are silent.
for f in music.xm kaboom.wav jiha.wav klick.wav missil.wav; do missing sounds/$f 0; done
for f in about.txt about2.txt about3.txt; do missing $f 1 "$read_error"; done
[ "$(ls "$g" | wc -l)" = 27 ] || fail "the game directory holds other pictures than these 27"
[ "$(ls "$base/sounds" | wc -l)" = 5 ] || fail "the game directory holds other sounds than these 5"

# --- broken files, all in one run (their loaders are fuzzed; this is the game around them) -----------
if begin broken; then
  write_run_prefs "$base/prefs.prf"
  mkdir -p "$out/whole"
  for f in graphics/t4logo.bmp sounds/music.xm sounds/kaboom.wav; do cp "$base/$f" "$out/whole/"; done
  half() { head -c $(($(stat -c %s "$out/whole/$1") / 2)) "$out/whole/$1" >"$base/$2/$1"; }
  half t4logo.bmp graphics
  half music.xm sounds
  head -c 4000 /dev/urandom >"$base/sounds/kaboom.wav"
  play_once
  for f in graphics/t4logo.bmp sounds/music.xm sounds/kaboom.wav; do cp "$out/whole/$(basename $f)" "$base/$f"; done
  expect_messages +2 "$bmp_error" # the truncated logo: after the intro and at the title screen
  ok
fi

# --- no audio device ------------------------------------------------------------------------------------
for driver in nosuchdriver disk; do
  begin "$driver" || continue
  write_run_prefs "$base/prefs.prf"
  # The disk driver writes into a folder that does not exist, so its device cannot open.
  SDL_AUDIODRIVER=$driver SDL_DISKAUDIOFILE=/nonexistent/tarvel.raw play_once
  expect_messages 0 "-"
  ok
done

# --- no display at all: SDL would fall back to a driver that shows nothing; the game must not run on unseen
if begin nodisplay; then
  write_run_prefs "$base/prefs.prf"
  (cd "$base" && unset DISPLAY && exec timeout 20 ./tarvel4) >"$out/$RUN.out" 2>&1 || code=$?
  code=${code:-0}
  [ "$code" = 0 ] || fail "$RUN: exit code $code (124: it ran on without a window)"
  grep -q 'no display to open a window on\|no video' "$out/$RUN.out" || fail "$RUN: no word of the missing display"
  code=
  ok
fi

# --- prefs.prf that cannot be written at exit (a read-only directory is run.sh's) -----------------------
if begin prefs-dir; then
  rm -f "$base/prefs.prf"
  mkdir "$base/prefs.prf"
  ROUND=starts play_once
  rmdir "$base/prefs.prf"
  [ "$(count "[Prefs Error] Sorry, can't read preferences. Will create new prefernces")" = 1 ] ||
    fail "$RUN: no read message"
  [ "$(count "[Prefs Error] Sorry, can't save preferences.")" = 1 ] || fail "$RUN: no save message"
  [ "$(messages)" = 2 ] || fail "$RUN: other messages besides the two"
  ok
fi
# A full disk: reads give zeros, the write fails silently.
if begin prefs-full; then
  rm -f "$base/prefs.prf"
  ln -s /dev/full "$base/prefs.prf"
  ROUND=starts play_once
  rm "$base/prefs.prf"
  expect_messages 0 "-"
  ok
fi

# --- preferences files of odd sizes and random bytes ---------------------------------------------------
prefs_run() { # the file is in $out/prefs-in
  cp "$out/prefs-in" "$base/prefs.prf"
  ROUND=starts play_once
  expect_messages 0 "-"
}
saved_size() { stat -c %s "$base/prefs.prf"; }
write_run_prefs "$out/valid.prf"
if begin prefs-0; then
  : >"$out/prefs-in"
  prefs_run
  [ "$(saved_size)" = 217 ] || fail "$RUN: no 217-byte file saved"
  ok
fi
if begin prefs-100; then
  head -c 100 "$out/valid.prf" >"$out/prefs-in"
  prefs_run
  cmp -s -n 100 "$out/valid.prf" "$base/prefs.prf" || fail "$RUN: the first 100 bytes changed"
  [ "$(saved_size)" = 217 ] || fail "$RUN: not 217 bytes after saving"
  ok
fi
if begin prefs-217; then
  head -c 217 /dev/zero | tr '\0' '\377' >"$out/prefs-in"
  prefs_run
  # All but the last byte: a round started resets an automatic restart's count to 1.
  cmp -s -n 216 "$out/prefs-in" "$base/prefs.prf" || fail "$RUN: 217 bytes of 0xFF did not round-trip"
  ok
fi
if begin prefs-300; then
  { cat "$out/valid.prf"; head -c 83 /dev/urandom; } >"$out/prefs-in"
  prefs_run
  [ "$(saved_size)" = 300 ] || fail "$RUN: no longer 300 bytes"
  cmp -s "$out/prefs-in" "$base/prefs.prf" || fail "$RUN: bytes changed (217..299 must stay)"
  ok
fi
if begin prefs-random; then
  head -c 217 /dev/urandom >"$out/prefs-in"
  cp "$out/prefs-in" "$out/prefs-random.prf" # kept for a failure's inspection
  echo "random prefs.prf: $(od -An -tx1 -v "$out/prefs-random.prf" | tr -d ' \n')"
  prefs_run
  [ "$(saved_size)" = 217 ] || fail "$RUN: not 217 bytes after saving"
  ok
fi

echo "faults: all passed in $(($(date +%s) - started)) s; screenshots in $out/screens"
