#!/usr/bin/env bash
# Runs sounddemo under SDL's disk audio driver and checks that what it wrote sounds.
set -euo pipefail
demo=$1 game=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
if [ -f "$game/sounds/music.xm" ]; then
  sounds=$game/sounds
else
  echo "the game's sounds are not built; playing a small test tune"
  "$demo" --write-test-sounds "$work"
  sounds=$work
fi
# The music alone at the low settings, then music and effects at the high ones.
for run in "22050 8 --music-only" "44100 16 --filter"; do
  set -- $run
  out=$work/out-$1-$2.raw
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$out "$demo" --seconds 3 --rate "$1" --bits "$2" "$3" \
    "$sounds/music.xm" "$sounds/kaboom.wav" "$sounds/jiha.wav" "$sounds/klick.wav" "$sounds/missil.wav"
  "$demo" --measure "$out" "$2" "$1" 3
done
