#include "LinkmossModule.h"
#include <oleauto.h>
#include "ClassFactory.h"
#include "ExtensionResource.h"
#include "LinkmossIds.h"
#include "Registrar.h"

CLinkmossModule g_module;

namespace {

// Registration runs in the system default locale; the caller's locale is restored after.
class SystemLocaleScope {
public:
    SystemLocaleScope() : m_saved(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~SystemLocaleScope() { SetThreadLocale(m_saved); }
    SystemLocaleScope(const SystemLocaleScope&) = delete;
    SystemLocaleScope& operator=(const SystemLocaleScope&) = delete;
private:
    LCID m_saved;
};

regscript::Variables ScriptVariables(const std::wstring& modulePath) {
    return {{L"MODULE", modulePath}, {L"APPID", GuidString(APPID_Linkmoss)}};
}

HRESULT RegisterTypeLibrary(const std::wstring& path) {
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    std::wstring fullPath = path;   // the call takes a writable string
    hr = RegisterTypeLib(lib, &fullPath[0], nullptr);
    lib->Release();
    return hr;
}

bool TypeLibraryRegistered(const TLIBATTR& attr) {
    std::wstring key = L"TypeLib\\" + GuidString(attr.guid) + L"\\" + std::to_wstring(attr.wMajorVerNum) + L"." +
                       std::to_wstring(attr.wMinorVerNum);
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

HRESULT UnregisterTypeLibrary(const std::wstring& path) {
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
        // Nothing to remove is not a failure of unregistration.
        if (FAILED(hr) && !TypeLibraryRegistered(*attr)) hr = S_OK;
        lib->ReleaseTLibAttr(attr);
    }
    lib->Release();
    return hr;
}

}  // namespace

std::wstring CLinkmossModule::ModulePath() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(m_instance, &path[0], (DWORD)path.size());
        if (n == 0) return L"";
        if (n < path.size()) { path.resize(n); return path; }
        path.resize(path.size() * 2);
    }
}

HRESULT CLinkmossModule::RegisterServer() {
    SystemLocaleScope locale;
    std::wstring path = ModulePath();
    regscript::Variables vars = ScriptVariables(path);
    HRESULT hr = regscript::RunResourceScript(m_instance, IDR_LINKMOSS, vars, regscript::Mode::Register);
    size_t count = 0;
    const ClassEntry* table = ClassTable(&count);
    for (size_t i = 0; SUCCEEDED(hr) && i < count; ++i)
        hr = regscript::RunResourceScript(m_instance, table[i].registryScript, vars, regscript::Mode::Register);
    if (SUCCEEDED(hr)) hr = RegisterTypeLibrary(path);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CLinkmossModule::UnregisterServer() {
    SystemLocaleScope locale;
    std::wstring path = ModulePath();
    regscript::Variables vars = ScriptVariables(path);
    HRESULT hr = S_OK;
    size_t count = 0;
    const ClassEntry* table = ClassTable(&count);
    for (size_t i = 0; SUCCEEDED(hr) && i < count; ++i)
        hr = regscript::RunResourceScript(m_instance, table[i].registryScript, vars, regscript::Mode::Unregister);
    if (SUCCEEDED(hr)) hr = UnregisterTypeLibrary(path);
    if (SUCCEEDED(hr)) hr = regscript::RunResourceScript(m_instance, IDR_LINKMOSS, vars, regscript::Mode::Unregister);
    return FAILED(hr) ? hr : S_OK;
}
