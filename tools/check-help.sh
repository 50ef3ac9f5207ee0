#!/usr/bin/env bash
# Checks help.chm of both architectures with chmls: every file of the help project
# (pages, style sheet, screenshots), its contents and its index are in it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
project=$root/help/zelvane.hhp
expected=(toc.hhc index.hhk $(sed -n '/^\[FILES\]/,/^\[/{/^\[/d;/^ *$/d;p}' "$project" | tr -d '\r'))
[ "${#expected[@]}" -gt 5 ] || { echo "check-help: the project lists too few files" >&2; exit 1; }
grep -q '^images/.*\.png' <(printf '%s\n' "${expected[@]}") || { echo "check-help: no screenshots in the project" >&2; exit 1; }
status=0
for arch in win64 win32; do
  chm=$root/dist/$arch/help.chm
  listing=$(chmls list "$chm" 2>&1) || { echo "check-help: chmls cannot read $chm" >&2; status=1; continue; }
  for f in "${expected[@]}"; do
    grep -q " /$f\$" <<< "$listing" || { echo "check-help: $arch help.chm lacks /$f" >&2; status=1; }
  done
  # The index has its keywords compiled in as well.
  grep -q ' /\$WWKeywordLinks/BTree$' <<< "$listing" || { echo "check-help: $arch help.chm has no compiled index" >&2; status=1; }
done
[ "$status" -eq 0 ] && echo "help.chm of win64 and win32: ${#expected[@]} files each, with contents and index"
exit "$status"
