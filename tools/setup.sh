#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root).
# Idempotent: packages already present are not fetched again.
set -euo pipefail
PACKAGES=(
  cmake make python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 mingw-w64-tools
  wine wine64 libwine-dev
  xvfb x11-apps x11-utils xdotool imagemagick fonts-wqy-microhei
  googletest
  nsis fp-utils adwaita-icon-theme zip unzip
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
