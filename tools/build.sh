#!/usr/bin/env bash
# Builds both targets: build/win64 (with tests) and build/win32 (release).
# The programs land in dist/win64 and dist/win32.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
# win32 first: the 64-bit package also carries the 32-bit Linkmoss.
for arch in win32 win64; do
  tc=$root/cmake/mingw-x86_64.cmake; testing=ON
  [ "$arch" = win32 ] && { tc=$root/cmake/mingw-i686.cmake; testing=OFF; }
  if [ ! -f "$root/build/$arch/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$root/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$tc" \
      -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=$testing -DDIST_DIR="$root/dist/$arch" >/dev/null
  fi
  cmake --build "$root/build/$arch" -j "$jobs"
done
# The browser extension packed for Firefox or for unpacking (web-ext comes from setup.sh).
web_ext=$root/build/node/node_modules/.bin/web-ext
if [ -x "$web_ext" ]; then
  "$web_ext" build --source-dir "$root/dist/win64/browser-extension" --artifacts-dir "$root/dist" \
    --filename zelvane-extension.zip --overwrite-dest >/dev/null
fi
