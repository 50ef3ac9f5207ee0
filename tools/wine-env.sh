# Sourced: prepares a Wine prefix inside the build tree, a display and a
# persistent wineserver, so that programs run without prompts or add-on downloads.
# WINE_ENV_DISPLAY=virtual forces a private Xvfb display even when DISPLAY is set.
_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$_root/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINE64=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver

if [ -z "${DISPLAY:-}" ] || [ "${WINE_ENV_DISPLAY:-}" = virtual ]; then
  export DISPLAY=:${XVFB_DISPLAY_NUMBER:-77}
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    rm -f "/tmp/.X${DISPLAY#:}-lock"
    (Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &)
    for _i in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  export ZELVANE_VIRTUAL_DISPLAY=1
fi

if [ ! -f "$WINEPREFIX/.zelvane-ready" ]; then
  mkdir -p "$WINEPREFIX"
  timeout 300 "$WINE64" wineboot -i >/dev/null 2>&1 || true
  timeout 60 "$WINESERVER" -w || true
  # Chinese texts render with a CJK font in place of SimSun.
  cat > "$WINEPREFIX/zelvane.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"SimSun"="WenQuanYi Micro Hei"
"MS Shell Dlg"="WenQuanYi Micro Hei"
"NSimSun"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
REG
  timeout 60 "$WINE64" regedit /S "$WINEPREFIX/zelvane.reg" >/dev/null 2>&1 || true
  timeout 60 "$WINESERVER" -w || true
  touch "$WINEPREFIX/.zelvane-ready"
fi
# regedit reads a REGEDIT4 file as ANSI, so the Chinese name of SimSun (the dialogs'
# font) only maps from a Unicode file; prefixes made before this step get it too.
if [ ! -f "$WINEPREFIX/.zelvane-fonts" ]; then
  { printf '\xff\xfe'
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"宋体"="WenQuanYi Micro Hei"\r\n' |
      iconv -f UTF-8 -t UTF-16LE; } > "$WINEPREFIX/zelvane-fonts.reg"
  timeout 60 "$WINE64" regedit /S "$WINEPREFIX/zelvane-fonts.reg" >/dev/null 2>&1 && touch "$WINEPREFIX/.zelvane-fonts"
fi
# A persistent server keeps each Wine start short.
"$WINESERVER" -p >/dev/null 2>&1 || true
# Start Wine's long-lived helpers (services, the desktop window) now, detached from
# any pipe: started by the first test instead, they would keep the test runner's
# output pipe open long after that test ended.
timeout 60 "$WINE64" rundll32.exe user32.dll,MessageBeep </dev/null >/dev/null 2>&1 || true
