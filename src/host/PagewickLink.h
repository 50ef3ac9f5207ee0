// The host's side of the hand-off: finds the running program by its caption (or starts
// it from the host's own folder) and gives it the capture with WM_COPYDATA.
#pragma once
#include <windows.h>
#include <string>

namespace hostlink {

constexpr DWORD kStartWaitMs = 15000;   // how long a started program may take to open its window
constexpr DWORD kPollMs = 100;
constexpr UINT kSendTimeoutMs = 60000;  // an answer from a program that hangs is not awaited longer

struct Result {
    bool ok = false;
    std::string error;   // for the browser, when not ok
};

// programPath: the program file to start when no window has the caption.
// title: the page's, proposed by the program as the name of a text it begins.
Result Deliver(const std::wstring& programPath, const std::wstring& pageUrl, const std::wstring& html,
               const std::wstring& title = L"");

}  // namespace hostlink
