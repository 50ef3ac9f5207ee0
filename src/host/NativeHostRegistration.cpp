#include "host/NativeHostRegistration.h"
#include "host/JsonQuoted.h"
#include <windows.h>
#include <cstdio>

const wchar_t kNativeHostName[] = L"zelvane.host";
const wchar_t kNativeHostExe[] = L"ZelvaneHost.exe";
const wchar_t kChromiumManifest[] = L"zelvane.host.chromium.json";
const wchar_t kFirefoxManifest[] = L"zelvane.host.firefox.json";
// Fixed by the public key in the extension's manifest.json.
const char kChromeExtensionOrigin[] = "chrome-extension://nkndjhdhndlkpaannbfjmokimdalnfhf/";
const char kFirefoxExtensionId[] = "capture@zelvane";

namespace {

const wchar_t* const kChromiumKeys[] = {
    L"Software\\Google\\Chrome\\NativeMessagingHosts\\zelvane.host",
    L"Software\\Microsoft\\Edge\\NativeMessagingHosts\\zelvane.host",
    L"Software\\Chromium\\NativeMessagingHosts\\zelvane.host",
};
const wchar_t kFirefoxKey[] = L"Software\\Mozilla\\NativeMessagingHosts\\zelvane.host";

// Compiled into the host too (its /register), so it needs nothing of the program.
std::string JsonString(const std::wstring& text) {
    std::string utf8(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &utf8[0], int(utf8.size()), nullptr, nullptr);
    return JsonQuoted(utf8);
}

std::string Manifest(const std::wstring& hostPath, const std::string& allowedKey, const std::string& allowed) {
    return "{\n  \"name\": \"zelvane.host\",\n"
           "  \"description\": \"Zelvane: hands the selection of a page to Pagewick\",\n"
           "  \"path\": " + JsonString(hostPath) + ",\n"
           "  \"type\": \"stdio\",\n"
           "  \"" + allowedKey + "\": [\"" + allowed + "\"]\n}\n";
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr) && written == bytes.size();
    ::CloseHandle(file);
    return ok;
}

bool PointKeyAt(const wchar_t* subKey, const std::wstring& manifestPath) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(manifestPath.c_str()),
                               DWORD((manifestPath.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return ok;
}

}  // namespace

std::string ChromiumHostManifest(const std::wstring& hostPath) {
    return Manifest(hostPath, "allowed_origins", kChromeExtensionOrigin);
}

std::string FirefoxHostManifest(const std::wstring& hostPath) {
    return Manifest(hostPath, "allowed_extensions", kFirefoxExtensionId);
}

bool RegisterNativeHost(const std::wstring& appDir) {
    std::wstring host = appDir + kNativeHostExe;
    bool ok = WriteFileBytes(appDir + kChromiumManifest, ChromiumHostManifest(host));
    for (const wchar_t* key : kChromiumKeys) ok = PointKeyAt(key, appDir + kChromiumManifest) && ok;
    ok = WriteFileBytes(appDir + kFirefoxManifest, FirefoxHostManifest(host)) && ok;
    return PointKeyAt(kFirefoxKey, appDir + kFirefoxManifest) && ok;
}

namespace {
// Deletes `path` and then its parents while they are empty, never above Software.
void DeleteKeyAndEmptyParents(std::wstring path) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    for (size_t cut; (cut = path.find_last_of(L'\\')) != std::wstring::npos && path.compare(0, cut, L"Software") != 0;) {
        path.resize(cut);
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        DWORD subkeys = 1, values = 1;
        ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                           nullptr, nullptr);
        ::RegCloseKey(key);
        if (subkeys || values || ::RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str()) != ERROR_SUCCESS) return;
    }
}
}  // namespace

void UnregisterNativeHost(const std::wstring& appDir) {
    for (const wchar_t* key : kChromiumKeys) DeleteKeyAndEmptyParents(key);
    DeleteKeyAndEmptyParents(kFirefoxKey);
    ::DeleteFileW((appDir + kChromiumManifest).c_str());
    ::DeleteFileW((appDir + kFirefoxManifest).c_str());
}
