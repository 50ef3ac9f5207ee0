#include "host/PagewickLink.h"
#include "capture/BrowserHandoff.h"

namespace hostlink {

namespace {

const wchar_t kMainCaption[] = L"ZelvaneV1.3";

HWND FindProgramWindow() { return ::FindWindowW(nullptr, kMainCaption); }

// Starts the program outside the browser's job when the job allows it: Firefox runs the host
// in a job that is ended with the host, and the program must outlive this capture. A job that
// refuses breakaway (ERROR_ACCESS_DENIED) still gets the capture, from a program inside it.
bool Launch(const std::wstring& programPath, PROCESS_INFORMATION& pi) {
    std::wstring dir = programPath.substr(0, programPath.find_last_of(L'\\') + 1);
    std::wstring commandLine = L"\"" + programPath + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;   // the capture that follows hides the window again
    // A console of its own (none is shown for a windowed program): started from the host's
    // console, Wine hands the program the host's standard handles, the browser's pipes, and
    // the browser then waits for the program's end instead of the host's.
    for (DWORD breakaway : {DWORD(CREATE_BREAKAWAY_FROM_JOB), DWORD(0)}) {
        if (::CreateProcessW(programPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                             CREATE_NEW_CONSOLE | breakaway, nullptr,
                             dir.empty() ? nullptr : dir.c_str(), &si, &pi))
            return true;
        if (::GetLastError() != ERROR_ACCESS_DENIED) return false;
    }
    return false;
}

// Starts the program and waits, bounded, for its window; the wait ends at once when the
// process ends without one (its first start writes the settings, asks for a restart and ends).
Result StartProgram(const std::wstring& programPath, HWND& window) {
    PROCESS_INFORMATION pi{};
    if (!Launch(programPath, pi)) return {false, "Pagewick could not be started"};
    ::CloseHandle(pi.hThread);
    DWORD start = ::GetTickCount();
    Result result{false, "Pagewick did not open its window in time"};
    for (;;) {
        if ((window = FindProgramWindow())) {
            result = {true, ""};
            break;
        }
        if (pi.hProcess && ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            window = FindProgramWindow();
            result = window ? Result{true, ""} : Result{false, "Pagewick ended without opening its window"};
            break;
        }
        if (::GetTickCount() - start >= kStartWaitMs) break;
        ::Sleep(kPollMs);
    }
    if (pi.hProcess) ::CloseHandle(pi.hProcess);
    return result;
}

}  // namespace

Result Deliver(const std::wstring& programPath, const std::wstring& pageUrl, const std::wstring& html,
               const std::wstring& title) {
    HWND window = FindProgramWindow();
    bool started = false;
    if (!window) {
        Result r = StartProgram(programPath, window);
        if (!r.ok) return r;
        started = true;
    }
    std::wstring payload = PackBrowserCapture(pageUrl, html, title);
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
