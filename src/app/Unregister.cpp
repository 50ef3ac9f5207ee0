#include "app/Unregister.h"
#include <windows.h>
#include "app/ContextMenuEntry.h"
#include "app/NativeHostRegistration.h"

namespace {
// Runs the system's regsvr32 and waits for it, so the caller's exit code tells the truth.
bool RunRegsvr32(const std::wstring& arguments) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    DWORD code = 1;
    if (::WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return code == 0;
}
}  // namespace

int UnregisterEverything(const std::wstring& appDir) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kMenuExtKey);
    UnregisterNativeHost(appDir);
    bool ok = true;
    if (::GetFileAttributesW((appDir + L"Linkmoss.dll").c_str()) != INVALID_FILE_ATTRIBUTES)
        ok = RunRegsvr32(L"/u /s \"" + appDir + L"Linkmoss.dll\"");
    return ok ? 0 : 1;
}
