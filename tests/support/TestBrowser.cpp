#include "support/TestBrowser.h"

namespace zt {

TestBrowser::TestBrowser(const std::wstring& kind, const std::string& utf8Content, const std::wstring& title,
                         const std::wstring& sourceUrl, unsigned copyDelayMs)
    : m_folder(L"browser") {
    m_dir = m_folder.Path();
    m_log = m_dir + L"copies.log";
    std::wstring args = L"--title \"" + title + L"\" --log \"" + m_log + L"\"";
    if (!sourceUrl.empty()) args += L" --source \"" + sourceUrl + L"\"";
    if (copyDelayMs) args += L" --delay " + std::to_wstring(copyDelayMs);
    if (!kind.empty()) {
        std::wstring page = m_dir + L"page.txt";
        WriteBytes(page, utf8Content);
        args += L" " + kind + L" \"" + page + L"\"";
    }
    if (m_process.Start(ToolFile(L"TestBrowser.exe"), args)) m_window = WaitForWindow(title, m_process.Id(), 15000);
}

TestBrowser::~TestBrowser() { m_process.Kill(); }

bool TestBrowser::Focus() {
    if (!m_window) return false;
    return WaitFor([&] {
        SetForegroundWindow(m_window);
        return GetForegroundWindow() == m_window;
    }, 5000, 50);
}

std::string TestBrowser::Log() const {
    auto bytes = ReadBytes(m_log);
    return std::string(bytes.begin(), bytes.end());
}

int TestBrowser::CopyCount() const {
    std::string log = Log();
    int n = 0;
    for (size_t at = log.find("copy"); at != std::string::npos; at = log.find("copy", at + 1)) ++n;
    return n;
}

namespace {
void SendKey(WORD vk, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyW(vk, 0);
    in.ki.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}
}  // namespace

void KeyDown(WORD vk) { SendKey(vk, 0); }
void KeyUp(WORD vk) { SendKey(vk, KEYEVENTF_KEYUP); }

HeldKey::HeldKey(WORD vk) : m_vk(vk), m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    KeyDown(vk);
    m_thread = CreateThread(nullptr, 0, [](LPVOID self) -> DWORD {
        auto* key = static_cast<HeldKey*>(self);
        while (WaitForSingleObject(key->m_stop, 2) == WAIT_TIMEOUT) KeyDown(key->m_vk);
        return 0;
    }, this, 0, nullptr);
    WaitFor([vk] { return (GetAsyncKeyState(vk) & 0x8000) != 0; }, 2000, 5);
}

void HeldKey::Release() {
    if (!m_thread) return;
    SetEvent(m_stop);
    WaitForSingleObject(m_thread, 5000);
    CloseHandle(m_thread);
    CloseHandle(m_stop);
    m_thread = nullptr;
    KeyUp(m_vk);
}

int ClipboardFormatCount() {
    if (!OpenClipboard(nullptr)) return -1;
    int n = CountClipboardFormats();
    CloseClipboard();
    return n;
}

bool ClipboardHasHtml() { return IsClipboardFormatAvailable(RegisterClipboardFormatW(L"HTML Format")) != 0; }

std::string ClipboardHtml() {
    std::string out;
    if (!OpenClipboard(nullptr)) return out;
    if (HANDLE h = GetClipboardData(RegisterClipboardFormatW(L"HTML Format"))) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            out.assign(p, strnlen(p, GlobalSize(h)));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return out;
}

}  // namespace zt
