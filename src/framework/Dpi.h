// Sizes on scaled displays. The program declares itself per-monitor DPI aware, so
// Windows no longer stretches its bitmap: every pixel size a window uses is its size
// at 96 DPI (100 %) scaled to the DPI of the window's monitor. One path applies it:
// at creation with the DPI the window starts on, and again when it moves to a monitor
// of another scale (WM_DPICHANGED).
#pragma once
#include <windows.h>

namespace dpi {
constexpr UINT kBase = 96;   // 100 %

// A length in pixels at 96 DPI, at this DPI (rounded to the nearest pixel).
int Scale(int px, UINT dpi);
// The made size of an icon (16/20/24/32/40/48/64) nearest to the base size scaled to
// this DPI, never smaller than the base: the icon set holds one picture per scale.
int IconSize(int basePx, UINT dpi);
// The DPI of the window's monitor (the system DPI where the system cannot tell).
UINT ForWindow(HWND hwnd);
// The system's message font (menus, toolbars, status bars) at this DPI. The caller owns it.
HFONT CreateMessageFont(UINT dpi);
// A font of the given face and point size at this DPI, as a dialog template names it.
HFONT CreatePointFont(const wchar_t* face, int points, UINT dpi);
// The height of a text line of the font.
int LineHeight(HFONT font);
// A program icon at the size for this DPI (base size 16 or 32). The caller owns it.
HICON LoadProgramIcon(UINT id, int basePx, UINT dpi);
}  // namespace dpi
