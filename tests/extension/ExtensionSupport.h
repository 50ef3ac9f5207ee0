// Helpers for the extension's tests: registry reads, regsvr32, the script host
// and the recorder program that stands in for Pagewick.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "support/Harness.h"

namespace lt {

extern const wchar_t kCaption[];
extern const wchar_t kMenuExt[];
extern const wchar_t kClsid[];
extern const wchar_t kLibid[];
extern const wchar_t kAppId[];

bool KeyExists(HKEY root, const std::wstring& key);
// REG_SZ data; "<missing>" when the value is absent or not a string.
std::wstring RegString(HKEY root, const std::wstring& key, const wchar_t* value);
std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& key);
std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& key);   // "" is the default value

// regsvr32's exit code (a time-out gives STILL_ACTIVE).
DWORD Regsvr32(const std::wstring& dll, bool unregister);

// The library registers for the current user, under HKCU\Software\Classes.
extern const wchar_t kUserClasses[];   // "Software\Classes\"
// Windows shows a user's own classes under HKCR, where COM finds them; Wine's COM
// reads only the machine's classes. A test that creates the object copies the
// library's per-user keys there (as Windows' merged view would show them) and
// removes the copies after.
void MirrorUserClassesToMachine();
void RemoveMachineMirror();

// Runs a .js file in the platform's script host; its exit code, the time taken in *ms.
DWORD RunScriptHost(const std::wstring& js, DWORD limitMs, DWORD* ms = nullptr);
void StartScriptHost(zt::Process& p, const std::wstring& js);
// The context-menu script: creates the object and calls CatchHtml; exit code 1 on an error.
void WriteCatchScript(const std::wstring& path);

void SetMenuExt(const std::wstring& appPath, const std::wstring& appName);
void DeleteMenuExt();

// Ids of the processes whose executable has this file name.
std::vector<DWORD> ProcessIds(const std::wstring& exeName);
void KillProcess(DWORD pid);
// Ends the processes of that name that are not in `before` (those a test caused to start).
void KillNewProcesses(const std::wstring& exeName, const std::vector<DWORD>& before);

// The recorder in a program folder of its own, with its settings file.
class RecorderDir {
public:
    explicit RecorderDir(const std::wstring& tag, const std::wstring& mode = L"window", bool hidden = false);
    ~RecorderDir();
    const std::wstring& Path() const { return m_dir.Path(); }
    std::wstring Log() const { return m_dir / L"recorder.log"; }
    std::vector<std::string> Lines() const;
    // Lines that start with `prefix`.
    int Count(const std::string& prefix) const;
    bool WaitForLine(const std::string& prefix, DWORD ms = 10000) const;
    // The recorders that logged their start here.
    std::vector<DWORD> Pids() const;
private:
    zt::ProgramDir m_dir;
};

}  // namespace lt
