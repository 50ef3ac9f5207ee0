// Other processes seen from a test: by file name, and their command lines.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace zt {

std::vector<DWORD> ProcessesNamed(const wchar_t* exe);
// A process's command line, read from its process parameters (64-bit layout).
std::wstring CommandLineOf(HANDLE process);
// The id of a process named exe that is not in before, waited for up to ms; 0 if none came.
DWORD WaitForNewProcess(const wchar_t* exe, const std::vector<DWORD>& before, DWORD ms);
// The same, then the new process's command line is read and the process ended;
// false if none came.
bool EndNewProcess(const wchar_t* exe, const std::vector<DWORD>& before, DWORD ms, std::wstring& commandLine);

}  // namespace zt
