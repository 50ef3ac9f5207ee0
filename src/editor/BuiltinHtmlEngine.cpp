// Built-in engine: the document is shown as editable HTML text in an edit control.
#include "editor/HtmlEngine.h"
#include <commctrl.h>

namespace {

class BuiltinHtmlEngine : public HtmlEngine {
public:
    explicit BuiltinHtmlEngine(HWND view) {
        m_edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE |
                                   ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL, 0, 0, 0, 0, view, (HMENU)1,
                                   ::GetModuleHandleW(nullptr), nullptr);
        ::SendMessageW(m_edit, EM_SETLIMITTEXT, 0, 0);
        ::SetWindowSubclass(m_edit, EditProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    ~BuiltinHtmlEngine() override {
        if (::IsWindow(m_edit)) ::RemoveWindowSubclass(m_edit, EditProc, 0);
    }
    const wchar_t* Name() const override { return L"builtin"; }
    HWND Window() const override { return m_edit; }
    bool HasDocument() override { return m_edit != nullptr; }
    bool GetBodyHtml(std::wstring& html) override {
        int n = ::GetWindowTextLengthW(m_edit);
        html.assign(n + 1, L'\0');
        n = ::GetWindowTextW(m_edit, &html[0], n + 1);
        html.resize(n > 0 ? n : 0);
        return true;
    }
    bool SetBodyHtml(const std::wstring& html) override {
        SetText(html);
        m_dirty = true;
        return true;
    }
    bool GetBodyText(std::wstring& text) override { return GetBodyHtml(text); }
    bool SetCharset(const std::wstring& charset) override { m_charset = charset; return true; }
    bool CloseDocument() override { return true; }
    bool NewDocument() override { SetText(L""); m_dirty = false; return true; }
    bool Navigate(const std::wstring&) override { return false; }
    HRESULT IsDirty() override { return m_dirty ? S_OK : S_FALSE; }
    DWORD QueryStatus(DWORD) override { return 0; }
    HRESULT ExecCommand(DWORD) override { return E_NOTIMPL; }
    void Stop() override {}

private:
    void SetText(const std::wstring& text) {
        m_setting = true;
        ::SetWindowTextW(m_edit, text.c_str());
        m_setting = false;
    }
    static LRESULT CALLBACK EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        auto* self = reinterpret_cast<BuiltinHtmlEngine*>(data);
        LRESULT r = ::DefSubclassProc(h, msg, wp, lp);
        if ((msg == WM_CHAR || msg == WM_PASTE || msg == WM_CUT || msg == WM_CLEAR || msg == EM_REPLACESEL) &&
            !self->m_setting)
            self->m_dirty = true;
        return r;
    }
    HWND m_edit = nullptr;
    bool m_dirty = false;
    bool m_setting = false;
    std::wstring m_charset;
};

}  // namespace

std::unique_ptr<HtmlEngine> CreateBuiltinHtmlEngine(HWND view) { return std::make_unique<BuiltinHtmlEngine>(view); }
