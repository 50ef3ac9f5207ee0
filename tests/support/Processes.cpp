#include "support/Processes.h"
#include "support/Harness.h"
#include <algorithm>
#include <tlhelp32.h>
#include <winternl.h>

namespace zt {

std::vector<DWORD> ProcessesNamed(const wchar_t* exe) {
    std::vector<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
        if (_wcsicmp(pe.szExeFile, exe) == 0) ids.push_back(pe.th32ProcessID);
    CloseHandle(snap);
    return ids;
}

std::wstring CommandLineOf(HANDLE process) {
    PROCESS_BASIC_INFORMATION info{};
    ULONG len = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof(info), &len) != 0) return L"";
    BYTE* params = nullptr;
    UNICODE_STRING line{};
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, (BYTE*)info.PebBaseAddress + 0x20, &params, sizeof(params), &got) ||
        !ReadProcessMemory(process, params + 0x70, &line, sizeof(line), &got))
        return L"";
    std::wstring text(line.Length / 2, L'\0');
    if (!ReadProcessMemory(process, line.Buffer, &text[0], line.Length, &got)) return L"";
    return text;
}

DWORD WaitForNewProcess(const wchar_t* exe, const std::vector<DWORD>& before, DWORD ms) {
    DWORD found = 0;
    WaitFor([&] {
        for (DWORD id : ProcessesNamed(exe))
            if (std::find(before.begin(), before.end(), id) == before.end()) found = id;
        return found != 0;
    }, ms);
    return found;
}

bool EndNewProcess(const wchar_t* exe, const std::vector<DWORD>& before, DWORD ms, std::wstring& commandLine) {
    commandLine.clear();
    DWORD id = WaitForNewProcess(exe, before, ms);
    if (!id) return false;
    if (HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
        commandLine = CommandLineOf(h);
        TerminateProcess(h, 0);
        WaitForSingleObject(h, 5000);
        CloseHandle(h);
    }
    return true;
}

}  // namespace zt
