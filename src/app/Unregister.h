// `Pagewick.exe /unregister`: undoes what every start registers for the current user,
// for those who unpacked the zip and have no uninstaller.
#pragma once
#include <string>

// The 32-bit Linkmoss that the 64-bit package carries, relative to the program folder.
extern const wchar_t kLinkmoss32[];   // "x86\\Linkmoss.dll"
// The 32-bit regsvr32 when the 32-bit copy is there and this is 64-bit Windows, else "".
std::wstring Regsvr32Of32BitCopy(const std::wstring& appDir);

// Removes the context-menu entry, the native messaging host keys and manifests and
// the extension's COM registration (regsvr32 /u, waited for; the 32-bit copy's too). 0 when all went,
// 1 when regsvr32 could not be run or reported a failure.
int UnregisterEverything(const std::wstring& appDir);
