#!/usr/bin/env bash
# The extension's serialiser in a real page of headless Chromium: the page runs the cases
# and writes PASS/FAIL lines; any FAIL, or no verdict at all, fails the test.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
out=$(timeout 90 chromium --headless --no-sandbox --disable-gpu --user-data-dir="$profile" \
  --allow-file-access-from-files --virtual-time-budget=10000 \
  --dump-dom "file://$here/serializer-page.html" 2>/dev/null)
report=$(printf '%s\n' "$out" | sed -n '/<pre id="out">/,/DONE/p' | sed 's/<[^>]*>//g')
printf '%s\n' "$report"
printf '%s\n' "$report" | grep -q '^DONE [1-9]' || { echo "no verdict from the page"; exit 1; }
! printf '%s\n' "$report" | grep -q '^FAIL'
