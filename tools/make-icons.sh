#!/usr/bin/env bash
# Makes the program's .ico files from the icon theme named in packaging/icons.txt:
#   make-icons.sh <icons.txt> <output folder>
# Each icon holds 16, 32 and 48 pixel images, 32-bit with alpha. A size the theme
# lacks is scaled down from the next larger one it has.
set -euo pipefail
list=$1 out=$2
convert=/usr/bin/convert   # ImageMagick itself
mkdir -p "$out"
theme=
pick() {   # pick <name> <size>: the theme's picture nearest above the size
  local name=$1 size=$2 s f
  for s in $size 24 48 64 96 256; do
    [ "$s" -ge "$size" ] || continue
    for f in "$theme/${s}x${s}"/*/"$name.png"; do
      [ -f "$f" ] && { echo "$f"; return; }
    done
  done
  echo "make-icons: $name is not in $theme" >&2; exit 1
}
while read -r file name _; do
  case "$file" in ''|'#'*) continue ;; theme) theme=$name; continue ;; esac
  parts=()
  for size in 16 32 48; do
    src=$(pick "$name" "$size")
    "$convert" "$src" -background none -filter Lanczos -resize "${size}x${size}" \
      -define png:color-type=6 "PNG32:$out/.$file.$size.png"
    parts+=("$out/.$file.$size.png")
  done
  "$convert" "${parts[@]}" "ICO:$out/$file.tmp"
  mv "$out/$file.tmp" "$out/$file"
  rm -f "${parts[@]}"
done < "$list"
