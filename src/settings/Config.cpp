#include "settings/Config.h"
#include "settings/AppDir.h"
#include <vector>

namespace config {

std::wstring Path() { return GetAppDir() + L"Config.ini"; }

bool Exists() {
    DWORD a = ::GetFileAttributesW(Path().c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Read(const wchar_t* section, const wchar_t* key, DWORD bufferChars) {
    std::wstring buf(bufferChars, L'\0');
    DWORD n = ::GetPrivateProfileStringW(section, key, L"", &buf[0], bufferChars, Path().c_str());
    buf.resize(n);
    return buf;
}

int ToInt(const std::wstring& text) {
    // Like _wtoi: optional sign, then digits; anything else ends the number.
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long long v = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        v = v * 10 + (text[i] - L'0');
        if (v > 0x7FFFFFFF) { v = 0x7FFFFFFF; break; }
    }
    return static_cast<int>(negative ? -v : v);
}

int ReadInt(const wchar_t* section, const wchar_t* key, DWORD bufferChars) {
    return ToInt(Read(section, key, bufferChars));
}

namespace {

std::vector<BYTE> ReadWholeFile(const std::wstring& path, bool& ok) {
    std::vector<BYTE> bytes;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ok = h != INVALID_HANDLE_VALUE;
    if (!ok) return bytes;
    LARGE_INTEGER size{};
    ok = ::GetFileSizeEx(h, &size) && size.QuadPart < (1 << 24);
    if (ok && size.QuadPart > 0) {
        bytes.resize(size_t(size.QuadPart));
        DWORD got = 0;
        ok = ::ReadFile(h, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size();
    }
    ::CloseHandle(h);
    return bytes;
}

// A settings file without the UTF-16 byte-order mark (made by hand or by an older version)
// is kept by the profile functions in the ANSI code page, which loses Chinese values.
// It is rewritten once as UTF-16LE with the mark, every key and value kept, through a
// temporary file that replaces it in one step.
void MakeUnicode(const std::wstring& path) {
    bool ok = false;
    std::vector<BYTE> bytes = ReadWholeFile(path, ok);
    if (!ok || (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)) return;
    UINT codePage = CP_ACP;
    size_t skip = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        codePage = CP_UTF8;   // read as UTF-8 by the profile functions too
        skip = 3;
    }
    std::wstring text;
    if (bytes.size() > skip) {
        const char* data = reinterpret_cast<const char*>(bytes.data()) + skip;
        int n = ::MultiByteToWideChar(codePage, 0, data, int(bytes.size() - skip), nullptr, 0);
        if (n <= 0) return;
        text.resize(size_t(n));
        ::MultiByteToWideChar(codePage, 0, data, int(bytes.size() - skip), &text[0], n);
    }
    std::wstring temp = path + L".new";
    HANDLE h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    static const BYTE bom[2] = {0xFF, 0xFE};
    DWORD put = 0, putText = 0;
    DWORD textBytes = DWORD(text.size() * sizeof(wchar_t));
    bool written = ::WriteFile(h, bom, 2, &put, nullptr) && put == 2 &&
                   (textBytes == 0 || (::WriteFile(h, text.data(), textBytes, &putText, nullptr) && putText == textBytes));
    written = ::FlushFileBuffers(h) && written;
    ::CloseHandle(h);
    if (!written || !::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ::DeleteFileW(temp.c_str());
}

}  // namespace

bool Write(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    std::wstring path = Path();
    if (Exists()) MakeUnicode(path);
    else {
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            static const BYTE bom[2] = {0xFF, 0xFE};
            DWORD put = 0;
            ::WriteFile(h, bom, 2, &put, nullptr);
            ::CloseHandle(h);
        }
    }
    return ::WritePrivateProfileStringW(section, key, value.c_str(), path.c_str()) != 0;
}

void WriteFirstRunDefaults() {
    Write(L"SEL", L"ROUTE", L"0");
    Write(L"FILENAME", L"LEN", L"10");
    Write(L"OPENMSG", L"BSHOW", L"true");
    // Alt+Shift+A and Alt+Shift+S: Shift and a letter alone would take that capital
    // letter from every other program while this one runs.
    Write(L"HOTKEY", L"GETKEYPROV", L"4");
    Write(L"HOTKEY", L"GETKEYNEXT", L"0");
    Write(L"HOTKEY", L"SAVEKEYPROV", L"4");
    Write(L"HOTKEY", L"SAVEKEYNEXT", L"18");
}

}  // namespace config
