// Helpers for tests that drive the real programs: program folders, processes,
// windows and message boxes.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace zt {

std::string Narrow(const std::wstring& w);   // UTF-8, for test messages
std::wstring ReadTextFile(const std::wstring& path);   // UTF-16LE with BOM, or UTF-8
std::vector<unsigned char> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);

// A fresh empty folder under the temporary folder (its name has a space and the
// tag), removed again at destruction. Path() ends with a backslash.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& tag);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return m_path; }
    std::wstring NoSlash() const { return m_path.substr(0, m_path.size() - 1); }
private:
    std::wstring m_path;
};

// Files (not folders) directly in a folder.
int CountFiles(const std::wstring& folder);

// A fresh program folder (its name has spaces and Chinese characters) with the
// deliverables copied in. Removed again at destruction.
class ProgramDir {
public:
    explicit ProgramDir(const std::wstring& tag = L"");
    ~ProgramDir();
    const std::wstring& Path() const { return m_path; }   // with trailing backslash
    std::wstring operator/(const std::wstring& rel) const { return m_path + rel; }
    std::wstring Exe() const { return m_path + L"Pagewick.exe"; }
    void WriteConfig(const std::wstring& section, const std::wstring& key, const std::wstring& value) const;
    std::wstring ReadConfig(const std::wstring& section, const std::wstring& key) const;
    // Writes the settings and folders a first run would, so the next start runs normally.
    void WriteDefaultConfig() const;
private:
    std::wstring m_path;
};

class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    bool Start(const std::wstring& exe, const std::wstring& args = L"");
    // Exit code, or STILL_ACTIVE when it did not end within the time.
    DWORD Wait(DWORD ms);
    void Kill();
    DWORD Id() const { return m_pi.dwProcessId; }
    HANDLE Handle() const { return m_pi.hProcess; }
private:
    PROCESS_INFORMATION m_pi{};
};

// Polls until pred() is true or the time is up.
template <class F> bool WaitFor(F pred, DWORD ms = 10000, DWORD step = 50) {
    DWORD start = GetTickCount();
    for (;;) {
        if (pred()) return true;
        if (GetTickCount() - start > ms) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) { TranslateMessage(&msg); DispatchMessageW(&msg); }
        Sleep(step);
    }
}

HWND FindWindowByCaption(const std::wstring& caption, DWORD pid = 0);
HWND WaitForWindow(const std::wstring& caption, DWORD pid = 0, DWORD ms = 15000);
// A dialog (#32770) of the process, such as a message box; null when none came.
HWND WaitForDialog(DWORD pid, DWORD ms = 15000, const std::wstring& caption = L"");
// The visible dialogs (#32770) of the process now, message boxes included.
std::vector<HWND> VisibleDialogs(DWORD pid);
std::wstring WindowText(HWND hwnd);
// The text of a message box (its static control).
std::wstring MessageBoxText(HWND box);
// Presses a button of a dialog by id (as a click would).
void PressButton(HWND dialog, int id);
std::vector<HWND> ChildWindows(HWND parent, const std::wstring& className = L"");

// The full Windows path of a file beside the test executable's build outputs.
std::wstring DistFile(const std::wstring& name);
std::wstring ToolFile(const std::wstring& name);

}  // namespace zt
