// Drives a running Pagewick for the demo of tools/run-pagewick.sh.
//   clipdemo route <Config.ini>      makes the 新闻 folder the tree's selected folder
//   clipdemo stop                    ends an earlier Pagewick (answering its exit question with No)
//   clipdemo capture <browser title> <expected text>
//        brings the browser window to the front, asks Pagewick to capture (message 1028,
//        as the browser extension does), waits until the editor holds <expected text>,
//        saves (File > 保存网文), confirms the proposed name and answers the question
//        with No. Prints "SAVED=<file name>" for the script.
//   clipdemo window <caption> [command id]
//        sends the main window the command (when given), waits for a visible window with
//        that caption, brings it to the front and prints "RECT=left top width height"
//        (for the help's screenshots)
// Every wait is bounded; a failure prints what was missing and exits with 1.
#include <windows.h>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

const wchar_t kMainCaption[] = L"ZelvaneV1.3";
const wchar_t kFolder[] = L"新闻";
const UINT kMsgCapture = 1028;
const UINT kSaveCommand = 32771;
const UINT kExitCommand = 32777;
const int kMainViewId = 0xE900;
const int kFileNameField = 1001;

void Print(const std::wstring& line) {
    std::wstring l = line + L"\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, l.c_str(), (int)l.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, l.c_str(), (int)l.size(), &s[0], n, nullptr, nullptr);
    DWORD put = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), (DWORD)s.size(), &put, nullptr);
}

int Fail(const std::wstring& why) {
    Print(L"clipdemo: " + why);
    return 1;
}

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
        Sleep(50);
    }
}

std::wstring WindowText(HWND h) {
    std::vector<wchar_t> buf(65536);
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), (LPARAM)buf.data(), SMTO_ABORTIFHUNG, 5000, &got)) return L"";
    return std::wstring(buf.data());
}

struct FindCtx {
    std::wstring caption, cls;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<FindCtx*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (c->pid && pid != c->pid) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (!c->cls.empty() && (c->cls != cls || !IsWindowVisible(h))) return TRUE;
    wchar_t text[256] = {};
    GetWindowTextW(h, text, 256);
    if (c->caption != text) return TRUE;
    c->found = h;
    return FALSE;
}

HWND FindTopWindow(const std::wstring& caption, const std::wstring& cls, DWORD pid) {
    FindCtx c{caption, cls, pid, nullptr};
    EnumWindows(MatchWindow, (LPARAM)&c);
    return c.found;
}

HWND WaitForDialog(const std::wstring& caption, DWORD pid, DWORD ms) {
    HWND h = nullptr;
    WaitFor([&] { return (h = FindTopWindow(caption, L"#32770", pid)) != nullptr; }, ms);
    return h;
}

// The message text of a message box: its first static control with text.
std::wstring MessageText(HWND box) {
    if (HWND t = GetDlgItem(box, 0xFFFF)) return WindowText(t);
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        GetClassNameW(c, cls, 64);
        if (_wcsicmp(cls, L"Static") == 0) {
            std::wstring t = WindowText(c);
            if (!t.empty()) return t;
        }
    }
    return L"";
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

HWND Editor(HWND frame) {
    HWND view = GetDlgItem(frame, kMainViewId);
    for (HWND c = view ? GetWindow(view, GW_CHILD) : nullptr; c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        GetClassNameW(c, cls, 64);
        if (_wcsicmp(cls, L"Edit") == 0) return c;
    }
    return nullptr;
}

int SetRoute(const std::wstring& ini) {
    if (GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES) return Fail(L"no settings file " + ini);
    // The file is UTF-16, so the folder name is stored as it stands.
    if (!WritePrivateProfileStringW(L"SEL", L"ROUTE", kFolder, ini.c_str())) return Fail(L"cannot write " + ini);
    Print(L"Selected folder for the save: " + std::wstring(kFolder));
    return 0;
}

int Stop() {
    HWND frame = FindWindowW(nullptr, kMainCaption);
    if (!frame) return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(frame, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    Print(L"Ending the Pagewick of an earlier run.");
    PostMessageW(frame, WM_COMMAND, kExitCommand, 0);
    // Text left in the editor by that run is not kept.
    if (HWND question = WaitForDialog(L"保存网文", pid, 3000)) PressButton(question, IDNO);
    bool ended = process && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    if (!ended && process) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    if (process) CloseHandle(process);
    return WaitFor([] { return FindWindowW(nullptr, kMainCaption) == nullptr; }, 5000) ? 0
           : Fail(L"the earlier Pagewick did not end");
}

// Captures the browser's selection into the editor; 0 when the editor then holds expected.
int CaptureOnly(const std::wstring& browserTitle, const std::wstring& expected, HWND& frame) {
    if (!WaitFor([&] { return (frame = FindWindowW(nullptr, kMainCaption)) != nullptr && IsWindowVisible(frame); },
                 30000))
        return Fail(L"no visible window \"ZelvaneV1.3\" within 30 s");
    DWORD pid = 0;
    GetWindowThreadProcessId(frame, &pid);
    HWND editor = Editor(frame);
    if (!editor) return Fail(L"the main window has no editor");
    HWND browser = nullptr;
    if (!WaitFor([&] { return (browser = FindWindowW(nullptr, browserTitle.c_str())) != nullptr; }, 15000))
        return Fail(L"no browser window \"" + browserTitle + L"\" within 15 s");
    if (!WaitFor([&] { SetForegroundWindow(browser); return GetForegroundWindow() == browser; }, 5000))
        return Fail(L"the browser window did not come to the front");
    Print(L"Browser in front; asking Pagewick to capture (message 1028).");
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(frame, kMsgCapture, 0, 0, SMTO_NORMAL, 30000, &result))
        return Fail(L"Pagewick did not answer the capture request within 30 s");
    if (!WaitFor([&] { return WindowText(editor).find(expected) != std::wstring::npos; }, 15000))
        return Fail(L"the editor does not hold the captured text; it holds: " + WindowText(editor));
    std::wstring body = WindowText(editor);
    body.erase(body.find_last_not_of(L"\r\n") + 1);
    Print(L"Editor holds: " + body);
    return 0;
}

// Captures, then leaves the text in the editor with the main window maximized in front.
int Grab(const std::wstring& browserTitle, const std::wstring& expected) {
    HWND frame = nullptr;
    if (int failed = CaptureOnly(browserTitle, expected, frame)) return failed;
    ShowWindow(frame, SW_MAXIMIZE);
    SetForegroundWindow(frame);
    return 0;
}

int Capture(const std::wstring& browserTitle, const std::wstring& expected) {
    HWND frame = nullptr;
    if (int failed = CaptureOnly(browserTitle, expected, frame)) return failed;
    DWORD pid = 0;
    GetWindowThreadProcessId(frame, &pid);
    PostMessageW(frame, WM_COMMAND, kSaveCommand, 0);
    HWND nameDlg = WaitForDialog(L"文件名", pid, 15000);
    if (!nameDlg) {
        HWND note = FindTopWindow(L"提示", L"#32770", pid);
        std::wstring why = note ? MessageText(note) : L"";
        if (note) PressButton(note, IDOK);
        return Fail(L"no dialog \"文件名\" after the save command" + (why.empty() ? L"" : L": " + why));
    }
    // The field is filled when the dialog is shown.
    std::wstring name;
    WaitFor([&] { return !(name = WindowText(GetDlgItem(nameDlg, kFileNameField))).empty(); }, 5000);
    if (name.empty()) return Fail(L"the dialog \"文件名\" proposes no name");
    Print(L"Proposed name: " + name);
    PressButton(nameDlg, IDOK);
    if (HWND refused = WaitForDialog(L"提示", pid, 1500)) {
        std::wstring why = MessageText(refused);
        PressButton(refused, IDOK);
        PostMessageW(nameDlg, WM_CLOSE, 0, 0);
        return Fail(L"the name was refused: " + why);
    }
    // Pictures are downloaded before the question comes.
    HWND question = WaitForDialog(L"保存", pid, 60000);
    if (!question) return Fail(L"no question \"保存\" within 60 s of confirming the name");
    Print(L"Pagewick says: " + MessageText(question));
    PressButton(question, IDNO);
    WaitFor([&] { return !IsWindow(question); }, 5000);
    SetForegroundWindow(frame);
    Print(L"SAVED=" + name + L".htm");
    return 0;
}

int ShowWindowRect(const std::wstring& caption, const wchar_t* command) {
    HWND frame = FindWindowW(nullptr, kMainCaption);
    if (!frame) return Fail(L"Pagewick is not running");
    if (command) PostMessageW(frame, WM_COMMAND, (WPARAM)_wtoi(command), 0);
    HWND h = nullptr;
    if (!WaitFor([&] { h = FindTopWindow(caption, L"", 0); return h && IsWindowVisible(h); }, 10000))
        return Fail(L"no window \"" + caption + L"\"");
    SetForegroundWindow(h);
    Sleep(500);   // let it paint
    RECT r{};
    GetWindowRect(h, &r);
    Print(L"RECT=" + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
          std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"route" && argc == 3) return SetRoute(argv[2]);
    if (mode == L"stop" && argc == 2) return Stop();
    if (mode == L"capture" && argc == 4) return Capture(argv[2], argv[3]);
    if (mode == L"window" && (argc == 3 || argc == 4)) return ShowWindowRect(argv[2], argc == 4 ? argv[3] : nullptr);
    if (mode == L"grab" && argc == 4) return Grab(argv[2], argv[3]);
    Print(L"usage: clipdemo route <Config.ini> | stop | capture|grab <browser title> <expected text> | window <caption> [command]");
    return 2;
}
