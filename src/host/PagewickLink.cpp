#include "host/PagewickLink.h"
#include "capture/BrowserHandoff.h"
#include <shellapi.h>

namespace hostlink {

namespace {

const wchar_t kMainCaption[] = L"ZelvaneV1.3";

HWND FindProgramWindow() { return ::FindWindowW(nullptr, kMainCaption); }

// Starts the program and waits, bounded, for its window; the wait ends at once when the
// process ends without one (its first start writes the settings, asks for a restart and ends).
Result StartProgram(const std::wstring& programPath, HWND& window) {
    std::wstring dir = programPath.substr(0, programPath.find_last_of(L'\\') + 1);
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof(sei);
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    sei.lpVerb = L"open";
    sei.lpFile = programPath.c_str();
    sei.lpDirectory = dir.c_str();
    sei.nShow = SW_SHOWNORMAL;   // the capture that follows hides the window again
    if (!::ShellExecuteExW(&sei)) return {false, "Pagewick could not be started"};
    DWORD start = ::GetTickCount();
    Result result{false, "Pagewick did not open its window in time"};
    for (;;) {
        if ((window = FindProgramWindow())) {
            result = {true, ""};
            break;
        }
        if (sei.hProcess && ::WaitForSingleObject(sei.hProcess, 0) == WAIT_OBJECT_0) {
            window = FindProgramWindow();
            result = window ? Result{true, ""} : Result{false, "Pagewick ended without opening its window"};
            break;
        }
        if (::GetTickCount() - start >= kStartWaitMs) break;
        ::Sleep(kPollMs);
    }
    if (sei.hProcess) ::CloseHandle(sei.hProcess);
    return result;
}

}  // namespace

Result Deliver(const std::wstring& programPath, const std::wstring& pageUrl, const std::wstring& html) {
    HWND window = FindProgramWindow();
    bool started = false;
    if (!window) {
        Result r = StartProgram(programPath, window);
        if (!r.ok) return r;
        started = true;
    }
    std::wstring payload = PackBrowserCapture(pageUrl, html);
    COPYDATASTRUCT data{};
    data.dwData = started ? kBrowserCaptureAfterStartTag : kBrowserCaptureTag;
    data.cbData = DWORD(payload.size() * sizeof(wchar_t));
    data.lpData = &payload[0];
    // A window that exists may still be building its editor: asked again until it is ready.
    DWORD start = ::GetTickCount();
    for (;;) {
        DWORD_PTR reply = kReplyNotUnderstood;
        if (!::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                                   kSendTimeoutMs, &reply))
            return {false, "Pagewick did not answer within a minute; it may still take the selection"};
        switch (reply) {
        case kReplyTaken: return {true, ""};
        case kReplyBusy: return {false, "Pagewick is busy with another capture or a save"};
        case kReplyNothing: return {false, "Pagewick could not take the selection"};
        case kReplyStarting:
            if (::GetTickCount() - start < kStartWaitMs) {
                ::Sleep(kPollMs);
                continue;
            }
            return {false, "Pagewick did not finish starting in time"};
        default: return {false, "Pagewick did not understand the capture"};
        }
    }
}

}  // namespace hostlink
