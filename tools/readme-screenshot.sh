#!/usr/bin/env bash
# Makes docs/main-window.png, the README's picture of the main window: the demo of
# run-pagewick.sh on the virtual display (a capture saved into 新闻), a few more web
# texts in 新闻, then one more capture left in the editor and the window maximized.
#   bash tools/readme-screenshot.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
library=$root/build/readme-library
export ZELVANE_LIBRARY=$library WINE_ENV_DISPLAY=virtual WINEPREFIX=$root/build/wineprefix-demo
# A fresh library each time: a Pagewick of an earlier run is ended first.
if [ -f "$WINEPREFIX/.zelvane-ready" ]; then
  (source "$root/tools/wine-env.sh" && timeout 30 "$WINESERVER" -k) || true
fi
rm -rf "$library"
bash "$root/tools/run-pagewick.sh"
source "$root/tools/wine-env.sh"
tools="$root/build/win64/tools"
# Web texts as the program writes them: UTF-16LE with a byte-order mark.
for name in 城市夜读 山间小记 海边来信; do
  { printf '\xff\xfe'
    printf '<HTML><HEAD><TITLE>%s</TITLE></HEAD><BODY><P>%s</P></BODY></HTML>' "$name" "$name" |
      iconv -f UTF-8 -t UTF-16LE; } > "$library/新闻/$name.htm"
  sleep 1
done
site=$root/build/readme-site
mkdir -p "$site"
cat > "$site/fragment.html" <<'HTML'
<P><B>秋天的银杏</B></P><P>清晨的街道铺满了金黄的银杏叶，行人放慢了脚步。</P><P>这段文字由 Zelvane 从浏览器中捕获。</P>
HTML
title="Zelvane readme page"
"$WINE64" "$tools/TestBrowser.exe" --html "Z:$site/fragment.html" --source "http://example.com/autumn.html" \
  --title "$title" &
browser=$!
trap 'kill $browser 2>/dev/null || true' EXIT
timeout 120 "$WINE64" "$tools/clipdemo.exe" grab "$title" "秋天的银杏"
sleep 2
mkdir -p "$root/docs"
xwd -root -silent -display "$DISPLAY" | convert xwd:- -crop 1024x768+0+0 +repage "$root/docs/main-window.png"
echo "Screenshot: $root/docs/main-window.png"
