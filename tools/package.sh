#!/usr/bin/env bash
# Makes the installer and the portable zip of one architecture from dist/<arch>/:
#   package.sh <win64|win32> <program icon>
# dist/Zelvane-<version>-<arch>-setup.exe and dist/Zelvane-<version>-<arch>.zip hold the
# files listed in packaging/files.txt; the version is the project's (CMakeLists.txt).
# Nothing is made again while both are newer than everything they are made from.
# With a certificate in ZELVANE_SIGN_PKCS12 (see sign.sh) the programs, the uninstaller
# and the installer are signed; PACKAGE_DIR puts installer and zip elsewhere than dist/.
set -euo pipefail
arch=$1 icon=$2
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$root/dist/$arch
out=${PACKAGE_DIR:-$root/dist}
work=$root/build/package/$arch
[ -n "${PACKAGE_DIR:-}" ] && work=$out/work/$arch
fileversion=$(sed -n 's/^project(Zelvane VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
[ -n "$fileversion" ] || { echo "package: no project version in CMakeLists.txt" >&2; exit 1; }
version=$(echo "$fileversion" | cut -d. -f1,2)
setup=$out/Zelvane-$version-$arch-setup.exe
zipfile=$out/Zelvane-$version-$arch.zip
sign=$root/tools/sign.sh

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

# The browsers' tab processes on 64-bit Windows are 32-bit: the 64-bit package also
# carries the 32-bit Linkmoss (from the 32-bit build, when it was made) in x86\.
linkmoss32=$root/dist/win32/Linkmoss.dll
if [ "$arch" = win64 ] && [ -f "$linkmoss32" ]; then files+=("x86/Linkmoss.dll"); fi

inputs=("$root/CMakeLists.txt" "$root/packaging/files.txt" "$root/packaging/zelvane.nsi" "$0" "$sign" "$icon")
for f in "${files[@]}"; do
  if [ "$f" = x86/Linkmoss.dll ]; then inputs+=("$linkmoss32")
  elif [ -d "$dist/$f" ]; then while IFS= read -r g; do inputs+=("$g"); done < <(find "$dist/$f" -type f)
  else inputs+=("$dist/$f"); fi
done
# The names shipped last time: an optional file that went away also asks for a new package.
stamp=$work.files
if [ -z "${ZELVANE_SIGN_PKCS12:-}" ] && [ -f "$setup" ] && [ -f "$zipfile" ] && [ "$(cat "$stamp" 2>/dev/null)" = "${files[*]}" ] &&
   [ -z "$(find "${inputs[@]}" -newer "$setup" -o -newer "$zipfile" | head -1)" ]; then
  exit 0
fi

rm -rf "$work"
mkdir -p "$work/Zelvane"
# The shipped copies, signed when a certificate is given; dist/ keeps what the build made.
for f in "${files[@]}"; do
  if [ "$f" = x86/Linkmoss.dll ]; then mkdir -p "$work/Zelvane/x86"; cp "$linkmoss32" "$work/Zelvane/$f"
  else cp -r "$dist/$f" "$work/Zelvane/"; fi
done
(cd "$work/Zelvane" && bash "$sign" *.exe *.dll $(ls x86/*.dll 2>/dev/null))
{
  echo '!macro ShipFiles'
  # A folder (the browser extension) goes whole, under its own name.
  for f in "${files[@]}"; do
    case "$f" in
      */*) echo "  SetOutPath \"\$INSTDIR\\${f%/*}\""; echo "  File \"$work/Zelvane/$f\""; echo '  SetOutPath "$INSTDIR"' ;;
      *) if [ -d "$work/Zelvane/$f" ]; then echo "  File /r \"$work/Zelvane/$f\""; else echo "  File \"$work/Zelvane/$f\""; fi ;;
    esac
  done
  echo '!macroend'
  echo '!macro UnshipFiles'
  # Every name of the list, also those this build did not make: an older
  # installation may hold them.
  sed -n 's/^?\{0,1\}\([^#].*[^ ]\) *$/  Delete "$INSTDIR\\\1"/p' "$root/packaging/files.txt"
  echo '  Delete "$INSTDIR\x86\Linkmoss.dll"'
  echo '  RMDir "$INSTDIR\x86"'
  echo '!macroend'
} > "$work/files.nsh"
# Programs and Features shows the program's size: the shipped files, in KB.
program_kb=$(( ($(cd "$work/Zelvane" && find "${files[@]}" -type f -exec cat {} + | wc -c) + 1023) / 1024 ))
makensis -V2 -DPROGRAM_KB="$program_kb" -DARCH="$arch" -DVERSION="$version" -DFILEVERSION="$fileversion" \
  -DOUTFILE="$setup.tmp" -DICON="$icon" -DFILES="$work/files.nsh" -DSIGN="$sign" -DSIGNED_COPY="$work/uninstall.exe" \
  "$root/packaging/zelvane.nsi"
bash "$sign" "$setup.tmp"
mv "$setup.tmp" "$setup"

rm -f "$zipfile.tmp"
(cd "$work" && zip -q -X -r "$zipfile.tmp" Zelvane)
mv "$zipfile.tmp" "$zipfile"
echo "${files[*]}" > "$stamp"
echo "package: $setup"
echo "package: $zipfile"
