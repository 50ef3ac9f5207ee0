// Test stand-in for the program: a top-level window captioned "ZelvaneV1.3".
//
// Settings come from recorder.ini beside the executable (it is started without
// arguments, as the extension starts the program), section [recorder]:
//   log     file that receives one line per event (default recorder.log beside it)
//   mode    window  (default) show the window and record
//           exit    end at once without a window, as a first run does
//           silent  keep running without ever creating the window
//   delay   milliseconds to wait before the window is created
//   hidden  1: create the window hidden, as the program is when in the tray
// Lines written: "start <pid>", "key down|up <vk>" (low-level hook, so input is
// seen whichever window has the focus), "msg 1027|1028 visible=<0|1>".
// On 1027 the window hides itself, as the program does.
#include <windows.h>
#include <string>

namespace {

std::wstring g_dir;
std::wstring g_log;
HWND g_wnd = nullptr;

std::wstring Setting(const wchar_t* key, const wchar_t* fallback) {
    wchar_t buf[1024] = {};
    GetPrivateProfileStringW(L"recorder", key, fallback, buf, 1024, (g_dir + L"recorder.ini").c_str());
    return buf;
}

void Log(const std::string& line) {
    HANDLE h = CreateFileW(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\r\n";
    DWORD put = 0;
    WriteFile(h, text.data(), (DWORD)text.size(), &put, nullptr);
    CloseHandle(h);
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        bool up = wp == WM_KEYUP || wp == WM_SYSKEYUP;
        Log(std::string("key ") + (up ? "up " : "down ") + std::to_string(k->vkCode));
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_USER + 3:
    case WM_USER + 4:
        Log("msg " + std::to_string(msg) + " visible=" + (IsWindowVisible(hwnd) ? "1" : "0") +
            " wp=" + std::to_string(wp) + " lp=" + std::to_string(lp));
        if (msg == WM_USER + 3) ShowWindow(hwnd, SW_HIDE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, LPWSTR, int show) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    g_dir = module;
    g_dir.resize(g_dir.find_last_of(L'\\') + 1);
    g_log = Setting(L"log", (g_dir + L"recorder.log").c_str());
    Log("start " + std::to_string(GetCurrentProcessId()));

    std::wstring mode = Setting(L"mode", L"window");
    if (mode == L"exit") return 0;
    if (mode == L"silent") { Sleep(60000); return 0; }
    Sleep((DWORD)_wtoi(Setting(L"delay", L"0").c_str()));

    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, inst, 0);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.lpszClassName = L"ZelvaneMsgRecorder";
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    RegisterClassW(&wc);
    g_wnd = CreateWindowExW(0, wc.lpszClassName, L"ZelvaneV1.3", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr,
                            nullptr, inst, nullptr);
    if (Setting(L"hidden", L"0") != L"1") ShowWindow(g_wnd, show);
    Log("window");
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    if (hook) UnhookWindowsHookEx(hook);
    return 0;
}
