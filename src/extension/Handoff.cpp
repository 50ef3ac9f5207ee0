#include "Handoff.h"
#include <shellapi.h>
#include <vector>

namespace handoff {

const wchar_t kMainCaption[] = L"ZelvaneV1.3";
const wchar_t kMenuExtKey[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt\\使用\"Zelvane\"捕获网文";

namespace {

HWND FindProgramWindow() { return FindWindowW(nullptr, kMainCaption); }

// Starts the program; the process handle when there is one to watch (else null).
// false when the start failed.
bool StartProgram(const std::wstring& dir, const std::wstring& file, HANDLE* process) {
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof(sei);
    // No error box may wait for a person on the browser's thread.
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    sei.lpVerb = L"open";
    sei.lpFile = file.c_str();
    sei.lpDirectory = dir.c_str();
    sei.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&sei)) return false;
    *process = sei.hProcess;
    return true;
}

HWND WaitForProgramWindow(HANDLE process) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND w = FindProgramWindow()) return w;
        // Ended without a window: a first run, or another copy that handed over and left.
        if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return FindProgramWindow();
        if (GetTickCount() - start >= kStartWaitMs) return nullptr;
        Sleep(kPollMs);
    }
}

// 1027's wParam: window handles keep to 32 bits, so a 32-bit and a 64-bit program read
// the same value.
WPARAM BrowserParam(HWND browser) { return browser ? WPARAM(HandleToULong(browser)) : 0; }

}  // namespace

std::wstring ReadMenuExtString(const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kMenuExtKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return L"";
    std::wstring text;
    std::vector<BYTE> data(128);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, size = (DWORD)data.size();
        LONG err = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
        if (err == ERROR_MORE_DATA) { data.resize(size + sizeof(wchar_t)); continue; }   // grew meanwhile: ask again
        if (err == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            text.assign(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
            // The program stores a zero-filled block: the text ends at the first terminator.
            size_t end = text.find(L'\0');
            if (end != std::wstring::npos) text.resize(end);
        }
        break;
    }
    RegCloseKey(key);
    return text;
}

void SendCopyKeys() {
    // The virtual key of C is the low byte; the high byte only names the shift state that types it.
    SHORT scan = VkKeyScanW(L'C');
    WORD keyC = (scan == -1 || LOBYTE(scan) == 0xFF) ? WORD('C') : WORD(LOBYTE(scan));
    INPUT in[4] = {};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_CONTROL;
    in[1].ki.wVk = keyC;
    in[2].ki.wVk = VK_CONTROL;
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = keyC;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, in, sizeof(INPUT));
}

void CatchHtml() {
    if (HWND running = FindProgramWindow()) {
        SendMessageW(running, kCaptureNow, 0, 0);
        return;
    }
    // The browser window in front now: the started program's window takes the foreground,
    // and hiding it need not give it back (a plain X display activates nothing), so the
    // program is told which window to give it to before its copy.
    HWND browser = GetForegroundWindow();
    std::wstring dir = ReadMenuExtString(L"AppPath");
    std::wstring file = ReadMenuExtString(L"AppName");
    if (dir.empty() || file.empty()) return;
    HANDLE process = nullptr;
    if (!StartProgram(dir, file, &process)) return;
    HWND started = WaitForProgramWindow(process);
    if (process) CloseHandle(process);
    if (!started) return;
    SendCopyKeys();
    SendMessageW(started, kCaptureAfterStart, BrowserParam(browser), 0);
}

}  // namespace handoff
