#include "UserTypeLib.h"
#include <oleauto.h>
#include <vector>
#include "LinkmossIds.h"

namespace {

// The automation marshaller every dual interface is proxied by.
const wchar_t kOleAutomationMarshaller[] = L"{00020424-0000-0000-C000-000000000046}";

#ifdef _WIN64
const wchar_t kPlatform[] = L"win64";
#else
const wchar_t kPlatform[] = L"win32";
#endif

HRESULT FromWin32(LONG err) { return err == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(err); }
bool IsGone(LONG err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }

LONG SetText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& data) {
    HKEY k = nullptr;
    LONG err = RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &k, nullptr);
    if (err != ERROR_SUCCESS) return err;
    err = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         DWORD((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return err;
}

bool IsEmptyKey(HKEY root, const std::wstring& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0, values = 0;
    LONG err = RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                                nullptr, nullptr);
    RegCloseKey(k);
    return err == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

// A key that holds only its own default value and nothing below it.
bool HoldsOnlyDefault(HKEY root, const std::wstring& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0, values = 0;
    LONG err = RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                                nullptr, nullptr);
    DWORD type = 0;
    bool hasDefault = RegQueryValueExW(k, nullptr, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(k);
    return err == ERROR_SUCCESS && subkeys == 0 && values == (hasDefault ? 1u : 0u);
}

std::wstring Hex(unsigned value) {
    wchar_t buf[16];
    wsprintfW(buf, L"%x", value);
    return buf;
}

struct LibraryFacts {
    std::wstring libid, version, lcid, name;
    std::vector<std::pair<std::wstring, std::wstring>> interfaces;   // iid, name
};

HRESULT ReadLibrary(const std::wstring& path, LibraryFacts& facts) {
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        facts.libid = GuidString(attr->guid);
        facts.version = Hex(attr->wMajorVerNum) + L"." + Hex(attr->wMinorVerNum);
        facts.lcid = Hex(attr->lcid);
        lib->ReleaseTLibAttr(attr);
        BSTR doc = nullptr;
        if (SUCCEEDED(lib->GetDocumentation(-1, nullptr, &doc, nullptr, nullptr)) && doc) facts.name = doc;
        SysFreeString(doc);
        for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n; ++i) {
            ITypeInfo* info = nullptr;
            if (FAILED(lib->GetTypeInfo(i, &info))) continue;
            TYPEATTR* ta = nullptr;
            if (SUCCEEDED(info->GetTypeAttr(&ta))) {
                bool automation = ta->typekind == TKIND_DISPATCH ||
                                  (ta->typekind == TKIND_INTERFACE && (ta->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)));
                BSTR name = nullptr;
                if (automation && SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr)))
                    facts.interfaces.emplace_back(GuidString(ta->guid), name ? name : L"");
                SysFreeString(name);
                info->ReleaseTypeAttr(ta);
            }
            info->Release();
        }
    }
    lib->Release();
    return hr;
}

}  // namespace

HKEY OpenUserClasses() {
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return k;
}

HRESULT RegisterTypeLibraryForUser(const std::wstring& path) {
    LibraryFacts facts;
    HRESULT hr = ReadLibrary(path, facts);
    if (FAILED(hr)) return hr;
    HKEY classes = OpenUserClasses();
    if (!classes) return E_ACCESSDENIED;
    const std::wstring lib = L"TypeLib\\" + facts.libid + L"\\" + facts.version;
    std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    LONG err = SetText(classes, lib, nullptr, facts.name);
    if (!err) err = SetText(classes, lib + L"\\" + facts.lcid + L"\\" + kPlatform, nullptr, path);
    if (!err) err = SetText(classes, lib + L"\\FLAGS", nullptr, L"0");
    if (!err) err = SetText(classes, lib + L"\\HELPDIR", nullptr, folder);
    for (size_t i = 0; !err && i < facts.interfaces.size(); ++i) {
        const std::wstring key = L"Interface\\" + facts.interfaces[i].first;
        err = SetText(classes, key, nullptr, facts.interfaces[i].second);
        if (!err) err = SetText(classes, key + L"\\ProxyStubClsid", nullptr, kOleAutomationMarshaller);
        if (!err) err = SetText(classes, key + L"\\ProxyStubClsid32", nullptr, kOleAutomationMarshaller);
        if (!err) err = SetText(classes, key + L"\\TypeLib", nullptr, facts.libid);
        if (!err) err = SetText(classes, key + L"\\TypeLib", L"Version", facts.version);
    }
    RegCloseKey(classes);
    return FromWin32(err);
}

HRESULT UnregisterTypeLibraryForUser(const std::wstring& path) {
    LibraryFacts facts;
    HRESULT hr = ReadLibrary(path, facts);
    if (FAILED(hr)) return hr;
    HKEY classes = OpenUserClasses();
    if (!classes) return E_ACCESSDENIED;
    const std::wstring libKey = L"TypeLib\\" + facts.libid, verKey = libKey + L"\\" + facts.version,
                       lcidKey = verKey + L"\\" + facts.lcid;
    LONG err = RegDeleteTreeW(classes, (lcidKey + L"\\" + kPlatform).c_str());
    if (IsGone(err)) err = ERROR_SUCCESS;
    // The other platform's copy of the library (the 32-bit one beside the 64-bit
    // program) keeps the version key and the interfaces it shares.
    HKEY rest = nullptr;
    bool otherPlatform = RegOpenKeyExW(classes, lcidKey.c_str(), 0, KEY_READ, &rest) == ERROR_SUCCESS;
    if (rest) RegCloseKey(rest);
    otherPlatform = otherPlatform && !IsEmptyKey(classes, lcidKey);
    if (!err && !otherPlatform) {
        for (const auto& itf : facts.interfaces) {
            LONG e = RegDeleteTreeW(classes, (L"Interface\\" + itf.first).c_str());
            if (e != ERROR_SUCCESS && !IsGone(e)) err = e;
        }
        LONG e = RegDeleteTreeW(classes, verKey.c_str());
        if (e != ERROR_SUCCESS && !IsGone(e)) err = e;
        if (!err && (IsEmptyKey(classes, libKey) || HoldsOnlyDefault(classes, libKey))) RegDeleteKeyW(classes, libKey.c_str());
    }
    RegCloseKey(classes);
    return FromWin32(err);
}
