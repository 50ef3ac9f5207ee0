#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root).
# Idempotent: packages already present are not fetched again.
set -euo pipefail
PACKAGES=(
  cmake make python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 mingw-w64-tools
  wine wine64 libwine-dev
  xvfb x11-apps x11-utils xdotool imagemagick fonts-wqy-microhei
  googletest chromium dbus-daemon python3-dbus python3-gi
  nsis fp-utils adwaita-icon-theme zip unzip osslsigncode openssl
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
# npm comes with Node.js; only a machine without it gets Debian's.
if ! command -v npm >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends npm
fi
# web-ext (lint and packing of the browser extension), pinned, kept inside the build tree.
WEB_EXT_VERSION=10.8.0
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(cat "$root/build/node/.web-ext-version" 2>/dev/null)" != "$WEB_EXT_VERSION" ]; then
  mkdir -p "$root/build/node"
  npm install --prefix "$root/build/node" --no-audit --no-fund --loglevel=error "web-ext@$WEB_EXT_VERSION"
  echo "$WEB_EXT_VERSION" > "$root/build/node/.web-ext-version"
fi
# Readability (the article reader the extension runs in the page), pinned; the build copies
# Readability.js and its licence into the extension it ships.
READABILITY_VERSION=0.6.0
if [ "$(cat "$root/build/node/.readability-version" 2>/dev/null)" != "$READABILITY_VERSION" ]; then
  mkdir -p "$root/build/node"
  npm install --prefix "$root/build/node" --no-audit --no-fund --loglevel=error \
    "@mozilla/readability@$READABILITY_VERSION"
  echo "$READABILITY_VERSION" > "$root/build/node/.readability-version"
fi

