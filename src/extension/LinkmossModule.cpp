#include "LinkmossModule.h"
#include <oleauto.h>
#include "ClassFactory.h"
#include "ExtensionResource.h"
#include "LinkmossIds.h"
#include "Registrar.h"
#include "UserTypeLib.h"

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
    if (SUCCEEDED(hr)) hr = RegisterTypeLibraryForUser(path);
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
    if (SUCCEEDED(hr)) hr = UnregisterTypeLibraryForUser(path);
    if (SUCCEEDED(hr)) hr = regscript::RunResourceScript(m_instance, IDR_LINKMOSS, vars, regscript::Mode::Unregister);
    return FAILED(hr) ? hr : S_OK;
}
