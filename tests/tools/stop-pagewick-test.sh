#!/usr/bin/env bash
# The command that the run command prints at its end ends the program it started: a
# Pagewick started in this Wine prefix (as run-pagewick.sh starts one in its own) ends.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
lib=$(mktemp -d /tmp/zelvane-stop.XXXXXX)
trap 'rm -rf "$lib"' EXIT
cp "$root"/dist/win64/* "$lib/"
printf '[SEL]\r\nROUTE=0\r\n[FILENAME]\r\nLEN=10\r\n[OPENMSG]\r\nBSHOW=true\r\n[HOTKEY]\r\nGETKEYPROV=2\r\nGETKEYNEXT=0\r\nSAVEKEYPROV=2\r\nSAVEKEYNEXT=18\r\n' >"$lib/Config.ini"
hint=$(grep -o 'End it with: .*"' "$root/tools/run-pagewick.sh" | sed 's/^End it with: //; s/"$//')
[ "$hint" = 'bash $root/tools/stop-pagewick.sh' ] || { echo "unexpected hint: $hint"; exit 1; }
"$WINE64" "$lib/Pagewick.exe" </dev/null >/dev/null 2>&1 &
pid=$!
sleep 5
kill -0 "$pid" 2>/dev/null || { echo "Pagewick did not start"; exit 1; }
WINEPREFIX=$WINEPREFIX bash "$root/tools/stop-pagewick.sh"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$pid" 2>/dev/null; then
  echo "Pagewick still runs after the printed command"
  kill "$pid"
  exit 1
fi
echo "Pagewick ended."
