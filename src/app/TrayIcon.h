// The notification-area icon and its balloons.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include "framework/TrayBalloon.h"

constexpr UINT WM_TRAY_CALLBACK = WM_USER + 101;
constexpr UINT kTrayIconId = 100;
// The record size the program passes: the Windows XP layout on the 32-bit build
// (the 64-bit build reads it as the older layout, which holds every field used).
constexpr DWORD kTrayRecordSize = 952;
constexpr UINT kBalloonTimeout = 3;       // the system raises it to its own minimum
constexpr size_t kBalloonTitleMax = 63;
constexpr size_t kBalloonTextMax = 255;
extern const wchar_t kTrayTip[];          // "ZelvaneV1.3"

// Fills the icon record: owner window, id 100, callback 1125, icon 128 at the small icon
// size of the display (16x16 at 100 %), tip.
void InitTrayRecord(NOTIFYICONDATAW& record, HWND owner);
// Icon 128 at the notification area's small icon size. The caller owns it.
HICON LoadTrayIconImage();
// After a change of display scale: the icon again at the size the area now shows.
void UpdateTrayIcon(NOTIFYICONDATAW& record);
void AddTrayIcon(NOTIFYICONDATAW& record, HWND owner);
void RemoveTrayIcon(NOTIFYICONDATAW& record);
// Turns the record into a balloon request (only size, flags, texts, time-out and kind change).
void FillBalloon(NOTIFYICONDATAW& record, int kind, const wchar_t* title, const wchar_t* text);
// Puts a balloon on the program's tray icon (empty title and text take a balloon down).
void ShowTrayBalloon(int kind, const wchar_t* title, const wchar_t* text);
// The same on a given icon record: for the frame while it is being created, before it
// is the program's main frame.
void ShowTrayBalloon(NOTIFYICONDATAW& record, int kind, const wchar_t* title, const wchar_t* text);

// Every Shell_NotifyIconW call of the program goes through this function, so tests
// can watch the records passed (null restores the system's).
using NotifyIconFn = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW record);
void SetNotifyIconForTesting(NotifyIconFn fn);
