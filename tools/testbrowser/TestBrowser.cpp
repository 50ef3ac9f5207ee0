// TestBrowser.exe [--html FILE | --text FILE] [--source URL] [--title CAPTION] [--log FILE]
//   --html FILE   UTF-8 fragment; Ctrl+C copies it as "HTML Format" (CF_HTML, UTF-8 offsets)
//                 and its text (tags stripped) as Unicode text.
//   --text FILE   UTF-8 text; Ctrl+C copies it as Unicode text only.
//   neither       Ctrl+C copies nothing, as a page without a selection.
//   --log FILE    appends "copy shift=<0|1>" for every Ctrl+C received, and "ctrl+alt+c"
//                 for a C pressed with Ctrl and Alt, which is no copy and copies nothing.
//   --hotkey MOD VK  holds that global hot key (RegisterHotKey modifiers and key), as
//                 another program on the machine may.
//   --delay MS    the clipboard is written MS milliseconds after the Ctrl+C, as a browser
//                 whose page runs elsewhere answers a copy late.
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Options {
    std::string html;         // UTF-8
    std::wstring text;
    bool haveHtml = false, haveText = false;
    std::string sourceUrl = "http://pages.example.test/article.html";
    std::wstring title = L"Zelvane Test Browser";
    std::wstring log;
    UINT delayMs = 0;
    UINT hotKeyMod = 0, hotKeyVk = 0;
} g_opt;

constexpr UINT_PTR kLateCopyTimer = 1;

std::string ReadUtf8File(const std::wstring& path) {
    std::string data;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return data;
    DWORD size = GetFileSize(h, nullptr), got = 0;
    data.resize(size);
    if (size) ReadFile(h, &data[0], size, &got, nullptr);
    data.resize(got);
    CloseHandle(h);
    if (data.size() >= 3 && data.compare(0, 3, "\xEF\xBB\xBF") == 0) data.erase(0, 3);
    return data;
}

std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    if (n) MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), &w[0], n);
    return w;
}

std::string Utf8(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    if (n) WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring StripTags(const std::wstring& html) {
    std::wstring out;
    bool inTag = false;
    for (wchar_t c : html) {
        if (c == L'<') inTag = true;
        else if (c == L'>') inTag = false;
        else if (!inTag) out += c;
    }
    return out;
}

// The clipboard's HTML format: a header of byte offsets into the UTF-8 data.
std::string BuildCfHtml(const std::string& fragment, const std::string& url) {
    const std::string before = "<html><body>\r\n<!--StartFragment-->";
    const std::string after = "<!--EndFragment-->\r\n</body>\r\n</html>";
    const char* format = "Version:0.9\r\nStartHTML:%010u\r\nEndHTML:%010u\r\nStartFragment:%010u\r\n"
                         "EndFragment:%010u\r\nSourceURL:%s\r\n";
    char header[1024];
    int headerLen = std::snprintf(header, sizeof header, format, 0u, 0u, 0u, 0u, url.c_str());
    unsigned startHtml = headerLen;
    unsigned startFragment = startHtml + (unsigned)before.size();
    unsigned endFragment = startFragment + (unsigned)fragment.size();
    unsigned endHtml = endFragment + (unsigned)after.size();
    std::snprintf(header, sizeof header, format, startHtml, endHtml, startFragment, endFragment, url.c_str());
    return header + before + fragment + after;
}

void PutOnClipboard(UINT format, const void* data, size_t bytes) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!mem) return;
    memcpy(GlobalLock(mem), data, bytes);
    GlobalUnlock(mem);
    if (!SetClipboardData(format, mem)) GlobalFree(mem);
}

void Log(const std::string& line) {
    if (g_opt.log.empty()) return;
    HANDLE h = CreateFileW(g_opt.log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string l = line + "\r\n";
    DWORD put = 0;
    WriteFile(h, l.data(), (DWORD)l.size(), &put, nullptr);
    CloseHandle(h);
}

void WriteClipboard(HWND owner) {
    if (!g_opt.haveHtml && !g_opt.haveText) return;   // nothing selected: the clipboard is left alone
    for (int i = 0; i < 20 && !OpenClipboard(owner); ++i) Sleep(20);
    EmptyClipboard();
    if (g_opt.haveHtml) {
        std::string cf = BuildCfHtml(g_opt.html, g_opt.sourceUrl);
        PutOnClipboard(RegisterClipboardFormatW(L"HTML Format"), cf.c_str(), cf.size() + 1);
    }
    const std::wstring& text = g_opt.text;
    PutOnClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    CloseClipboard();
}

void Copy(HWND owner) {
    Log(std::string("copy shift=") + ((GetKeyState(VK_SHIFT) & 0x8000) ? "1" : "0"));
    if (g_opt.delayMs) SetTimer(owner, kLateCopyTimer, g_opt.delayMs, nullptr);
    else WriteClipboard(owner);
}

HWND g_page = nullptr;

LRESULT CALLBACK WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        MoveWindow(g_page, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(g_page);
        return 0;
    case WM_TIMER:
        if (wp == kLateCopyTimer) {
            KillTimer(h, kLateCopyTimer);
            WriteClipboard(h);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

void ParseArgs() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i + 1 < argc; i += 2) {
        std::wstring key = argv[i], value = argv[i + 1];
        if (key == L"--html") {
            g_opt.html = ReadUtf8File(value);
            g_opt.text = StripTags(Wide(g_opt.html));
            g_opt.haveHtml = true;
        } else if (key == L"--text") {
            g_opt.text = Wide(ReadUtf8File(value));
            g_opt.haveText = true;
        } else if (key == L"--source") {
            g_opt.sourceUrl = Utf8(value);
        } else if (key == L"--title") {
            g_opt.title = value;
        } else if (key == L"--log") {
            g_opt.log = value;
        } else if (key == L"--hotkey" && i + 2 < argc) {
            g_opt.hotKeyMod = (UINT)_wtoi(value.c_str());
            g_opt.hotKeyVk = (UINT)_wtoi(argv[++i + 1]);
        } else if (key == L"--delay") {
            g_opt.delayMs = (UINT)_wtoi(value.c_str());
        }
    }
    if (argv) LocalFree(argv);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, LPWSTR, int show) {
    ParseArgs();
    // Before the window exists: whoever sees the window knows the key is held.
    if (g_opt.hotKeyVk) RegisterHotKey(nullptr, 1, g_opt.hotKeyMod, g_opt.hotKeyVk);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = L"ZelvaneTestBrowser";
    RegisterClassW(&wc);
    HWND frame = CreateWindowExW(0, wc.lpszClassName, g_opt.title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40, 520, 360,
                                 nullptr, nullptr, inst, nullptr);
    std::wstring shown = g_opt.haveHtml ? Wide(g_opt.html) : g_opt.text;
    // A long page shows its beginning only (laying out megabytes takes seconds); Ctrl+C copies it whole.
    if (shown.size() > 65536) shown.resize(65536);
    g_page = CreateWindowExW(0, L"EDIT", shown.c_str(), WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE |
                             ES_READONLY | ES_NOHIDESEL, 0, 0, 0, 0, frame, (HMENU)1, inst, nullptr);
    ShowWindow(frame, show);
    UpdateWindow(frame);
    SendMessageW(g_page, EM_SETSEL, 0, -1);   // the whole page is the selection
    SetFocus(g_page);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Ctrl+C anywhere in the window copies the page the way a browser would; with Alt
        // held too it is another shortcut (or AltGr), and copies nothing.
        bool keyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
        if (keyDown && msg.wParam == 'C' && (GetKeyState(VK_CONTROL) & 0x8000)) {
            if (GetKeyState(VK_MENU) & 0x8000) Log("ctrl+alt+c");
            else Copy(frame);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}
