#include "app/ContextMenuEntry.h"
#include "framework/Resources.h"

const wchar_t kMenuExtKey[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt\\使用\"Zelvane\"捕获网文";

std::vector<BYTE> RegistryStringBlock(const std::wstring& text) {
    const size_t block = 128;
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    std::vector<BYTE> data(bytes > block ? bytes : block, 0);
    memcpy(data.data(), text.c_str(), text.size() * sizeof(wchar_t));
    return data;
}

namespace {
bool SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
    std::vector<BYTE> data = RegistryStringBlock(text);
    return ::RegSetValueExW(key, name, 0, REG_SZ, data.data(), (DWORD)data.size()) == ERROR_SUCCESS;
}
}  // namespace

bool WriteContextMenuEntry(const std::wstring& appDir, const std::wstring& programFileName) {
    HKEY key = nullptr;
    bool ok = ::RegOpenKeyExW(HKEY_CURRENT_USER, kMenuExtKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS;
    if (!ok)
        ok = ::RegCreateKeyExW(HKEY_CURRENT_USER, kMenuExtKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, &key, nullptr) == ERROR_SUCCESS;
    if (ok) {
        DWORD contexts = 0x12;   // images and text selections
        ok = SetString(key, nullptr, appDir + L"geturl.htm") &&
             ::RegSetValueExW(key, L"Contexts", 0, REG_DWORD, (const BYTE*)&contexts, sizeof(contexts)) == ERROR_SUCCESS &&
             SetString(key, L"AppPath", appDir) && !programFileName.empty() &&
             SetString(key, L"AppName", programFileName);
    }
    if (!ok) AfxMessageBox(L"Write Reg error!");
    if (key) ::RegCloseKey(key);
    return ok;
}
