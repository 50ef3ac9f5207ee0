#include "settings/Config.h"
#include "settings/AppDir.h"

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

bool Write(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    std::wstring path = Path();
    if (!Exists()) {
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
    Write(L"HOTKEY", L"GETKEYPROV", L"2");
    Write(L"HOTKEY", L"GETKEYNEXT", L"0");
    Write(L"HOTKEY", L"SAVEKEYPROV", L"2");
    Write(L"HOTKEY", L"SAVEKEYNEXT", L"18");
}

}  // namespace config
