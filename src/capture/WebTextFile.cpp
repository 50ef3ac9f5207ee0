#include "capture/WebTextFile.h"
#include <shlwapi.h>
#include "editor/HtmlText.h"
#include "framework/Utf16.h"
#include <cwctype>

const wchar_t kIllegalNameMessage[] = L"目录中含有非法字符：\\ / ? * : \" < > | ！";
const wchar_t kControlCharMessage[] = L"文件名中含有控制字符（如制表符），请删除后再保存！";
const wchar_t kTrailingDotMessage[] = L"文件名不能以点或空格结尾，请修改后再保存！";
const wchar_t kPathTooLongMessage[] = L"文件名太长：保存网文的完整路径超出了系统的限制，请缩短文件名！";

namespace {
DWORD LastError() {
    DWORD e = ::GetLastError();
    return e ? e : ERROR_WRITE_FAULT;
}

void ReplaceAll(std::wstring& s, const std::wstring& from, const std::wstring& to) {
    if (from.empty()) return;
    for (size_t i = s.find(from); i != std::wstring::npos; i = s.find(from, i + to.size())) s.replace(i, from.size(), to);
}
}  // namespace

namespace {
bool IsControl(wchar_t c) { return c < 0x20 || c == 0x7F; }
bool IsBlankOrDot(wchar_t c) { return c == L' ' || c == L'.' || c == 0x3000; }
}  // namespace

std::wstring ProposeWebTextName(const std::wstring& text, int length) {
    if (length <= 0) return L"";
    std::wstring clean;
    for (wchar_t c : text) {
        if (c == L'\r' || c == L'\n') continue;
        if (clean.empty() && (IsControl(c) || c == L' ' || c == 0x3000)) continue;
        clean += IsControl(c) ? L' ' : c;
    }
    std::wstring name = FirstCharacters(clean, (size_t)length);
    while (!name.empty() && IsBlankOrDot(name.back())) name.pop_back();
    return name;
}

std::wstring WebTextNameProblem(const std::wstring& name, const std::wstring& path) {
    if (name.empty()) return L"";   // nothing is saved
    for (wchar_t c : name)
        if (IsControl(c)) return kControlCharMessage;
    if (name.back() == L'.' || name.back() == L' ') return kTrailingDotMessage;
    // Windows takes the part before the first dot (and its trailing spaces) as a device.
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base) c = (wchar_t)std::towupper(c);
    bool reserved = base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
                    base == L"CONOUT$" ||
                    (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
                     base[3] >= L'1' && base[3] <= L'9');
    if (reserved) return L"“" + name.substr(0, name.find(L'.')) + L"”是系统保留的设备名，不能用作文件名，请换一个名称！";
    // The file is written through a temporary file beside it and then renamed.
    if (path.size() >= MAX_PATH || name.size() + 4 > 255) return kPathTooLongMessage;
    return L"";
}

bool HasIllegalNameChar(const std::wstring& name) {
    return name.find_first_of(L"\\/?*:<>|\"") != std::wstring::npos;
}

std::wstring CleanFileName(const std::wstring& text) {
    std::wstring s = text;
    ReplaceAll(s, L":", L"\uFF1A");
    ReplaceAll(s, L"<", L"");
    ReplaceAll(s, L">", L"");
    ReplaceAll(s, L"?", L"\uFF1F");
    ReplaceAll(s, L"/", L"");
    ReplaceAll(s, L"\"", L"");
    ReplaceAll(s, L"\\", L"");
    ReplaceAll(s, L"*", L"");
    ReplaceAll(s, L"|", L"");
    ReplaceAll(s, L"\r\n", L"");
    ReplaceAll(s, L"\r", L"");
    return s;
}

std::wstring FolderFileUrl(const std::wstring& appDir, const std::wstring& folder) {
    // The same prefix the editor gives the folder's relative addresses when it opens a file.
    return htmltext::FolderFileUrl(appDir + folder);
}

void RemoveFolderFileUrl(std::wstring& html, const std::wstring& appDir, const std::wstring& folder,
                         const std::wstring& documentUrl) {
    ReplaceAll(html, FolderFileUrl(appDir, folder), L"");
    // The platform engine resolves addresses against the document's own URL, escaped
    // (spaces as %20): its folder part is removed too when it is this folder.
    if (documentUrl.compare(0, 5, L"file:") != 0) return;
    std::wstring base = documentUrl.substr(0, documentUrl.find_first_of(L"?#"));
    base.erase(base.find_last_of(L'/') + 1);
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (FAILED(::PathCreateFromUrlW(base.c_str(), path, &size, 0))) return;
    std::wstring folderPath = appDir + folder + L"\\";
    if (::CompareStringOrdinal(path, -1, folderPath.c_str(), -1, TRUE) == CSTR_EQUAL) ReplaceAll(html, base, L"");
}

std::wstring WrapWebText(const std::wstring& name, const std::wstring& body) {
    return L"<HTML><HEAD><TITLE>" + name + L"</TITLE></HEAD><BODY>" + body + L"</BODY></HTML>";
}

DWORD WriteWebTextFile(const std::wstring& path, const std::wstring& text,
                       const std::function<bool(const std::wstring& temp)>& beforeReplace) {
    size_t slash = path.find_last_of(L'\\');
    std::wstring dir = slash == std::wstring::npos ? L"." : path.substr(0, slash);
    wchar_t temp[MAX_PATH + 16] = {};
    if (dir.size() >= MAX_PATH - 14) return ERROR_FILENAME_EXCED_RANGE;
    if (!::GetTempFileNameW(dir.c_str(), L"wt", 0, temp)) return LastError();
    HANDLE file = ::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = LastError();
        ::DeleteFileW(temp);
        return error;
    }
    static const BYTE bom[2] = {0xFF, 0xFE};
    DWORD put = 0, error = 0;
    DWORD bytes = (DWORD)(text.size() * sizeof(wchar_t));
    if (!::WriteFile(file, bom, 2, &put, nullptr) || put != 2) error = LastError();
    if (!error && bytes && (!::WriteFile(file, text.data(), bytes, &put, nullptr) || put != bytes)) error = LastError();
    if (!error && !::FlushFileBuffers(file)) error = LastError();
    ::CloseHandle(file);
    if (!error && beforeReplace && !beforeReplace(temp)) return ERROR_CANCELLED;
    if (!error && !::MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = LastError();
    if (error) ::DeleteFileW(temp);
    return error;
}
