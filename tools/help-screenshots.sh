#!/usr/bin/env bash
# Makes the help's screenshots (help/images/*.png) from the running program on the
# virtual display: the main window over a sample library (新闻 selected, its web texts
# in the file list, the editor empty: it would show a text's HTML as text under Wine),
# its toolbar with the search box, and its folder tree with the pane's caption. Run it after the window changes, look at the pictures
# and commit them; the build takes the committed pictures into help.chm as they are.
#   bash tools/help-screenshots.sh        (after tools/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix-demo}
export WINE_ENV_DISPLAY=virtual
source "$root/tools/wine-env.sh"
tools="$root/build/win64/tools"
out="$root/help/images"
lib="$WINEPREFIX/drive_c/Zelvane"   # shown as C:\Zelvane
rm -rf "$lib"
mkdir -p "$lib/新闻/images" "$out"
cp "$root"/dist/win64/* "$lib/"
for f in 小说 散文 诗歌 天文 地理 历史; do mkdir -p "$lib/$f"; done
# The settings a first run writes (UTF-16 with byte-order mark), with 新闻 selected.
{ printf '\xff\xfe'; printf '[SEL]\r\nROUTE=新闻\r\n[FILENAME]\r\nLEN=10\r\n[OPENMSG]\r\nBSHOW=true\r\n[HOTKEY]\r\nGETKEYPROV=2\r\nGETKEYNEXT=0\r\nSAVEKEYPROV=2\r\nSAVEKEYNEXT=18\r\n' |
  iconv -f UTF-8 -t UTF-16LE; } > "$lib/Config.ini"
convert -size 160x90 xc:'#fff4d6' -fill '#c0392b' -draw 'circle 80,45 80,12' \
  -fill '#1f6f8b' -draw 'rectangle 10,70 150,80' "$lib/新闻/images/sample.png"
sample='<HTML><HEAD><TITLE>春天的公园</TITLE></HEAD><BODY><P><B>春天的公园</B></P><P>周末的公园里，樱花开了，游人很多。</P><P><IMG src="images/sample.png"></P></BODY></HTML>'
{ printf '\xff\xfe'; printf '%s' "$sample" | iconv -f UTF-8 -t UTF-16LE; } > "$lib/新闻/春天的公园.htm"
{ printf '\xff\xfe'; printf '%s' "${sample//春天的公园/秋天的山}" | iconv -f UTF-8 -t UTF-16LE; } > "$lib/新闻/秋天的山.htm"

timeout 30 "$WINE64" "$tools/clipdemo.exe" stop
"$WINE64" "$lib/Pagewick.exe" &
pid=$!
trap 'timeout 30 "$WINE64" "$tools/clipdemo.exe" stop >/dev/null 2>&1 || true; kill $pid 2>/dev/null || true' EXIT

# The main window, whole and in two parts, cut out of the display's picture.
sleep 2
rect=$(timeout 30 "$WINE64" "$tools/clipdemo.exe" window ZelvaneV1.3 | tr -d '\r' | sed -n 's/^RECT=//p')
[ -n "$rect" ] || { echo "help-screenshots: the main window did not come" >&2; exit 1; }
read -r x y w h <<< "$rect"
xwd -root -silent | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "$lib/window.png"
convert "$lib/window.png" "$out/main.png"
convert "$lib/window.png" -crop "${w}x100+0+0" +repage "$out/toolbar.png"      # caption, menu, toolbar
convert "$lib/window.png" -crop "165x150+0+104" +repage "$out/folders.png"     # the folder tree with its caption
ls -l "$out"
