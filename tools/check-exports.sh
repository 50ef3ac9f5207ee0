#!/usr/bin/env bash
# The 32-bit extension must export its four entry points by their plain names.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dll=$root/dist/win32/Linkmoss.dll
exports=$(i686-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
for name in DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer; do
  if ! grep -qE "\] $name\$" <<<"$exports"; then
    echo "check-exports: $name is not exported undecorated by $dll"; exit 1
  fi
done
echo "check-exports: the four entry points are exported by name"
