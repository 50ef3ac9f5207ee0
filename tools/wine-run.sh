#!/usr/bin/env bash
# Runs one Windows program under wine64 with a time limit (the tests' emulator).
exec timeout "${WINE_RUN_TIMEOUT:-600}" /usr/lib/wine/wine64 "$@"
