// `Pagewick.exe /unregister`: undoes what every start registers for the current user,
// for those who unpacked the zip and have no uninstaller.
#pragma once
#include <string>

// Removes the context-menu entry, the native messaging host keys and manifests and
// the extension's COM registration (regsvr32 /u, waited for). 0 when all went,
// 1 when regsvr32 could not be run or reported a failure.
int UnregisterEverything(const std::wstring& appDir);
