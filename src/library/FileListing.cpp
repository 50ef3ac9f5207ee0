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

std::wstring RelativeFolder(const std::wstring& appDir, const std::wstring& listed) {
    std::wstring dir = ListedFolder(appDir, L"");
    if (listed.size() < dir.size() || _wcsnicmp(listed.c_str(), dir.c_str(), dir.size()) != 0) return listed;
    std::wstring rel = listed.substr(dir.size());
    if (!rel.empty() && rel[0] == L'\\') rel.erase(0, 1);
    return rel;
}

std::wstring FileCountText(int count) { return L"此文件夹中含有：" + std::to_wstring(count) + L" 个网页文件！"; }

std::wstring FoundCountText(int count) { return L"找到 " + std::to_wstring(count) + L" 个网页文件"; }

const wchar_t kIllegalCharsMessage[] = L"目录中含有非法字符！";

std::wstring NameBeforeFirstDot(const std::wstring& name) {
    size_t dot = name.find(L'.');
    return dot == std::wstring::npos ? L"" : name.substr(0, dot);
}

std::wstring RenameRefusal(const std::wstring& text, const std::wstring& folder) {
    for (wchar_t c : std::wstring(L"\\/?*:<>|\""))
        if (text.find(c) != std::wstring::npos) return kIllegalCharsMessage;
    for (wchar_t c : text)
        if (c < 32) return kIllegalCharsMessage;
    std::wstring base = text.substr(0, text.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"})
        if (_wcsicmp(base.c_str(), device) == 0) return L"“" + text + L"”是系统保留的名字，不能用作文件名！";
    if (base.size() == 4 && (_wcsnicmp(base.c_str(), L"COM", 3) == 0 || _wcsnicmp(base.c_str(), L"LPT", 3) == 0) &&
        base[3] >= L'1' && base[3] <= L'9')
        return L"“" + text + L"”是系统保留的名字，不能用作文件名！";
    if (folder.size() + 1 + text.size() + 4 >= MAX_PATH) return L"文件名太长！";
    return L"";
}
