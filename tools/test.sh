#!/usr/bin/env bash
# Installs what is needed, builds both targets and runs every test under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"
export WINE_ENV_DISPLAY=virtual
source "$root/tools/wine-env.sh"
cd "$root/build/win64"
ctest --output-on-failure --timeout 300 "$@"
