// The notification-area icon and its balloons.
#pragma once
#include <windows.h>

constexpr UINT WM_TRAY_CALLBACK = WM_USER + 101;
constexpr UINT kTrayIconId = 100;

enum TrayBalloonKind { kBalloonInfo = 1, kBalloonWarning = 2 };

// Puts a balloon on the program's tray icon (empty title and text take a balloon down).
void ShowTrayBalloon(int kind, const wchar_t* title, const wchar_t* text);
