#include "app/Unregister.h"
#include <windows.h>
#include "app/ContextMenuEntry.h"
#include "host/NativeHostRegistration.h"

const wchar_t kLinkmoss32[] = L"x86\\Linkmoss.dll";

std::wstring Regsvr32Of32BitCopy(const std::wstring& appDir) {
    wchar_t wow64[MAX_PATH] = {};
    if (::GetFileAttributesW((appDir + kLinkmoss32).c_str()) == INVALID_FILE_ATTRIBUTES ||
        !::GetSystemWow64DirectoryW(wow64, MAX_PATH))
        return L"";
    return std::wstring(wow64) + L"\\regsvr32.exe";
}

namespace {
enum class Outcome { Done, Failed, NotStarted };

// Runs a regsvr32 and waits for it, so the caller's exit code tells the truth.
Outcome RunRegsvr32(const std::wstring& program, const std::wstring& arguments) {
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return Outcome::NotStarted;
    DWORD code = 1;
    if (::WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return code == 0 ? Outcome::Done : Outcome::Failed;
}
}  // namespace

int UnregisterEverything(const std::wstring& appDir) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kMenuExtKey);
    UnregisterNativeHost(appDir);
    bool ok = true;
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    if (::GetFileAttributesW((appDir + L"Linkmoss.dll").c_str()) != INVALID_FILE_ATTRIBUTES)
        ok = RunRegsvr32(std::wstring(system) + L"\\regsvr32.exe", L"/u /s \"" + appDir + L"Linkmoss.dll\"") == Outcome::Done;
    // A system that cannot start the 32-bit regsvr32 never registered the 32-bit copy either.
    std::wstring regsvr32 = Regsvr32Of32BitCopy(appDir);
    if (!regsvr32.empty() &&
        RunRegsvr32(regsvr32, L"/u /s \"" + appDir + kLinkmoss32 + L"\"") == Outcome::Failed)
        ok = false;
    return ok ? 0 : 1;
}
