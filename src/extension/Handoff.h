// The hand-over of a capture request from the browser to the program.
//
// The program is found by its main window's caption. When it is not running it
// is started from the AppPath/AppName values of the context-menu key that it
// writes at every start; the wait for its window ends when the window shows,
// when the started process ends without one (its first run only writes its
// settings and exits), or after kStartWaitMs. Missing values or a failed start
// end the request at once: there is nothing to wait for.
#pragma once
#include <windows.h>
#include <string>

namespace handoff {

// 1027: hide, then capture. wParam: the browser window that was in front (its handle's
// 32 bits), which gets the foreground back after the hide; 0: none named.
constexpr UINT kCaptureAfterStart = WM_USER + 3;
constexpr UINT kCaptureNow = WM_USER + 4;          // 1028: capture
constexpr DWORD kPollMs = 100;
constexpr DWORD kStartWaitMs = 15000;

extern const wchar_t kMainCaption[];
extern const wchar_t kMenuExtKey[];   // under HKEY_CURRENT_USER

// A string value of the context-menu key, whole at any length; empty when missing.
std::wstring ReadMenuExtString(const wchar_t* name);

// The four keyboard inputs Ctrl down, C down, Ctrl up, C up.
void SendCopyKeys();

void CatchHtml();

}  // namespace handoff
