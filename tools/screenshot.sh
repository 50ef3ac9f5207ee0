#!/usr/bin/env bash
# Saves a screenshot of the X display that Wine draws on: screenshot.sh out.png
set -euo pipefail
out=${1:-screenshot.png}
xwd -root -silent -display "${DISPLAY:?no display}" | convert xwd:- "$out"
echo "$out"
