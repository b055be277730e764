#!/usr/bin/env bash
# Draws the program icon (a rising price line on a dark tile) into res/tkvn.ico.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 32x32 xc:'#12305a' \
  -fill '#1f4f8f' -draw 'rectangle 2,2 29,29' \
  -stroke '#f2c230' -strokewidth 3 -fill none -draw 'polyline 4,25 11,17 17,21 27,7' \
  -stroke '#ffffff' -strokewidth 1 -draw 'line 4,28 28,28' \
  -define icon:auto-resize=32,16 tkvn.ico
