#!/usr/bin/env bash
# Checks what the build gives Windows users in dist/: for each architecture an
# installer for that processor named with the project's version, and a zip whose
# Zelvane folder holds every file of packaging/files.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(Zelvane VERSION \([0-9]*\.[0-9]*\).*/\1/p' "$root/CMakeLists.txt")
status=0
fail() { echo "check-archives: $*" >&2; status=1; }
for arch in win64 win32; do
  setup=$root/dist/Zelvane-$version-$arch-setup.exe
  zipfile=$root/dist/Zelvane-$version-$arch.zip
  format=pei-x86-64; [ "$arch" = win32 ] && format=pei-i386
  if [ -f "$setup" ]; then
    x86_64-w64-mingw32-objdump -f "$setup" | grep -q "file format $format" || fail "$setup is not $format"
  else
    fail "$setup is missing"
  fi
  listing=$(unzip -Z1 "$zipfile" 2>/dev/null) || { fail "$zipfile cannot be read"; continue; }
  while read -r line; do
    case "$line" in ''|'#'*) continue ;; esac
    name=${line#\?}
    [ "$name" != "$line" ] && [ ! -e "$root/dist/$arch/$name" ] && continue
    # A folder (the browser extension) ships every file it holds.
    if [ -d "$root/dist/$arch/$name" ]; then
      shipped=$(cd "$root/dist/$arch" && find "$name" -type f | sort)
    else
      shipped=$name
    fi
    [ -n "$shipped" ] || fail "dist/$arch/$name is empty"
    while read -r f; do
      [ -n "$f" ] || continue
      grep -qxF "Zelvane/$f" <<< "$listing" || { fail "$zipfile lacks Zelvane/$f"; continue; }
      cmp -s <(unzip -p "$zipfile" "Zelvane/$f") "$root/dist/$arch/$f" || fail "Zelvane/$f in $zipfile differs from dist/$arch"
    done <<< "$shipped"
  done < "$root/packaging/files.txt"
  # The 64-bit package's 32-bit Linkmoss, for the browsers' 32-bit tab processes.
  if [ "$arch" = win64 ] && [ -f "$root/dist/win32/Linkmoss.dll" ]; then
    cmp -s <(unzip -p "$zipfile" Zelvane/x86/Linkmoss.dll) "$root/dist/win32/Linkmoss.dll" ||
      fail "$zipfile lacks the 32-bit Linkmoss.dll of dist/win32 in Zelvane/x86"
  fi
done
[ "$status" -eq 0 ] && echo "dist: installers and zips of win64 and win32, version $version"
exit "$status"
