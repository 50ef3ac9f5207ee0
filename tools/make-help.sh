#!/usr/bin/env bash
# Builds help.chm from the pages in help/:  make-help.sh <help folder> <work folder> <help.chm>
# Everything is kept in UTF-8 and written in the help file's code page (GBK, for its
# Chinese language id) before chmcmd compiles it: the project, contents, index and
# every page, so the full-text index holds the Chinese words and the stored titles
# are in one encoding the help viewer reads. chm-fulltext.py then writes the search
# index with the Chinese words.
set -euo pipefail
src=$1 work=$2 out=$3
rm -rf "$work"
mkdir -p "$work"
cp -r "$src"/. "$work"/
for f in "$src"/zelvane.hhp "$src"/toc.hhc "$src"/index.hhk "$src"/*.htm; do
  iconv -f UTF-8 -t GBK "$f" > "$work/$(basename "$f")"
done
sed -i 's/charset=utf-8/charset=gb2312/I' "$work"/*.hhc "$work"/*.hhk "$work"/*.htm
(cd "$work" && chmcmd --no-html-scan zelvane.hhp >chmcmd.log 2>&1) || { cat "$work/chmcmd.log" >&2; exit 1; }
# The compiler's search index knows only Latin words: one with the Chinese ones replaces it.
python3 "$(dirname "$0")/chm-fulltext.py" write "$work/help.chm"
mkdir -p "$(dirname "$out")"
cp "$work/help.chm" "$out.tmp"
mv "$out.tmp" "$out"
