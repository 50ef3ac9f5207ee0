// How the native messaging host hands a browser's selection to the running program:
// one WM_COPYDATA, sent synchronously to the window captioned "ZelvaneV1.3".
//   dwData  kBrowserCaptureTag, or kBrowserCaptureAfterStartTag when the host has just
//           started the program for this capture (the window is hidden first, as for 1027)
//   lpData  UTF-16: the page address, one NUL, the selection's HTML, and optionally one
//           more NUL and the page title (no terminator needed; cbData counts the bytes).
//           The HTML and the title hold no NUL (the host drops any).
// The window procedure answers with a BrowserCaptureReply. Shared by both programs,
// header only, so the host links nothing of the program.
#pragma once
#include <windows.h>
#include <string>

constexpr ULONG_PTR kBrowserCaptureTag = 0x5A4C5643;            // 'ZLVC'
constexpr ULONG_PTR kBrowserCaptureAfterStartTag = 0x5A4C5653;  // 'ZLVS'

enum BrowserCaptureReply : LRESULT {
    kReplyNotUnderstood = 0,   // not a capture (also what a window that ignores WM_COPYDATA answers)
    kReplyTaken = 1,           // appended to the editor
    kReplyBusy = 2,            // another capture or a save dialog is in progress: refused
    kReplyNothing = 3,         // no HTML, or the editor could not take it
    kReplyStarting = 4,        // the window exists but the start-up has not finished: try again
};

inline std::wstring PackBrowserCapture(const std::wstring& pageUrl, const std::wstring& html,
                                       const std::wstring& title = L"") {
    std::wstring payload = pageUrl;
    payload.push_back(L'\0');
    for (wchar_t c : html)
        if (c) payload.push_back(c);
    if (!title.empty()) payload.push_back(L'\0');
    for (wchar_t c : title)
        if (c) payload.push_back(c);
    return payload;
}

// False for another tag, an odd byte count, or no separator after the address.
inline bool UnpackBrowserCapture(ULONG_PTR tag, const void* data, DWORD bytes, std::wstring& pageUrl,
                                 std::wstring& html, std::wstring* title = nullptr) {
    if (tag != kBrowserCaptureTag && tag != kBrowserCaptureAfterStartTag) return false;
    if (!data || bytes % sizeof(wchar_t) != 0) return false;
    std::wstring payload(static_cast<const wchar_t*>(data), bytes / sizeof(wchar_t));
    size_t nul = payload.find(L'\0');
    if (nul == std::wstring::npos) return false;
    pageUrl = payload.substr(0, nul);
    html = payload.substr(nul + 1);
    // A terminator the sender added is no part of the HTML.
    while (!html.empty() && html.back() == L'\0') html.pop_back();
    size_t titleAt = html.find(L'\0');
    if (title) *title = titleAt == std::wstring::npos ? L"" : html.substr(titleAt + 1);
    if (titleAt != std::wstring::npos) html.resize(titleAt);
    return true;
}
