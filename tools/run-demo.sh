#!/usr/bin/env bash
# The main job on the virtual display: a local HTTP server serves a picture, the
# stand-in browser shows a fragment referring to it, Pagewick captures the fragment
# and saves it into the 新闻 folder; then the saved file is shown.
#   run-demo.sh <library folder> <tools folder>   (Wine environment already set up)
set -euo pipefail
library=$1 tools=$2
root=$(cd "$(dirname "$0")/.." && pwd)
site="$root/build/demo-site"
rm -rf "$site"
mkdir -p "$site/pictures"
server_pid= browser_pid=
cleanup() {
  for pid in $browser_pid $server_pid; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in $browser_pid $server_pid; do
    timeout 10 tail --pid="$pid" -f /dev/null 2>/dev/null || true
  done
}
trap cleanup EXIT

convert -size 160x90 xc:'#fff4d6' -fill '#c0392b' -draw 'circle 80,45 80,12' \
  -fill '#1f6f8b' -draw 'rectangle 10,70 150,80' "$site/pictures/sample.png"
# The server ends by itself after two minutes in any case.
"$WINE64" "$tools/httpserver.exe" "Z:$site" "Z:$site/port" 0 120 &
server_pid=$!
for _ in $(seq 150); do
  [ -s "$site/port" ] && break
  sleep 0.1
done
[ -s "$site/port" ] || { echo "The demo's HTTP server did not start." >&2; exit 1; }
port=$(cat "$site/port")
# The time stamp begins the text, so each run proposes a new file name.
stamp=$(date +%H%M%S)
cat > "$site/fragment.html" <<HTML
<P><B>演示 $stamp：</B>网文剪辑的示例片段。</P><P>这是一张图片：<IMG src="pictures/sample.png" alt="示例图片"></P>
HTML
title="Zelvane demo page"
"$WINE64" "$tools/TestBrowser.exe" --html "Z:$site/fragment.html" \
  --source "http://127.0.0.1:$port/article.html" --title "$title" &
browser_pid=$!
echo "Test browser shows a fragment from http://127.0.0.1:$port/article.html with the picture pictures/sample.png."
out="$site/clipdemo.log"
status=0
timeout 180 "$WINE64" "$tools/clipdemo.exe" capture "$title" "$stamp" > "$out" 2>&1 || status=$?
grep -v '^SAVED=' "$out" || true
if [ "$status" -ne 0 ]; then
  echo "The capture and save did not complete (exit $status)." >&2
  exit 1
fi
name=$(sed -n 's/^SAVED=//p' "$out" | tr -d '\r')
saved="$library/新闻/$name"
[ -f "$saved" ] || { echo "The saved file is missing: $saved" >&2; exit 1; }
echo
echo "Saved file: $saved"
echo "Its first 300 characters (UTF-16LE):"
# The byte-order mark is skipped; UTF-32 makes the cut fall between characters.
tail -c +3 "$saved" | iconv -f UTF-16LE -t UTF-32LE | head -c 1200 | iconv -f UTF-32LE -t UTF-8
echo
echo
echo "Pictures in $library/新闻/images (* = the saved file refers to it):"
used=$(tail -c +3 "$saved" | iconv -f UTF-16LE -t UTF-8 | grep -o 'src="images/[^"]*"' | sed 's/^src="images\///; s/"$//' || true)
while IFS= read -r picture; do
  mark=" "
  grep -qxF "$picture" <<<"$used" && mark="*"
  printf '  %s %s  %s bytes\n' "$mark" "$picture" "$(stat -c %s "$library/新闻/images/$picture")"
done < <(find "$library/新闻/images" -maxdepth 1 -type f -printf '%f\n' | sort)
