#include "settings/AppDir.h"
#include <windows.h>

namespace {
std::wstring& TestOverride() {
    static std::wstring dir;
    return dir;
}
}  // namespace

std::wstring GetAppDir() {
    if (!TestOverride().empty()) return TestOverride();
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s = path;
    size_t slash = s.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : s.substr(0, slash + 1);
}

void SetAppDirForTesting(const std::wstring& dir) { TestOverride() = dir; }
