#!/bin/sh
# Draws the button pictures and the window icon with ImageMagick; the PNG
# files are kept in the repository, so this runs only when a picture changes.
set -e
cd "$(dirname "$0")"

# Two joined plugs: connected.
convert -size 32x32 xc:none -stroke '#d7801a' -strokewidth 2 -fill '#b1b1b1' \
  -draw 'roundrectangle 3,11 14,21 2,2' -draw 'roundrectangle 18,11 29,21 2,2' \
  -draw 'line 14,14 18,14' -draw 'line 14,18 18,18' \
  -stroke '#b1b1b1' -draw 'line 0,16 3,16' -draw 'line 29,16 32,16' connect.png

# A single plug, its prongs bare: disconnected.
convert -size 32x32 xc:none -stroke '#d7801a' -strokewidth 2 -fill '#b1b1b1' \
  -draw 'roundrectangle 6,10 18,22 2,2' \
  -stroke '#b1b1b1' -draw 'line 18,13 26,13' -draw 'line 18,19 26,19' -draw 'line 0,16 6,16' disconnect.png

# A broom: clears the console.
convert -size 32x32 xc:none -stroke '#8b5a2b' -strokewidth 3 -draw 'line 24,3 14,18' \
  -stroke '#d7801a' -strokewidth 1 -fill '#ffa02f' \
  -draw 'polygon 10,15 19,21 13,30 3,24' \
  -stroke '#8b4513' -draw 'line 5,25 11,29' -draw 'line 7,22 13,26' clear.png

# The window icon: a mobile telephone with an orange screen.
convert -size 64x64 xc:none -stroke '#b1b1b1' -strokewidth 3 -fill '#323232' \
  -draw 'roundrectangle 18,4 46,60 6,6' -stroke none -fill '#ffa02f' \
  -draw 'rectangle 22,12 42,44' -fill '#b1b1b1' -draw 'circle 32,52 32,55' dorvak-admin.png
