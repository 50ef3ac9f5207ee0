// Built-in engine: the document is shown as editable HTML text in an edit
// control. The edit control's text is the body's innerHTML. A hidden view (the
// capture's paste view) keeps the text in memory: pasting a long selection into
// a window that nobody sees would only cost time.
#include "editor/HtmlEngine.h"
#include "editor/ClipboardHtml.h"
#include "editor/HtmlText.h"
#include <commctrl.h>
#include <commdlg.h>

namespace {

class BuiltinHtmlEngine : public HtmlEngine {
public:
    BuiltinHtmlEngine(HWND view, bool inMemory) : m_inMemory(inMemory) {
        m_edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE |
                                   ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL, 0, 0, 0, 0, view, (HMENU)1,
                                   ::GetModuleHandleW(nullptr), nullptr);
        if (!m_edit) return;
        ::SendMessageW(m_edit, EM_SETLIMITTEXT, 0, 0);
        ::SendMessageW(m_edit, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        ::SetWindowSubclass(m_edit, EditProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    ~BuiltinHtmlEngine() override {
        if (::IsWindow(m_edit)) ::RemoveWindowSubclass(m_edit, EditProc, 0);
    }
    const wchar_t* Name() const override { return L"builtin"; }
    HWND Window() const override { return m_edit; }
    bool HasDocument() override { return m_edit != nullptr; }
    bool GetBodyHtml(std::wstring& html) override {
        if (!m_edit) return false;
        html = Text();
        return true;
    }
    bool PutBody(const std::wstring& html) override {
        if (!m_edit) return false;
        SetText(html);
        return true;
    }
    bool InsertAtEnd(const std::wstring& html) override {
        if (!m_edit) return false;
        if (m_inMemory) {
            m_text += html;
        } else {
            // Only the new markup goes through the control; the caret and selection stay.
            DWORD start = 0, end = 0;
            Selection(start, end);
            int length = ::GetWindowTextLengthW(m_edit);
            ::SendMessageW(m_edit, EM_SETSEL, length, length);
            ::SendMessageW(m_edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(html.c_str()));
            ::SendMessageW(m_edit, EM_SETSEL, start, end);
        }
        return true;
    }
    bool GetBodyText(std::wstring& text) override {
        if (!m_edit) return false;
        text = htmltext::InnerText(Text());
        return true;
    }
    bool SetCharset(const std::wstring& charset) override { m_charset = charset; return m_edit != nullptr; }
    bool CloseDocument() override { return m_edit != nullptr; }
    HRESULT EngineDirty() override {
        if (!m_edit) return E_FAIL;
        return (!m_inMemory && ::SendMessageW(m_edit, EM_GETMODIFY, 0, 0)) ? S_OK : S_FALSE;
    }
    void ForgetEngineDirty() override {
        if (m_edit && !m_inMemory) ::SendMessageW(m_edit, EM_SETMODIFY, FALSE, 0);
    }
    DWORD QueryStatus(DWORD command) override {
        if (!m_edit) return 0;
        const DWORD on = OLECMDF_SUPPORTED | OLECMDF_ENABLED, off = OLECMDF_SUPPORTED;
        switch (command) {
        case kIdmPaste: return cliphtml::CanPaste() ? on : off;
        case kIdmCut:
        case kIdmCopy: return HasSelection() ? on : off;
        case kIdmUndo: return ::SendMessageW(m_edit, EM_CANUNDO, 0, 0) ? on : off;
        case kIdmFont: return on;
        }
        return 0;
    }
    HRESULT Exec(DWORD command) override {
        if (!m_edit) return E_FAIL;
        switch (command) {
        case kIdmPaste: return Paste();
        case kIdmCopy: return Copy() ? S_OK : E_FAIL;
        case kIdmCut:
            if (!Copy()) return E_FAIL;
            ReplaceSelection(L"");
            return S_OK;
        case kIdmUndo:
            ::SendMessageW(m_edit, EM_UNDO, 0, 0);
            return S_OK;
        case kIdmFont: return ChooseFontForSelection();
        }
        return OLECMDERR_E_NOTSUPPORTED;
    }

private:
    std::wstring Text() const {
        if (m_inMemory) return m_text;
        int n = ::GetWindowTextLengthW(m_edit);
        std::wstring s(size_t(n) + 1, L'\0');
        n = ::GetWindowTextW(m_edit, &s[0], n + 1);
        s.resize(n > 0 ? size_t(n) : 0);
        return s;
    }
    void SetText(const std::wstring& text) {
        if (m_inMemory) {
            m_text = text;
            return;
        }
        ::SetWindowTextW(m_edit, text.c_str());
        ::SendMessageW(m_edit, EM_SETMODIFY, FALSE, 0);
        ::SendMessageW(m_edit, EM_EMPTYUNDOBUFFER, 0, 0);
    }
    void Selection(DWORD& start, DWORD& end) const {
        ::SendMessageW(m_edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    }
    bool HasSelection() const {
        if (m_inMemory) return false;
        DWORD s = 0, e = 0;
        Selection(s, e);
        return e > s;
    }
    std::wstring SelectedText() const {
        DWORD s = 0, e = 0;
        Selection(s, e);
        std::wstring t = Text();
        if (s > t.size()) return L"";
        return t.substr(s, (e > t.size() ? t.size() : e) - s);
    }
    void ReplaceSelection(const std::wstring& markup) {
        MarkModified();
        if (m_inMemory) {
            m_text += markup;   // the caret of a text nobody edits stays at its end
            return;
        }
        ::SendMessageW(m_edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(markup.c_str()));
    }
    HRESULT Paste() {
        std::wstring html;
        if (!cliphtml::ReadCleanHtml(m_edit, html)) return E_FAIL;
        ReplaceSelection(html);
        return S_OK;
    }
    // The selection is markup: it goes to the clipboard as HTML too, so that
    // pasting it back inserts the same markup rather than its escaped text.
    bool Copy() {
        if (!HasSelection()) return false;
        return cliphtml::WriteHtml(m_edit, SelectedText());
    }
    HRESULT ChooseFontForSelection() {
        LOGFONTW lf{};
        CHOOSEFONTW cf{};
        cf.lStructSize = sizeof cf;
        cf.hwndOwner = ::GetAncestor(m_edit, GA_ROOT);
        cf.lpLogFont = &lf;
        cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_NOVERTFONTS;
        if (!::ChooseFontW(&cf)) return S_OK;   // cancelled: nothing changes
        htmltext::FontChoice f;
        f.face = lf.lfFaceName;
        f.points = cf.iPointSize / 10;
        f.color = long(cf.rgbColors);
        f.bold = lf.lfWeight >= FW_BOLD;
        f.italic = lf.lfItalic != 0;
        f.underline = lf.lfUnderline != 0;
        f.strike = lf.lfStrikeOut != 0;
        ReplaceSelection(htmltext::WrapInFont(SelectedText(), f));
        return S_OK;
    }
    static LRESULT CALLBACK EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        auto* self = reinterpret_cast<BuiltinHtmlEngine*>(data);
        // The control's own clipboard handling would treat markup as plain text.
        switch (msg) {
        case WM_PASTE:
            return GuardedExec([&] { if (self->QueryStatus(kIdmPaste) & OLECMDF_ENABLED) self->Paste(); });
        case WM_COPY:
            return GuardedExec([&] { self->Copy(); });
        case WM_CUT:
            return GuardedExec([&] { if (self->Copy()) self->ReplaceSelection(L""); });
        case WM_CONTEXTMENU:
            return 0;   // the editor views show no menu (the keyboard's menu key included)
        case WM_UNDO:
        case EM_UNDO:
            self->MarkModified();
            break;
        }
        return ::DefSubclassProc(h, msg, wp, lp);
    }
    template <class F> static LRESULT GuardedExec(F&& f) {
        try { f(); } catch (...) {}
        return 0;
    }
    HWND m_edit = nullptr;
    bool m_inMemory = false;
    std::wstring m_text;   // the body when kept in memory
    std::wstring m_charset;
};

}  // namespace

std::unique_ptr<HtmlEngine> CreateBuiltinHtmlEngine(HWND view, bool hidden) {
    auto engine = std::make_unique<BuiltinHtmlEngine>(view, hidden);
    if (!engine->Window()) return nullptr;
    return engine;
}
