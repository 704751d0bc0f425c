#!/usr/bin/env bash
# The installed game as a new player meets it: started from an empty working directory with a
# fresh home, it shows the title screen, plays a round on F8, exits 0 when its window is closed
# and leaves prefs.prf (217 bytes), window.cfg and the round's replay in ~/.config/tarvel4 and
# nothing anywhere else. A player whose config folder cannot be made plays on the defaults and is
# told the preferences were not saved.
# --version and --help print without opening a window.
# Usage: installed.sh TARVEL4 XCLOSE OUTDIR SOURCEDIR   (TARVEL4: the installed binary)
set -euo pipefail
installed=$1 xclose=$2 out=$3 src=$4
source "$src/lib.sh"
GAME=$installed

# --- the options, with no display at all ------------------------------------------------------------
version=$(env -u DISPLAY "$installed" --version) || fail "--version failed"
[[ $version =~ ^tarvel4\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"
help=$(env -u DISPLAY "$installed" --help) || fail "--help failed"
data=$(sed -n 's/^Game data: //p' <<<"$help")
[ -d "$data/graphics" ] || fail "--help names no data folder with graphics/: $help"
g=$data/graphics
echo "options: ok ($version, data in $data)"

# --- a first start: from an empty folder, with a fresh home -----------------------------------------
RUN=first
home=$out/home
work=$out/work
mkdir -p "$home" "$work"
RUN_AS="env -u XDG_CONFIG_HOME HOME=$home"
start_game "$work"
wait_shows title 40 150 20 "$g/players.bmp" 50 10 || fail "no title screen"
shows title 300 200 "$g/t4logo.bmp" 300 200 || fail "no logo behind the title screen"
grep -q 'Error\]' "$out/$RUN.out" && fail "a message box on the first start: $(cat "$out/$RUN.out")"
xdotool mousemove $((WX + 320)) $((WY + MENU + 240)) key F8
wait_round round || fail "F8 started no round"
sleep 1
shot round-on
sleep 1
shot round-later
cmp -s "$out/screens/round-on.png" "$out/screens/round-later.png" && fail "nothing moves in the round"
close_game
[ "$code" = 0 ] || fail "exit code $code after closing the window"
prefs=$home/.config/tarvel4/prefs.prf
[ "$(stat -c %s "$prefs" 2>/dev/null)" = 217 ] || fail "no 217-byte $prefs"
[ -z "$(ls -A "$work")" ] || fail "the working directory is not empty: $(ls -A "$work")"
replays=("$home"/.config/tarvel4/replays/*.t4replay)
[ "${#replays[@]}" = 1 ] && [ -f "${replays[0]}" ] || fail "not one replay in ~/.config/tarvel4/replays"
[ "$(find "$home" -type f | sort | xargs)" = "$prefs ${replays[0]} $home/.config/tarvel4/window.cfg" ] ||
  fail "files other than prefs.prf, window.cfg and the replay in the home: $(find "$home" -type f)"
echo "first start: ok"

# --- a config folder that cannot be made ------------------------------------------------------------
RUN=noconfig
touch "$out/blocked"
RUN_AS="env XDG_CONFIG_HOME=$out/blocked/config HOME=$home"
start_game "$work"
wait_shows noconfig-title 40 150 20 "$g/players.bmp" 50 10 || fail "no title screen (no config folder)"
close_unsaved noconfig-box
[ "$code" = 0 ] || fail "exit code $code without a config folder"
[ "$(grep -c 'Error\]' "$out/$RUN.out")" = 1 ] || fail "other message boxes: $(cat "$out/$RUN.out")"
[ -z "$(ls -A "$work")" ] || fail "the working directory is not empty: $(ls -A "$work")"
echo "no config folder: ok"
echo "installed: all passed; screenshots in $out/screens"
