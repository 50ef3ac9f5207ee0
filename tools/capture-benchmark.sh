#!/usr/bin/env bash
# Capture speed before and after the capture's waits became bounds, in one run under the
# same conditions: builds the 64-bit Pagewick.exe of an earlier commit into
# build/before-<commit>, then runs CaptureSpeed.ShortSelectionBenchmark with both programs.
# Usage (after tools/build.sh): bash tools/capture-benchmark.sh [COMMIT]
# COMMIT defaults to the parent of the commit that made the copy's waits bounds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rev=${1:-}
if [ -z "$rev" ]; then
  first=$(git -C "$root" log --reverse --format=%H -S kCopyLandsMaxMs -- src/capture/SelectionCapture.cpp | head -1)
  rev=$first^
fi
sha=$(git -C "$root" rev-parse --short "$rev")
src=$root/build/before-$sha/source
bld=$root/build/before-$sha/win64
if [ ! -f "$bld/Pagewick.exe" ]; then
  rm -rf "$src" && mkdir -p "$src"
  git -C "$root" archive "$sha" | tar -x -C "$src"
  ln -sfn "$root/third_party" "$src/third_party"   # SQLite as tools/setup.sh fetched it
  cmake -S "$src" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF -DDIST_DIR="$bld/dist" >/dev/null
  cmake --build "$bld" -j2 --target Pagewick
fi
source "$root/tools/wine-env.sh"
ZELVANE_BENCH_BEFORE_EXE="Z:$(echo "$bld/Pagewick.exe" | tr / '\\')"
export ZELVANE_BENCH_BEFORE_EXE
echo "before: $sha ($bld/Pagewick.exe); after: $root/dist/win64/Pagewick.exe"
cd "$root/build/win64"
ctest -R 'CaptureSpeed.ShortSelectionBenchmark' --timeout 600 -V | grep -E '(before|after): |Passed|Failed|\*\*\*'
