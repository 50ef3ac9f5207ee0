#include "framework/Resources.h"
#include "resources/resource.h"

std::wstring LoadResString(UINT id) {
    const wchar_t* p = nullptr;
    int n = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&p), 0);
    return n > 0 ? std::wstring(p, n) : std::wstring();
}

std::wstring AppTitle() {
    std::wstring t = LoadResString(IDS_APP_TITLE);
    return t.empty() ? L"Pagewick" : t;
}

int AfxMessageBox(const std::wstring& text, UINT type, HWND owner) {
    if (!owner) owner = ::GetActiveWindow();
    return ::MessageBoxW(owner, text.c_str(), AppTitle().c_str(), type);
}
