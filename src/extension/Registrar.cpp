#include "Registrar.h"

namespace regscript {
namespace {

HRESULT FromWin32(LONG err) { return err == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(err); }

bool IsGone(LONG err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }

LONG SetString(HKEY key, const std::wstring& name, const std::wstring& data) {
    return RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()), DWORD((data.size() + 1) * sizeof(wchar_t)));
}

HRESULT RegisterKey(HKEY parent, const Key& k) {
    if (k.removal == Removal::ForceRemove) {
        LONG err = RegDeleteTreeW(parent, k.name.c_str());
        if (err != ERROR_SUCCESS && !IsGone(err)) return FromWin32(err);
    }
    HKEY key = nullptr;
    LONG err = RegCreateKeyExW(parent, k.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                               nullptr, &key, nullptr);
    if (err != ERROR_SUCCESS) return FromWin32(err);
    HRESULT hr = S_OK;
    if (k.hasDefault) hr = FromWin32(SetString(key, L"", k.defaultData));
    for (size_t i = 0; SUCCEEDED(hr) && i < k.values.size(); ++i)
        hr = FromWin32(SetString(key, k.values[i].name, k.values[i].data));
    for (size_t i = 0; SUCCEEDED(hr) && i < k.subkeys.size(); ++i) hr = RegisterKey(key, k.subkeys[i]);
    RegCloseKey(key);
    return hr;
}

bool HasSubkeys(HKEY key) {
    DWORD count = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS && count > 0;
}

HRESULT UnregisterKey(HKEY parent, const Key& k) {
    if (k.removal == Removal::ForceRemove) {
        LONG err = RegDeleteTreeW(parent, k.name.c_str());
        return IsGone(err) ? S_OK : FromWin32(err);
    }
    HKEY key = nullptr;
    LONG err = RegOpenKeyExW(parent, k.name.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    if (IsGone(err)) return S_OK;
    if (err != ERROR_SUCCESS) return FromWin32(err);
    HRESULT hr = S_OK;
    for (size_t i = 0; SUCCEEDED(hr) && i < k.subkeys.size(); ++i) hr = UnregisterKey(key, k.subkeys[i]);
    for (size_t i = 0; SUCCEEDED(hr) && i < k.values.size(); ++i) {
        LONG e = RegDeleteValueW(key, k.values[i].name.c_str());
        if (e != ERROR_SUCCESS && !IsGone(e)) hr = FromWin32(e);
    }
    bool keep = k.removal == Removal::NoRemove || HasSubkeys(key);
    RegCloseKey(key);
    if (FAILED(hr) || keep) return hr;
    err = RegDeleteKeyW(parent, k.name.c_str());
    return IsGone(err) ? S_OK : FromWin32(err);
}

}  // namespace

HRESULT Apply(const Script& script, Mode mode, HKEY redirect) {
    for (const RootKey& root : script.roots) {
        HKEY base = redirect ? redirect : root.root;
        for (const Key& k : root.keys) {
            HRESULT hr = mode == Mode::Register ? RegisterKey(base, k) : UnregisterKey(base, k);
            if (FAILED(hr)) return hr;
        }
    }
    return S_OK;
}

HRESULT RunResourceScript(HMODULE module, UINT id, const Variables& variables, Mode mode) {
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    HGLOBAL mem = res ? LoadResource(module, res) : nullptr;
    const void* bytes = mem ? LockResource(mem) : nullptr;
    if (!bytes) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    ParseResult parsed = Parse(TextFromBytes(bytes, SizeofResource(module, res)), variables);
    if (!parsed.ok) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    // The scripts name HKCR; a user without administrator rights can only write his
    // own classes, and HKCR writes would land machine-wide.
    for (const RootKey& root : parsed.script.roots)
        if (root.root != HKEY_CLASSES_ROOT) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    HKEY classes = nullptr;
    LONG err = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_WRITE, nullptr, &classes, nullptr);
    if (err != ERROR_SUCCESS) return FromWin32(err);
    HRESULT hr = Apply(parsed.script, mode, classes);
    RegCloseKey(classes);
    return hr;
}

}  // namespace regscript
