#!/usr/bin/env bash
# Ends the Pagewick that tools/run-pagewick.sh left running: it runs in the demo's own
# Wine prefix, so a plain "wineserver -k" (default prefix) would not reach it. Text left in
# its editor is not kept (the demo saved its capture already).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix-demo}
if [ ! -d "$WINEPREFIX" ]; then
  echo "No Wine prefix $WINEPREFIX: nothing runs there."
  exit 0
fi
source "$root/tools/wine-env.sh"
timeout 60 "$WINE64" "$root/build/win64/tools/clipdemo.exe" stop
echo "Pagewick in $WINEPREFIX has ended."
