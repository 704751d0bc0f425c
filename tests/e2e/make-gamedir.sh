#!/usr/bin/env bash
# Fills a directory with stand-in game files (plain pictures of the right sizes, the three texts),
# for when the build has not assembled the real game directory. Usage: make-gamedir.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir/graphics" "$dir/sounds"
g=$dir/graphics
pic() { convert -size "$2" "$3" "BMP3:$g/$1"; }
pic vex.bmp 640x480 gradient:'#203060-#000010'
pic 1tarv.bmp 310x50 xc:'#e0e0ff'
pic t4logo.bmp 600x400 gradient:'#400000-#000040'
pic players.bmp 100x20 xc:'#00c0c0'
pic quit.bmp 32x32 xc:'#c00000'
pic play.bmp 32x32 xc:'#00c000'
pic none.bmp 32x32 xc:'#404040'
pic human.bmp 32x32 xc:'#ff80ff'
pic comp.bmp 32x32 xc:'#8080ff'
pic ammo.bmp 31x9 xc:'#ffff80'
pic pagain.bmp 400x60 xc:'#806000'
pair() { # name mask size colour
  convert -size "$3x$3" "xc:$4" "BMP3:$g/$1.bmp"
  convert -size "$3x$3" xc:white -fill black -draw "circle $(($3/2)),$(($3/2)) $(($3/2)),1" "BMP3:$g/$2.bmp"
}
pair sexplo m_sexplo 20 '#ff8000'
pair lexplo m_lexplo 44 '#ff6000'
pair snova m_snova 84 '#ffffff'
pair pressed m_press 32 '#808000'
pair ammo1 m_ammo1 20 '#ffff00'
pair ammo2 m_ammo2 20 '#e0e000'
pair ammo3 m_ammo3 20 '#c0c000'
pair ammo4 m_ammo4 20 '#a0a000'
printf 'Tarvel 4 - up to four worms on one keyboard. ' > "$dir/about.txt"
printf 'Collect boxes, fire missiles, be the last worm in. ' > "$dir/about2.txt"
printf 'F8 starts a round, F5 returns here. ' > "$dir/about3.txt"
