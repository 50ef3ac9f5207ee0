#!/usr/bin/env bash
# Runs a Windows program under Wine (or a shell script, with Wine's environment) with the
# display at the given DPI (96, 144, 192...):
#   at-dpi.sh <dpi> <program.exe | script.sh> [arguments...]
# Under Wine the system DPI is the LogPixels setting, read when the server starts. The
# runs at other scales get a Wine prefix of their own (build/wineprefix-dpi), so the
# prefix and server that every other test shares are never changed or restarted.
set -euo pipefail
dpi=$1; shift
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$root/build/wineprefix-dpi
source "$root/tools/wine-env.sh"
timeout 60 "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
# The new DPI takes effect with a new server; this prefix's server ends with the run.
"$WINESERVER" -k 2>/dev/null || true
timeout 60 "$WINESERVER" -w || true
"$WINESERVER" -p
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
case "$1" in
  *.exe) timeout 280 "$WINE64" "$@" ;;
  *) timeout 280 bash "$@" ;;
esac
