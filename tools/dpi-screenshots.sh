#!/usr/bin/env bash
# Makes docs/main-window-144.png: the main window (a sample web text in a sample library)
# at 150 % display scale (144 DPI), in the Wine prefix of the display-scale tests. Run it after the window changes, look at the
# pictures and commit them.
#   bash tools/dpi-screenshots.sh        (after tools/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" != --at-dpi ]; then
  export WINE_ENV_DISPLAY=virtual
  exec bash "$root/tests/dpi/at-dpi.sh" 144 "$0" --at-dpi
fi
tools="$root/build/win64/tools"
lib="$WINEPREFIX/drive_c/Zelvane"   # shown as C:\Zelvane
rm -rf "$lib"
mkdir -p "$lib/新闻/images" "$root/docs"
cp "$root"/dist/win64/* "$lib/"
for f in 小说 散文 诗歌 天文 地理 历史; do mkdir -p "$lib/$f"; done
# The settings a first run writes (UTF-16 with byte-order mark), with 新闻 selected.
{ printf '\xff\xfe'; printf '[SEL]\r\nROUTE=新闻\r\n[FILENAME]\r\nLEN=10\r\n[OPENMSG]\r\nBSHOW=true\r\n[HOTKEY]\r\nGETKEYPROV=2\r\nGETKEYNEXT=0\r\nSAVEKEYPROV=2\r\nSAVEKEYNEXT=18\r\n' |
  iconv -f UTF-8 -t UTF-16LE; } > "$lib/Config.ini"
for name in 春天的公园 秋天的山 海边来信; do
  { printf '\xff\xfe'
    printf '<HTML><HEAD><TITLE>%s</TITLE></HEAD><BODY><P><B>%s</B></P><P>周末的公园里，樱花开了，游人很多。</P></BODY></HTML>' "$name" "$name" |
      iconv -f UTF-8 -t UTF-16LE; } > "$lib/新闻/$name.htm"
done

"$WINE64" "$lib/Pagewick.exe" "C:\\Zelvane\\新闻\\春天的公园.htm" &
pid=$!
trap 'timeout 30 "$WINE64" "$tools/clipdemo.exe" stop >/dev/null 2>&1 || true; kill $pid 2>/dev/null || true' EXIT
sleep 3
shot() {   # shot <caption> <output>: the window, cut out of the display's picture
  local rect x y w h
  rect=$(timeout 30 "$WINE64" "$tools/clipdemo.exe" window "$1" | tr -d '\r' | sed -n 's/^RECT=//p')
  [ -n "$rect" ] || { echo "dpi-screenshots: no window $1" >&2; exit 1; }
  read -r x y w h <<< "$rect"
  sleep 1   # let it paint
  xwd -root -silent -display "$DISPLAY" | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "$2"
}
shot ZelvaneV1.3 "$root/docs/main-window-144.png"
ls -l "$root/docs"/*-144.png
