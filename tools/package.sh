#!/usr/bin/env bash
# Makes the installer and the portable zip of one architecture from dist/<arch>/:
#   package.sh <win64|win32> <program icon>
# dist/Zelvane-<version>-<arch>-setup.exe and dist/Zelvane-<version>-<arch>.zip hold the
# files listed in packaging/files.txt; the version is the programs' (Pagewick.rc).
# Nothing is made again while both are newer than everything they are made from.
set -euo pipefail
arch=$1 icon=$2
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$root/dist/$arch
work=$root/build/package/$arch
fileversion=$(sed -n 's/^ *FILEVERSION *\([0-9]*\),\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1.\2.\3.\4/p' "$root/src/resources/Pagewick.rc")
[ -n "$fileversion" ] || { echo "package: no FILEVERSION in Pagewick.rc" >&2; exit 1; }
version=$(echo "$fileversion" | cut -d. -f1,2)
setup=$root/dist/Zelvane-$version-$arch-setup.exe
zipfile=$root/dist/Zelvane-$version-$arch.zip

files=()
while read -r line; do
  case "$line" in ''|'#'*) continue ;; esac
  name=${line#\?}
  if [ ! -e "$dist/$name" ]; then
    [ "$name" != "$line" ] && continue   # optional and not built
    echo "package: $dist/$name is missing" >&2; exit 1
  fi
  files+=("$name")
done < "$root/packaging/files.txt"

inputs=("$root/packaging/files.txt" "$root/packaging/zelvane.nsi" "$0" "$icon")
for f in "${files[@]}"; do
  if [ -d "$dist/$f" ]; then while IFS= read -r g; do inputs+=("$g"); done < <(find "$dist/$f" -type f); else inputs+=("$dist/$f"); fi
done
# The names shipped last time: an optional file that went away also asks for a new package.
stamp=$root/build/package/$arch.files
if [ -f "$setup" ] && [ -f "$zipfile" ] && [ "$(cat "$stamp" 2>/dev/null)" = "${files[*]}" ] &&
   [ -z "$(find "${inputs[@]}" -newer "$setup" -o -newer "$zipfile" | head -1)" ]; then
  exit 0
fi

rm -rf "$work"
mkdir -p "$work/Zelvane"
{
  echo '!macro ShipFiles'
  # A folder (the browser extension) goes whole, under its own name.
  for f in "${files[@]}"; do
    if [ -d "$dist/$f" ]; then echo "  File /r \"$dist/$f\""; else echo "  File \"$dist/$f\""; fi
  done
  echo '!macroend'
  echo '!macro UnshipFiles'
  # Every name of the list, also those this build did not make: an older
  # installation may hold them. A file in use (the extension loaded by a browser)
  # goes at the next restart.
  sed -n 's/^?\{0,1\}\([^#].*[^ ]\) *$/  Delete \/REBOOTOK "$INSTDIR\\\1"/p' "$root/packaging/files.txt"
  echo '!macroend'
} > "$work/files.nsh"
makensis -V2 -DARCH="$arch" -DVERSION="$version" -DFILEVERSION="$fileversion" \
  -DOUTFILE="$setup.tmp" -DICON="$icon" -DFILES="$work/files.nsh" "$root/packaging/zelvane.nsi"
mv "$setup.tmp" "$setup"

for f in "${files[@]}"; do cp -r "$dist/$f" "$work/Zelvane/"; done
rm -f "$zipfile.tmp"
(cd "$work" && zip -q -X -r "$zipfile.tmp" Zelvane)
mv "$zipfile.tmp" "$zipfile"
echo "${files[*]}" > "$stamp"
echo "package: $setup"
echo "package: $zipfile"
