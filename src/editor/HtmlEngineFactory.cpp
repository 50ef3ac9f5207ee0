#include "editor/PlatformHtmlEngine.h"
#include <cwchar>

namespace {
// Both views use one engine: the first view decides, later views follow.
enum class Choice { Open, Platform, Builtin };
Choice g_choice = Choice::Open;
BrowserControlSource g_source;
HRESULT g_reason = S_OK;
}  // namespace

void SetBrowserControlSource(BrowserControlSource source) {
    g_source = std::move(source);
    g_choice = Choice::Open;
    g_reason = S_OK;
}

HRESULT BuiltinEngineReason() { return g_reason; }

std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND view) { return CreatePlatformHtmlEngine(view, g_source); }

std::unique_ptr<HtmlEngine> CreateHtmlEngine(HWND view, bool hidden) {
    if (g_choice != Choice::Builtin) {
        if (auto platform = CreatePlatformHtmlEngine(view, g_source, &g_reason)) {
            g_choice = Choice::Platform;
            return platform;
        }
        // Without a document in time the built-in engine serves from now on; a view
        // already made with the platform engine is remade by its owner.
        g_choice = Choice::Builtin;
    }
    return CreateBuiltinHtmlEngine(view, hidden);
}

std::wstring SimpleEditorNotice(HRESULT why) {
    if (SUCCEEDED(why)) return std::wstring();
    wchar_t code[16];
    swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(why));
    return std::wstring(L"正在使用简易编辑器：系统的网页编辑控件不可用（错误 ") + code + L"）";
}

bool WriteBrowserEmulation(const std::wstring& programFileName) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER,
                          L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION", 0,
                          nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD newestMode = 11001;
    bool ok = ::RegSetValueExW(key, programFileName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&newestMode),
                               sizeof newestMode) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return ok;
}
