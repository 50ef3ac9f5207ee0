#!/usr/bin/env bash
# Builds help.chm from the pages in help/:  make-help.sh <help folder> <work folder> <help.chm>
# The project, contents and index files are kept in UTF-8 and written in the help
# file's code page (GBK, for its Chinese language id) before chmcmd compiles them.
set -euo pipefail
src=$1 work=$2 out=$3
rm -rf "$work"
mkdir -p "$work"
cp -r "$src"/. "$work"/
for f in zelvane.hhp toc.hhc index.hhk; do
  iconv -f UTF-8 -t GBK "$src/$f" > "$work/$f"
done
sed -i 's/charset=utf-8/charset=gb2312/' "$work"/*.hhc "$work"/*.hhk 2>/dev/null || true
(cd "$work" && chmcmd --no-html-scan zelvane.hhp >chmcmd.log 2>&1) || { cat "$work/chmcmd.log" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
cp "$work/help.chm" "$out.tmp"
mv "$out.tmp" "$out"
