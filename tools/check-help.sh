#!/usr/bin/env bash
# Checks help.chm of both architectures with chmls: every file of the help project
# (pages, style sheet, screenshots), its contents and its index are in it; every page
# is in the contents; and the pages and the titles the help viewer stores are in the
# help file's code page (GBK), as its Chinese language id makes the viewer read them;
# the full-text index finds Chinese words on their pages (and nothing for a word that
# no page holds).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
project=$root/help/zelvane.hhp
expected=(toc.hhc index.hhk $(sed -n '/^\[FILES\]/,/^\[/{/^\[/d;/^ *$/d;p}' "$project" | tr -d '\r'))
[ "${#expected[@]}" -gt 5 ] || { echo "check-help: the project lists too few files" >&2; exit 1; }
grep -q '^images/.*\.png' <(printf '%s\n' "${expected[@]}") || { echo "check-help: no screenshots in the project" >&2; exit 1; }
pages=($(printf '%s\n' "${expected[@]}" | grep '\.htm$'))
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
fail() { echo "check-help: $*" >&2; status=1; }
for arch in win64 win32; do
  chm=$root/dist/$arch/help.chm
  listing=$(chmls list "$chm" 2>&1) || { fail "chmls cannot read $chm"; continue; }
  for f in "${expected[@]}"; do
    grep -q " /$f\$" <<< "$listing" || fail "$arch help.chm lacks /$f"
  done
  # The index has its keywords compiled in as well.
  grep -q ' /\$WWKeywordLinks/BTree$' <<< "$listing" || fail "$arch help.chm has no compiled index"

  chmls extract "$chm" /toc.hhc "$tmp/toc.hhc" >/dev/null 2>&1
  chmls extract "$chm" /#STRINGS "$tmp/strings" >/dev/null 2>&1
  for page in "${pages[@]}"; do
    grep -q "value=\"$page\"" "$tmp/toc.hhc" || fail "$arch contents lack $page"
    chmls extract "$chm" "/$page" "$tmp/page" >/dev/null 2>&1
    # A page that is not GBK does not convert; one still in UTF-8 converts to other characters.
    text=$(iconv -f GBK -t UTF-8 "$tmp/page" 2>/dev/null) || { fail "$arch $page is not GBK"; continue; }
    grep -qi 'charset=gb2312' <<< "$text" || fail "$arch $page does not name its code page"
    title=$(sed -n 's/.*<TITLE>\(.*\)<\/TITLE>.*/\1/p' "$root/help/$page")
    grep -qF "<TITLE>$title</TITLE>" <<< "$text" || fail "$arch $page: title \"$title\" is not stored in GBK"
    # The titles the search and the favourites show.
    grep -qF "$(printf '%s' "$title" | iconv -f UTF-8 -t GBK)" "$tmp/strings" ||
      fail "$arch: the stored title of $page is not \"$title\" in GBK"
  done

  # word: a page the search must give for it ("-" for none at all).
  for query in 热键:settings.htm 图片:pictures.htm 恢复:recovery.htm 搜索网文:search.htm 窗格:panes.htm \
               重复:duplicates.htm Firefox:browsers.htm 解除锁定:files.htm 炸药:-; do
    word=${query%%:*} page=${query#*:}
    found=$(python3 "$root/tools/chm-fulltext.py" lookup "$chm" "$word") || { fail "$arch: no full-text index"; break; }
    if [ "$page" = - ]; then
      [ -z "$found" ] || fail "$arch: searching $word finds $found"
    else
      grep -qx "$page" <<< "$found" || fail "$arch: searching $word does not find $page (finds: $found)"
    fi
  done
done
[ "$status" -eq 0 ] && echo "help.chm of win64 and win32: ${#expected[@]} files each, ${#pages[@]} pages in the contents, GBK pages and titles, Chinese words found"
exit "$status"
