#include "library/FileListing.h"

#include <cwchar>

std::wstring FormatFileTime(const FILETIME& utc) {
    FILETIME local{};
    if (!::FileTimeToLocalFileTime(&utc, &local)) return L"";
    return FormatLocalFileTime(local);
}

LONGLONG LocalTimeBias() {
    FILETIME utc{}, local{};
    ::GetSystemTimeAsFileTime(&utc);
    if (!::FileTimeToLocalFileTime(&utc, &local)) return 0;
    auto ticks = [](const FILETIME& f) { return (LONGLONG)(((ULONGLONG)f.dwHighDateTime << 32) | f.dwLowDateTime); };
    return ticks(local) - ticks(utc);
}

FILETIME AddBias(const FILETIME& utc, LONGLONG bias) {
    ULONGLONG t = (((ULONGLONG)utc.dwHighDateTime << 32) | utc.dwLowDateTime) + (ULONGLONG)bias;
    return FILETIME{(DWORD)t, (DWORD)(t >> 32)};
}

std::wstring FormatLocalFileTime(const FILETIME& local) {
    SYSTEMTIME t{};
    if (!::FileTimeToSystemTime(&local, &t)) return L"";
    // "%02d" is the "0%d" below ten, "%d" above.
    wchar_t buf[32];
    _snwprintf(buf, 32, L"%02d/%02d/%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    buf[31] = 0;
    return buf;
}

std::wstring FormatCreationTime(const std::wstring& folder, const std::wstring& name) {
    std::wstring path = folder + L"\\" + name;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return L"";
    FILETIME created{};
    std::wstring text = ::GetFileTime(h, &created, nullptr, nullptr) ? FormatFileTime(created) : L"";
    ::CloseHandle(h);
    return text;
}

std::wstring StartFolderKey(const std::wstring& idText) {
    long long n = 0;
    for (size_t i = 0; i < idText.size() && idText[i] >= L'0' && idText[i] <= L'9' && n < 1000000000; ++i)
        n = n * 10 + (idText[i] - L'0');
    return L"INDEX" + std::to_wstring(n - 1);
}

std::wstring ListedFolder(const std::wstring& appDir, const std::wstring& relPath) {
    std::wstring folder = appDir + relPath;
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

std::wstring FileCountText(int count) { return L"此文件夹中含有：" + std::to_wstring(count) + L" 个网页文件！"; }
