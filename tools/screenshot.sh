#!/usr/bin/env bash
# Saves a PNG of the test display (or the display named by DISPLAY): tools/screenshot.sh out.png
set -euo pipefail
import -display "${DISPLAY:?no display}" -window root "${1:?usage: screenshot.sh out.png}"
