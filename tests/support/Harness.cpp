#include "support/Harness.h"
#include <shellapi.h>
#include <fstream>

namespace zt {

std::string Narrow(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
    std::vector<unsigned char> out;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    DWORD size = GetFileSize(h, nullptr), got = 0;
    out.resize(size);
    if (size) ReadFile(h, out.data(), size, &got, nullptr);
    out.resize(got);
    CloseHandle(h);
    return out;
}

std::wstring ReadTextFile(const std::wstring& path) {
    auto b = ReadBytes(path);
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        return std::wstring(reinterpret_cast<const wchar_t*>(b.data() + 2), (b.size() - 2) / 2);
    }
    int n = MultiByteToWideChar(CP_UTF8, 0, (const char*)b.data(), (int)b.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, (const char*)b.data(), (int)b.size(), &w[0], n);
    return w;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD put = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &put, nullptr);
    CloseHandle(h);
}

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do {
            std::wstring n = fd.cFileName;
            if (n == L"." || n == L"..") continue;
            std::wstring p = path + L"\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(p);
            else { SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL); DeleteFileW(p.c_str()); }
        } while (FindNextFileW(f, &fd));
        FindClose(f);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring DistFile(const std::wstring& name) { return std::wstring(DIST_DIR_W) + name; }
std::wstring ToolFile(const std::wstring& name) { return std::wstring(TOOLS_DIR_W) + name; }

namespace {
std::wstring FreshFolder(const std::wstring& tag) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    static int counter = 0;
    std::wstring path = std::wstring(tmp) + tag + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++counter);
    RemoveTree(path);
    CreateDirectoryW(path.c_str(), nullptr);
    return path + L"\\";
}
}  // namespace

TempFolder::TempFolder(const std::wstring& tag) : m_path(FreshFolder(L"zelvane " + tag + L" ")) {}
TempFolder::~TempFolder() { RemoveTree(NoSlash()); }

int CountFiles(const std::wstring& folder) {
    std::wstring pattern = folder;
    if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
    int n = 0;
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((pattern + L"*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return 0;
    do n += !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY); while (FindNextFileW(f, &fd));
    FindClose(f);
    return n;
}

ProgramDir::ProgramDir(const std::wstring& tag) : m_path(FreshFolder(L"Zelvane 网文 " + tag)) {
    for (const wchar_t* f : {L"Pagewick.exe", L"Linkmoss.dll", L"geturl.htm", L"ZelvaneHost.exe"})
        CopyFileW(DistFile(f).c_str(), (m_path + f).c_str(), FALSE);
}

ProgramDir::~ProgramDir() { RemoveTree(m_path.substr(0, m_path.size() - 1)); }

void ProgramDir::WriteConfig(const std::wstring& section, const std::wstring& key, const std::wstring& value) const {
    WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), (m_path + L"Config.ini").c_str());
}

std::wstring ProgramDir::ReadConfig(const std::wstring& section, const std::wstring& key) const {
    wchar_t buf[512] = {};
    GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buf, 512, (m_path + L"Config.ini").c_str());
    return buf;
}

void ProgramDir::WriteDefaultConfig() const {
    // UTF-16 file, as the program creates it.
    WriteBytes(m_path + L"Config.ini", std::string("\xFF\xFE", 2));
    WriteConfig(L"SEL", L"ROUTE", L"0");
    WriteConfig(L"FILENAME", L"LEN", L"10");
    WriteConfig(L"OPENMSG", L"BSHOW", L"true");
    WriteConfig(L"HOTKEY", L"GETKEYPROV", L"2");
    WriteConfig(L"HOTKEY", L"GETKEYNEXT", L"0");
    WriteConfig(L"HOTKEY", L"SAVEKEYPROV", L"2");
    WriteConfig(L"HOTKEY", L"SAVEKEYNEXT", L"18");
    for (const wchar_t* f : {L"新闻", L"小说", L"散文", L"诗歌", L"天文", L"地理", L"历史"})
        CreateDirectoryW((m_path + f).c_str(), nullptr);
}

Process::~Process() {
    Kill();
}

bool Process::Start(const std::wstring& exe, const std::wstring& args) {
    std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    std::wstring dir = exe.substr(0, exe.find_last_of(L'\\'));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    return CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &m_pi) != 0;
}

DWORD Process::Wait(DWORD ms) {
    if (!m_pi.hProcess) return STILL_ACTIVE;
    if (WaitForSingleObject(m_pi.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

void Process::Kill() {
    if (!m_pi.hProcess) return;
    if (WaitForSingleObject(m_pi.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(m_pi.hProcess, 1);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
    m_pi = {};
}

namespace {
struct FindCtx { std::wstring caption; std::wstring cls; DWORD pid; HWND found; };
BOOL CALLBACK FindProc(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<FindCtx*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (c->pid && pid != c->pid) return TRUE;
    if (!c->cls.empty()) {
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        if (c->cls != cls) return TRUE;
    }
    if (!c->caption.empty() && WindowText(h) != c->caption) return TRUE;
    c->found = h;
    return FALSE;
}
}  // namespace

std::wstring WindowText(HWND hwnd) {
    wchar_t buf[2048] = {};
    // WM_GETTEXT works across processes for windows of other programs.
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 2048, (LPARAM)buf, SMTO_ABORTIFHUNG, 3000, nullptr);
    return buf;
}

HWND FindWindowByCaption(const std::wstring& caption, DWORD pid) {
    FindCtx c{caption, L"", pid, nullptr};
    EnumWindows(FindProc, (LPARAM)&c);
    return c.found;
}

HWND WaitForWindow(const std::wstring& caption, DWORD pid, DWORD ms) {
    HWND h = nullptr;
    WaitFor([&] { return (h = FindWindowByCaption(caption, pid)) != nullptr; }, ms);
    return h;
}

HWND WaitForDialog(DWORD pid, DWORD ms, const std::wstring& caption) {
    HWND h = nullptr;
    WaitFor([&] {
        FindCtx c{caption, L"#32770", pid, nullptr};
        EnumWindows(FindProc, (LPARAM)&c);
        h = (c.found && IsWindowVisible(c.found)) ? c.found : nullptr;
        return h != nullptr;
    }, ms);
    return h;
}

std::vector<HWND> VisibleDialogs(DWORD pid) {
    struct Ctx { DWORD pid; std::vector<HWND> out; } c{pid, {}};
    EnumWindows([](HWND h, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        wchar_t cls[16] = {};
        GetClassNameW(h, cls, 16);
        if (owner == c->pid && IsWindowVisible(h) && wcscmp(cls, L"#32770") == 0) c->out.push_back(h);
        return TRUE;
    }, (LPARAM)&c);
    return c.out;
}

std::vector<HWND> ChildWindows(HWND parent, const std::wstring& className) {
    struct Ctx { std::wstring cls; std::vector<HWND> out; } c{className, {}};
    EnumChildWindows(parent, [](HWND h, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        if (c->cls.empty() || _wcsicmp(c->cls.c_str(), cls) == 0) c->out.push_back(h);
        return TRUE;
    }, (LPARAM)&c);
    return c.out;
}

std::wstring MessageBoxText(HWND box) {
    // The message text is the static control without an icon (id 0xFFFF).
    HWND text = GetDlgItem(box, 0xFFFF);
    if (text) return WindowText(text);
    for (HWND h : ChildWindows(box, L"Static")) {
        std::wstring t = WindowText(h);
        if (!t.empty()) return t;
    }
    return L"";
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

}  // namespace zt
