#!/usr/bin/env bash
# Makes the program's .ico files from the icon theme named in packaging/icons.txt:
#   make-icons.sh <icons.txt> <output folder>
# Each icon holds 16, 20, 24, 32, 40, 48 and 64 pixel images, 32-bit with alpha: the
# sizes of the 16 and 32 pixel pictures at 100, 125, 150 and 200 % display scale. A size
# the theme lacks is scaled down from the next larger one it has (up from its largest,
# where 64 pixels is larger than any it has).
set -euo pipefail
list=$1 out=$2
convert=/usr/bin/convert   # ImageMagick itself
mkdir -p "$out"
theme=
pick() {   # pick <name> <size>: the theme's picture nearest above the size, else its largest
  local name=$1 size=$2 s f largest=
  for s in 16 22 24 32 48 64 96 256 512; do
    for f in "$theme/${s}x${s}"/*/"$name.png"; do
      [ -f "$f" ] || continue
      [ "$s" -ge "$size" ] && { echo "$f"; return; }
      largest=$f
    done
  done
  [ -n "$largest" ] && { echo "$largest"; return; }
  echo "make-icons: $name is not in $theme" >&2; exit 1
}
while read -r file name _; do
  case "$file" in ''|'#'*) continue ;; theme) theme=$name; continue ;; esac
  parts=()
  for size in 16 20 24 32 40 48 64; do
    src=$(pick "$name" "$size")
    "$convert" "$src" -background none -filter Lanczos -resize "${size}x${size}" \
      -define png:color-type=6 "PNG32:$out/.$file.$size.png"
    parts+=("$out/.$file.$size.png")
  done
  "$convert" "${parts[@]}" "ICO:$out/$file.tmp"
  mv "$out/$file.tmp" "$out/$file"
  rm -f "${parts[@]}"
done < "$list"
