#!/usr/bin/env bash
# The dialogs in the real window under Xvfb, used as a player uses them: Preferences from the menu
# (every control, the star background in a round), Player Setup from a slot (name and caption,
# budget and abilities, the colour chooser, the six keys steering a round), About (Escape leaves
# it open), a message box that keeps the game from input until its one OK is pressed, and two
# players on one keyboard (Preferences changed over a round, Auto Start). Every round played, by F8
# or NewGame, is kept as a replay that plays back the same.
# Usage: dialogs.sh TARVEL4 XCLOSE XSHOT OUTDIR GAMEDIR SOURCEDIR   Screenshots stay in OUTDIR/screens.
set -euo pipefail
game_bin=$1 xclose=$2 xshot=$3 out=$4 gamedir=$5 src=$6
source "$src/lib.sh"

# --- input and probes --------------------------------------------------------------------------
# Clicks and keys at a player's pace: the game presents at most every few milliseconds.
click() { xdotool mousemove "$1" "$2"; sleep 0.1; xdotool click "${3:-1}"; sleep 0.3; }
key() { xdotool key "$@"; sleep 0.3; }
# A drag with the left button, in steps, so every step is seen in a frame of its own.
drag() { # x0 y0 x1 y1
  xdotool mousemove "$1" "$2"; sleep 0.1
  xdotool mousedown 1; sleep 0.2
  local i
  for i in 1 2 3 4 5 6; do
    xdotool mousemove $(($1 + ($3 - $1) * i / 6)) $(($2 + ($4 - $2) * i / 6)); sleep 0.08
  done
  xdotool mouseup 1; sleep 0.3
}
# Fraction of dark pixels (under half brightness) in a rectangle of a screenshot, in thousandths.
ink() { # shot x y w h (screen coordinates)
  convert "$out/screens/$1.png" -crop "$4x$5+$2+$3" +repage -colorspace gray -threshold 50% \
    -format '%[fx:int(1000*(1-mean))]' info:
}
# Fraction of white pixels in a rectangle, in thousandths.
white() { # shot x y w h
  convert "$out/screens/$1.png" -crop "$4x$5+$2+$3" +repage -fill black +opaque white -colorspace gray \
    -format '%[fx:int(1000*mean)]' info:
}
title_ink() { # thousandths of light pixels in the caption's text
  convert "$out/screens/$1.png" -crop "200x14+$((OX + 2))+$((OY - 16))" +repage -colorspace gray -threshold 50% \
    -format '%[fx:int(1000*mean)]' info:
}
prefs_bytes() { od -An -tu1 -j"$2" -N"$3" "$1" | xargs; }

# Where a dialog's client area lands on the screen: centred over the game's picture, inside a
# frame of 3 px and under a caption of 18 px (none for About). Sets OX, OY.
dialog_at() { # width height caption(0/1), in dialog units
  local sx=$(((($1 * 6 + 2) / 4) + 6)) sy=$(((($2 * 13 + 4) / 8) + 6 + 18 * $3))
  OX=$((WX + (640 - sx + 1) / 2 + 3))
  OY=$((WY + (2 * (MENU + 240) - sy + 1) / 2 + 3 + 18 * $3))
}
ux() { echo $((($1 * 6 + 2) / 4)); }
uy() { echo $((($1 * 13 + 4) / 8)); }
# Screen point of dialog units (x, y) in the open dialog.
at_du() { echo $((OX + $(ux "$1"))) $((OY + $(uy "$2"))); }
click_du() { click $(at_du "$1" "$2") "${3:-1}"; }
# The middle of a control given in dialog units.
click_mid() { # x y w h
  click $((OX + $(ux "$1") + $(ux "$3") / 2)) $((OY + $(uy "$2") + $(uy "$4") / 2))
}

caption_up() { # shot: is the dialog's caption bar there?
  near "$(px "$out/screens/$1.png" $((OX + 2)) $((OY - 9)))" 000080
}
face_up() { # shot: does the client area of the dialog show its face colour?
  near "$(px "$out/screens/$1.png" $((OX + 4)) $((OY + 4)))" C0C0C0
}
# A dialog takes a moment to open or close on a busy machine: screenshots until it has.
wait_up() { # shot [probe]
  local probe=${2:-caption_up}
  for _ in $(seq 16); do shot "$1"; $probe "$1" && return 0; sleep 0.25; done
  return 1
}
wait_gone() { # shot [probe]
  local probe=${2:-caption_up}
  for _ in $(seq 16); do shot "$1"; $probe "$1" || return 0; sleep 0.25; done
  return 1
}

# Every control of a template is drawn where it belongs: a table of "kind id x y w h" in dialog
# units, checked on a screenshot of the open dialog. Check boxes are expected unchecked.
check_controls() { # shot table
  local name=$1 kind id x y w h
  while read -r kind id x y w h; do
    [ -n "$kind" ] || continue
    local l=$((OX + $(ux $x))) t=$((OY + $(uy $y))) cw=$(ux $w) ch=$(uy $h)
    case $kind in
    button) # raised face with its label in the middle
      near "$(px "$out/screens/$name.png" $((l + 3)) $((t + 3)))" D4D0C8 ||
        near "$(px "$out/screens/$name.png" $((l + 3)) $((t + 3)))" E4E0D8 || fail "$name: button $id has no face"
      [ "$(ink $name $((l + cw / 4)) $((t + 3)) $((cw / 2)) $((ch - 6)))" -gt 20 ] || fail "$name: button $id has no label" ;;
    check) # a white square at the left, the label right of it
      local top=$((t + (ch - 12) / 2))
      [ "$(white $name $((l + 2)) $((top + 2)) 8 8)" -gt 900 ] || fail "$name: check box $id has no empty box"
      [ "$(ink $name $((l + 16)) $t $((cw - 16)) $ch)" -gt 20 ] || fail "$name: check box $id has no label" ;;
    label)
      [ "$(ink $name $l $t $cw $ch)" -gt 20 ] || fail "$name: label $id shows no text" ;;
    group) # a grey frame line under the label's middle and a label near the left
      near "$(px "$out/screens/$name.png" $((l + cw / 2)) $((t + 6)))" 808080 || fail "$name: group box $id has no frame"
      [ "$(ink $name $((l + 4)) $t 40 12)" -gt 20 ] || fail "$name: group box $id has no label" ;;
    edit | readonly) # a black border round a white (read-only: grey) field
      near "$(px "$out/screens/$name.png" $l $((t + ch / 2)))" 000000 || fail "$name: edit $id has no border"
      local inside=FFFFFF
      [ $kind = readonly ] && inside=C0C0C0
      near "$(px "$out/screens/$name.png" $((l + cw - 3)) $((t + 2)))" $inside || fail "$name: edit $id has no field" ;;
    track) # a framed channel with the thumb at the left (every position starts at 0 here)
      near "$(px "$out/screens/$name.png" $((l + cw - 4)) $((t + ch / 2)))" FFFFFF || fail "$name: track bar $id has no channel"
      near "$(px "$out/screens/$name.png" $((l + 3)) $((t + ch / 2)))" D4D0C8 || fail "$name: track bar $id has no thumb at 0" ;;
    esac
  done <<<"$2"
}
checked() { # shot x y w h (dialog units of a check box): does its square show a mark?
  local l=$((OX + $(ux $2))) t=$((OY + $(uy $3) + ($(uy $5) - 12) / 2))
  [ "$(ink $1 $((l + 2)) $((t + 2)) 8 8)" -gt 50 ]
}

PREFS_CONTROLS="
button 1 186 6 50 14
button 2 186 26 50 14
group 101 12 9 164 39
label 102 16 20 16 10
label 103 156 20 16 9
track 104 41 19 100 11
check 115 20 32 86 12
check 120 109 32 64 12
group 105 12 52 164 70
check 106 20 64 32 9
check 107 20 75 36 9
check 108 20 86 32 9
check 109 107 64 32 11
check 110 107 76 36 9
label 112 32 97 44 9
track 111 21 105 64 13
label 114 108 97 48 9
track 113 96 105 64 13
label 117 185 63 23 8
edit 116 210 61 20 12
check 118 185 76 60 12
label 119 179 88 60 33
check 121 186 121 44 12"
SETUP_CONTROLS="
button 1 186 6 50 14
button 2 186 26 50 14
label 101 4 4 44 9
edit 102 48 2 132 12
button 103 4 24 50 14
label 107 91 28 20 9
edit 108 113 26 20 12
label 104 134 28 24 8
readonly 105 160 26 20 12
group 106 8 43 224 113
check 109 16 53 80 12
check 110 16 64 80 12
check 111 16 75 80 12
check 112 16 86 80 12
check 118 16 98 80 12
check 120 16 110 80 12
check 122 16 122 80 12
check 125 16 133 92 12
check 113 145 53 80 12
check 114 145 64 83 12
check 115 145 75 80 12
check 116 145 86 80 12
check 119 145 97 80 12
check 121 145 109 80 12
check 123 145 121 60 12
check 124 145 133 80 12
button 117 8 164 50 14
label 555 84 163 152 17"
ABOUT_CONTROLS="
button 1 97 96 50 14
label 101 70 17 100 11
label 102 80 32 84 8
label 103 79 43 88 9"

# === 1: the three dialogs, a round with stars, a round steered with captured keys ================
RUN=dialogs
dir=$out/game-dialogs
make_dir "$dir"
write_prefs "$dir/prefs.prf"
printf '\x00\x00' | dd of="$dir/prefs.prf" bs=1 seek=212 conv=notrunc status=none # no blocks
g=$dir/graphics
start_game "$dir"
wait_shows title 30 150 20 "$g/players.bmp" 50 10 || fail "no title screen"

# --- Preferences from a right click beside the slots; Cancel drops what was ticked ---------------
dialog_at 240 136 1
click $((WX + 300)) $((WY + MENU + 200)) 3
wait_up prefs-right-click || fail "a right click on the title opened no Preferences"
click_mid 109 32 64 12 # Fast Explosions
checked prefs-right-click 109 32 64 12 && fail "Fast Explosions was ticked before the click"
click_mid 186 26 50 14 # Cancel
wait_gone prefs-cancelled || fail "Cancel did not close Preferences"

# --- Preferences from the menu: Alt+T, then the first item ---------------------------------------
key alt+t
shot menu
click $((WX + 90)) $((WY + 36))
dialog_at 240 136 1
wait_up prefs-open || fail "Alt+T and Option... opened no Preferences"
check_controls prefs-open "$PREFS_CONTROLS"
echo "preferences: opened from the menu, all 23 controls in place"
# Every check box toggles: all on, then all but the star background off again.
boxes="20 32 86 12|109 32 64 12|20 64 32 9|20 75 36 9|20 86 32 9|107 64 32 11|107 76 36 9|185 76 60 12|186 121 44 12"
IFS='|' read -ra box <<<"$boxes"
for b in "${box[@]}"; do click_mid $b; done
shot prefs-all-ticked
for b in "${box[@]}"; do checked prefs-all-ticked $b || fail "check box at $b did not tick"; done
for b in "${box[@]:1}"; do click_mid $b; done
shot prefs-stars
checked prefs-stars ${box[0]} || fail "Starbackground (slow) is not ticked"
for b in "${box[@]:1}"; do checked prefs-stars $b && fail "check box at $b did not untick"; done
# The volume track bars follow a drag: music to its right end, sound about half way.
read -r mx my < <(at_du 21 105)
drag $((mx + 3)) $((my + 10)) $((mx + 140)) $((my + 10))
read -r sx sy < <(at_du 96 105)
drag $((sx + 3)) $((sy + 10)) $((sx + 48)) $((sy + 10))
shot prefs-volumes
near "$(px "$out/screens/prefs-volumes.png" $((mx + 3)) $((my + 10)))" FFFFFF || fail "the music volume thumb did not move"
# Blocks takes only what fits its width: the fifth digit on is refused, so four Backspaces empty it.
click_mid 210 61 20 12
key End BackSpace BackSpace
xdotool type --delay 80 1234567
sleep 0.3
shot prefs-blocks
key BackSpace BackSpace BackSpace BackSpace
xdotool type 0
sleep 0.3
click_mid 186 6 50 14 # OK
wait_gone prefs-closed || fail "OK did not close Preferences"
echo "preferences: check boxes, track bars, Blocks field and OK work"

# --- a round with the star background: yellow star pixels move over the black field -------------
key F8
wait_round stars-1 || fail "F8 started no round"
sleep 0.5
shot stars-2
star_mask() { convert "$out/screens/$1.png" -crop 600x400+$WX+$((WY + MENU)) +repage -fill black +opaque '#FFFF00' "$out/$1-stars.png"; }
star_mask stars-1
star_mask stars-2
moved=$(compare -metric AE "$out/stars-1-stars.png" "$out/stars-2-stars.png" null: 2>&1 || true)
moved=${moved%% *}
[ "${moved%.*}" -ge 20 ] || fail "the stars do not move: $moved star pixels changed"
echo "stars: $moved star pixels changed in half a second"
key F5
wait_shows title-back 10 150 20 "$g/players.bmp" 50 10 || fail "F5 did not return to the title"

# --- Player Setup from slot 0 --------------------------------------------------------------------
click $((WX + 56)) $((WY + MENU + 56))   # slot 0: none -> human
click $((WX + 56)) $((WY + MENU + 56)) 3 # and set it up
sleep 0.3
dialog_at 240 183 1
wait_up setup-open || fail "a right click on slot 0 opened no Player Setup"
check_controls setup-open "$SETUP_CONTROLS"
# Escape cancels: a letter typed into the name goes with the draft.
click_mid 48 2 132 12
xdotool type X
sleep 0.3
key Escape
wait_gone setup-escaped || fail "Escape did not close Player Setup"
click $((WX + 56)) $((WY + MENU + 56)) 3
wait_up setup-reopened || fail "Player Setup did not open again"
[ "$(title_ink setup-reopened)" = "$(title_ink setup-open)" ] || fail "the name changed though Escape cancelled"
# The caption shows the name, and follows it as it is typed.
[ "$(title_ink setup-open)" -gt 5 ] || fail "the caption does not show the name Ann"
click_mid 48 2 132 12
key End BackSpace BackSpace BackSpace
shot setup-unnamed
[ "$(title_ink setup-unnamed)" -le 2 ] || fail "the caption kept the name after it was erased"
xdotool type --delay 80 Tarvo
sleep 0.3
shot setup-named
t1=$(title_ink setup-named)
[ "$t1" -gt 5 ] || fail "the caption does not follow the typed name"
# The name field takes only as much as fits: of 30 more letters, some are refused.
xdotool type --delay 40 WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
sleep 0.3
shot setup-long-name
[ "$(title_ink setup-long-name)" -gt "$t1" ] || fail "the caption does not follow the longer name"
echo "player setup: opened from the slot, all 28 controls in place, the caption follows the name"
# A budget of 6 points is entered and accepted; the boxes spend it when the dialog is next open.
click_mid 113 26 20 12
key End BackSpace
xdotool type 6
sleep 0.3
click_mid 186 6 50 14 # OK
click $((WX + 56)) $((WY + MENU + 56)) 3
wait_up setup-budget || fail "Player Setup did not open again"
turbo="16 75 80 12" warpmissile="145 133 80 12" bombs="16 64 80 12" warp="16 110 80 12" brk="16 122 80 12"
for b in "$turbo" "$warpmissile" "$bombs" "$warp" "$brk"; do click_mid $b; done
shot setup-bought
for b in "$turbo" "$warpmissile" "$bombs" "$warp"; do checked setup-bought $b || fail "box at $b was not bought"; done
checked setup-bought $brk && fail "Break was bought beyond the budget"
# Unchecking Bombs refunds 2 points, which buy Break.
click_mid $bombs
click_mid $brk
shot setup-refund
checked setup-refund $bombs && fail "Bombs did not uncheck"
checked setup-refund $brk || fail "the refund did not buy Break"
echo "player setup: 6 points buy four abilities, a fifth is refused, a refund buys it"

# --- the colour chooser: a strong cyan from the hue bar and the square ---------------------------
old_swatch=$(px "$out/screens/setup-refund.png" $((OX + 92)) $((OY + 50)))
# The chooser sits in the middle of the window, its caption bar 180 px above the middle.
cx=$((WX + 320)) cy=$((WY + 250))
chooser_up() { near "$(px "$out/screens/$1.png" $cx $((cy - 172)))" 000080; }
click_mid 4 24 50 14 # Color
wait_up chooser-open chooser_up || fail "Color opened no colour chooser"
near "$(px "$out/screens/chooser-open.png" $((cx + 62)) $((cy + 5)))" 00FFFF ||
  near "$(px "$out/screens/chooser-open.png" $((cx + 62)) $((cy + 5)))" 00FFFE ||
  echo "note: the hue bar is not where expected (see chooser-open.png)"
click $((cx + 62)) $((cy + 5))   # the hue bar at cyan
click $((cx + 45)) $((cy - 80))  # the square's brightest, fullest corner
shot chooser-picked
click $((cx - 95)) $((cy + 162)) # OK
wait_gone setup-coloured chooser_up || fail "OK did not close the colour chooser"
sleep 0.3
shot setup-coloured
swatch=$(px "$out/screens/setup-coloured.png" $((OX + 92)) $((OY + 50)))
[ "$swatch" != "$old_swatch" ] || fail "the swatch still shows #$old_swatch"
near "$swatch" 00FFFF || near "$swatch" 00F0FF || echo "note: the chosen colour is #$swatch"
echo "colour chooser: the swatch shows #$swatch"
# OK: the title screen shows again where Player Setup was, slot 0's frame in the new colour at once.
click_mid 186 6 50 14
wait_gone setup-ok || fail "OK did not close Player Setup"
for _ in $(seq 8); do shot setup-ok-title; near "$(cpx setup-ok-title 39 39)" "$swatch" && break; sleep 0.25; done
near "$(cpx setup-ok-title 39 39)" "$swatch" || fail "after OK slot 0's frame is #$(cpx setup-ok-title 39 39), not #$swatch"
echo "player setup: OK repaints the title, slot 0's frame in #$swatch"
click $((WX + 56)) $((WY + MENU + 56)) 3
wait_up setup-for-keys || fail "a right click on slot 0 opened no Player Setup again"

# --- Keys: the dialog accepts, the title screen asks for six keys, "Done!" ------------------------
click_mid 8 164 50 14
sleep 0.3
wait_gone keys-prompt || fail "Keys did not close Player Setup"
# The prompts are red text on black at x = 10: count the red pixels of a row in a window picture.
red_at() { convert "$1" -crop 60x18+10+$((MENU + $2)) +repage -fill black +opaque '#FF0000' \
  -fill white -opaque '#FF0000' -colorspace gray -format '%[fx:int(mean*1080)]' info:; }
# The next prompt follows each key at once, the pointer resting: the key's release is a message too.
key w
"$xshot" "$W" 1 0 "$out/after-up"
[ "$(red_at "$out/after-up-00.ppm" 140)" -ge 40 ] || fail "no \"Press down...\" after the first key"
for k in s a d q; do key $k; done
shot keys-five
"$xshot" "$W" 1 0 "$out/before-done"
xdotool key e
"$xshot" "$W" 20 15 "$out/done"
[ "$(red_at "$out/before-done-00.ppm" 240)" -lt 40 ] || fail "red text at (10, 240) before the sixth key"
done_seen=
for f in "$out"/done-*.ppm; do
  if [ "$(red_at "$f" 240)" -ge 40 ]; then
    done_seen=$f
    break
  fi
done
[ -n "$done_seen" ] || fail "no \"Done!\" after the sixth key"
convert "$done_seen" "$out/screens/keys-done.png"
wait_shows keys-title 5 150 20 "$g/players.bmp" 50 10 || fail "no title screen after the keys"
frame=$(cpx keys-title 39 39)
near "$frame" "$swatch" || fail "slot 0's frame is #$frame, the chosen colour #$swatch"
echo "keys: six keys captured, \"Done!\" shown, slot 0's frame in #$frame"

# --- the new keys steer slot 0's worm: it starts at the left edge heading right -------------------
# Quick window pictures (xshot), so the keys come while the worm is young.
wshot() { "$xshot" "$W" 1 0 "$out/$1" && convert "$out/$1-00.ppm" "$out/screens/$1.png"; }
wpx() { px "$out/screens/$1.png" "$2" $((MENU + $3)); } # client pixel of a window picture
trail_box() { # window picture: the box around slot 0's worm colour in the field
  convert "$out/screens/$1.png" -crop 600x400+0+$MENU +repage -fuzz 8% -fill black +opaque "#$swatch" \
    -format %@ info:
}
box_height() { local h=${1#*x}; echo "${h%%+*}"; }
# Polls a second for slot 0's trail to reach below its first row: the worm turned down. Sets trail.
turned_down() { # name
  for _ in $(seq 10); do
    wshot "$1"
    trail=$(trail_box "$1")
    [ "$(box_height "$trail")" -gt 10 ] && return 0
    sleep 0.1
  done
  return 1
}
# Runs a round started by `start`, keys for it, and F5 back to the title, as many as three times:
# the computers may shoot slot 0's worm before its keys come. True when it turned down in one.
steer_round() { # name start keys...
  local name=$1 start=$2 try k
  shift 2
  for try in 1 2 3; do
    $start "$name-$try"
    for k in "$@"; do key "$k"; done
    turned_down "$name-$try" && steered=1 || steered=
    key F5
    wait_shows "$name-title" 10 150 20 "$g/players.bmp" 50 10 || fail "F5 did not return to the title"
    [ -n "$steered" ] && return 0
  done
  return 1
}
f8_round() { # name
  xdotool key F8
  for _ in $(seq 60); do
    wshot "$1"
    near "$(wpx "$1" $FRAME_X $FRAME_Y)" $FRAME_COLOUR && return 0
    sleep 0.05
  done
  fail "F8 started no round"
}
steer_round steer f8_round s d || fail "slot 0's worm did not turn down and right with s and d (its trail: $trail)"
echo "steering: slot 0's trail spans $trail after s and d"

# --- the menus from the keyboard, as on every desktop ----------------------------------------------
key alt+t o # Option...
dialog_at 240 136 1
wait_up menu-alt-t-o || fail "Alt+T O opened no Preferences"
key Escape
wait_gone menu-prefs-gone || fail "Escape did not close Preferences"
key alt+t Down Return # Down from Option... past the separator to About...
dialog_at 240 120 0
wait_up menu-alt-t-down face_up || fail "Alt+T Down Enter opened no About"
click_mid 97 96 50 14
wait_gone menu-about-gone face_up || fail "OK did not close About"
menu_round() { # name
  key alt+f n # NewGame
  wait_round "$1" || fail "Alt+F N started no round"
}
# After Alt+F Escape, s reaches the game: slot 0's worm turns down.
steer_round menu-steer menu_round alt+f Escape s ||
  fail "after Alt+F Escape, s did not steer slot 0's worm (its trail: $trail)"
# A pointer resting on a title takes nothing from the keys; a click outside an open menu only
# closes it; a menu left by choosing with the mouse leaves no title lit.
file_lit() { # shot: does File's title stand out from the bar's far end?
  ! near "$(px "$out/screens/$1.png" $((WX + 6)) $((WY + 10)))" "$(px "$out/screens/$1.png" $((WX + 630)) $((WY + 10)))"
}
xdotool mousemove $((WX + 20)) $((WY + 10))
key alt+t
key Return
dialog_at 240 136 1
wait_up menu-pointer-on-file || fail "with the pointer on File, Alt+T Enter opened no Preferences"
key Escape
wait_gone menu-pointer-prefs-gone || fail "Escape did not close Preferences"
key alt+f
click $((WX + 300)) $((WY + MENU + 200)) 3
wait_gone menu-click-outside file_lit || fail "a right click outside the open File menu did not close it"
caption_up menu-click-outside && fail "the right click that closed the menu opened Preferences"
click $((WX + 300)) $((WY + MENU + 200)) 3
wait_up menu-click-after || fail "the right click after the menu closed opened no Preferences"
key Escape
wait_gone menu-click-prefs-gone || fail "Escape did not close Preferences"
click $((WX + 20)) $((WY + 10))
click $((WX + 30)) $((WY + 36)) # NewGame
wait_round menu-mouse-round || fail "File, NewGame with the mouse started no round"
wait_gone menu-mouse-round-bar file_lit || fail "File stays lit after NewGame was chosen with the mouse"
key F5
wait_shows menu-mouse-title 10 150 20 "$g/players.bmp" 50 10 || fail "F5 did not return to the title"
echo "menus by keyboard: Alt+T O, Alt+T Down Enter, Alt+F N, Alt+F Escape then a key for the game, Alt+T Enter under a pointer on File"
echo "menus by mouse: a click outside closes the menu and is used up, NewGame leaves File unlit"

# --- About from the menu bar: Escape leaves it open, OK closes it --------------------------------
click $((WX + 91)) $((WY + 10))
click $((WX + 90)) $((WY + 59))
dialog_at 240 120 0
wait_up about-open face_up || fail "About did not open"
check_controls about-open "$ABOUT_CONTROLS"
key Escape
shot about-escape
face_up about-escape || fail "Escape closed About"
click_mid 97 96 50 14
wait_gone about-closed face_up || fail "OK did not close About"
echo "about: opened from the menu bar, Escape leaves it open, OK closes it"

close_game
[ "$code" = 0 ] || fail "exit code $code after closing the window"
check_replays "$dir" 4
p=$dir/prefs.prf
name=$(head -c 32 "$p" | tr -d '\0')
case $name in Tarvo*W) ;; *) fail "stored name \"$name\"" ;; esac
# 35 letters were typed; a cut at 31 alone would keep 31.
[ ${#name} -lt 30 ] || fail "stored name \"$name\" is longer than its field"
[ "$(prefs_bytes "$p" 36 6)" = "3 12 14 16 2 0" ] || fail "abilities, speed, points: $(prefs_bytes "$p" 36 6)"
colour=$(od -An -tx1 -j32 -N3 "$p" | tr -d ' \n' | tr a-f A-F)
[ "$colour" = "$swatch" ] || fail "stored colour #$colour, shown #$swatch"
[ "$(prefs_bytes "$p" 168 1)" = 1 ] || fail "slot 0 is not human in the file"
keys="$(prefs_bytes "$p" 188 1) $(prefs_bytes "$p" 192 1) $(prefs_bytes "$p" 196 1) $(prefs_bytes "$p" 200 1) $(prefs_bytes "$p" 204 1) $(prefs_bytes "$p" 208 1)"
[ "$keys" = "87 83 65 68 81 69" ] || fail "keys of slot 0: $keys"
# audio16Bit filter 44k music musicVolume soundVolume sound stars; blocks; warp fast start
set -- $(prefs_bytes "$p" 180 8)
[ "$1 $2 $3 $4 $7 $8" = "0 0 0 0 0 1" ] || fail "check-box bytes $*"
[ "$5" = 64 ] || fail "music volume $5, dragged to the end"
[ "$6" -ge 16 ] && [ "$6" -le 48 ] || fail "sound volume $6, dragged half way"
[ "$(prefs_bytes "$p" 212 5)" = "0 0 0 0 0" ] || fail "blocks and options: $(prefs_bytes "$p" 212 5)"
[ "$(prefs_bytes "$p" 176 4)" = "0 0 0 0" ] || fail "game speed $(prefs_bytes "$p" 176 4)"
echo "dialogs: prefs.prf holds \"$name\", #$colour, Turbo Warp Break WarpMissile, speed 2, keys $keys, stars on, volumes $5/$6"

# === 2: a message box keeps all input from the game until its one OK =============================
RUN=msgbox
dir=$out/game-msgbox
make_dir "$dir"
start_game "$dir"
wait_text "$out/$RUN.out" "Sorry, can't read preferences." 10 || fail "no message box without prefs.prf"
sleep 0.5
shot box
click $((WX + 56)) $((WY + MENU + 56)) # slot 0, under no box
key F8
key alt+f
shot box-input
cmp -s <(convert "$out/screens/box.png" -crop 640x480+$WX+$((WY + MENU)) rgb:-) \
  <(convert "$out/screens/box-input.png" -crop 640x480+$WX+$((WY + MENU)) rgb:-) ||
  echo "note: the picture behind the box changed (the intro may still be drawing)"
key Return
wait_shows box-title 30 150 20 "$dir/graphics/players.bmp" 50 10 || fail "no title screen after OK"
sleep 0.5
shot box-after
shows box-after 50 50 "$dir/graphics/none.bmp" 10 10 || fail "the click under the box reached the game"
near "$(cpx box-after $FRAME_X $FRAME_Y)" $FRAME_COLOUR && fail "F8 under the box started a round"
close_game
[ "$code" = 0 ] || fail "exit code $code after the message box"
[ "$(prefs_bytes "$dir/prefs.prf" 168 8)" = "0 0 0 0 0 0 0 0" ] || fail "slot kinds changed under the box"
echo "msgbox: clicks and keys under the box reached nothing; Return took its OK"
# === 3: two players on one keyboard; every round is kept as a replay that plays back the same =====
# Arrows (slot 0: Remote Missile, Turbo; arrows, Ctrl fires, Shift) and Wasd (slot 1: Triple
# Missile, Bombs; W A S D, Ctrl fires, E) against two computers; Auto Start, stars, 50 ms ticks.
RUN=replays
dir=$out/game-replays
make_dir "$dir"
"$TARVEL_SIM" --preset pair --write-prefs "$dir/prefs.prf" --ticks 0 --no-pictures --quiet >/dev/null ||
  fail "the simulator wrote no prefs.prf"
start_game "$dir"
wait_shows replays-title 30 150 20 "$dir/graphics/players.bmp" 50 10 || fail "no title screen"
key F8
wait_round replays-round-1 || fail "F8 started no round"
# The remote missile goes with Ctrl, is steered up and right, and Ctrl hands it back; Turbo; Wasd
# goes up and lays a bomb, E again sets it off. F8 begins another round before this one ends.
for k in ctrl Up Right ctrl shift w e e F8 Down; do key $k; done
# Preferences over the round: the star background off.
key alt+t o
dialog_at 240 136 1
wait_up replays-prefs || fail "Alt+T O opened no Preferences over the round"
click_mid 20 32 86 12
click_mid 186 6 50 14
wait_gone replays-prefs-ok || fail "OK did not close Preferences"
key F5
wait_shows replays-title-2 10 150 20 "$dir/graphics/players.bmp" 50 10 || fail "F5 did not return to the title"
key F8 Left
# The round ends, and Auto Start begins the next one: the results leave the field.
wait_shows replays-results 120 300 180 "$dir/graphics/pagain.bmp" 200 30 || fail "the round never ended"
for _ in $(seq 40); do
  shot replays-auto
  shows replays-auto 300 180 "$dir/graphics/pagain.bmp" 200 30 || break
  sleep 0.5
done
shows replays-auto 300 180 "$dir/graphics/pagain.bmp" 200 30 && fail "Auto Start began no round"
close_game
[ "$code" = 0 ] || fail "exit code $code after the rounds"
check_replays "$dir" 4
kept=$(awk '$1 == "start" { print "start", $2 } $2 == "end" { print "end", $3 } $2 == "s" { print "settings" }' \
  "$dir"/replays/*.t4replay | sort -u | xargs)
for want in "start f8" "start auto" "end results" "end quit" settings; do
  [[ " $kept " == *" $want "* ]] || fail "no replay holds \"$want\" (they hold: $kept)"
done
echo "replays: rounds begun by F8 and Auto Start, left and played out, settings changed in one: $kept"
echo "e2e.dialogs: all passed; screenshots in $out/screens"
