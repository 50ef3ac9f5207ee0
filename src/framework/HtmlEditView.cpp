#include "framework/HtmlEditView.h"

namespace {
const wchar_t kViewClass[] = L"ZelvaneHtmlEditView";
}

bool CHtmlEditView::Create(HWND parent, UINT id, DWORD style) {
    RegisterWndClass(kViewClass, CS_DBLCLKS, (HBRUSH)(COLOR_WINDOW + 1));
    if (!CreateEx(0, kViewClass, nullptr, style | WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, parent, id)) return false;
    m_engine = CreateHtmlEngine(m_hWnd, !(style & WS_VISIBLE));
    return m_engine != nullptr;
}

bool CHtmlEditView::ExecGated(DWORD command) {
    if (!m_engine) return false;
    DWORD status = m_engine->QueryStatus(command);
    if ((status & OLECMDF_SUPPORTED) && (status & OLECMDF_ENABLED)) return SUCCEEDED(m_engine->ExecCommand(command));
    return false;
}

bool CHtmlEditView::IsCommandEnabled(UINT id) {
    DWORD command = EngineCommandFor(id);
    if (!command || !m_engine) return false;
    const DWORD both = OLECMDF_SUPPORTED | OLECMDF_ENABLED;
    return (m_engine->QueryStatus(command) & both) == both;
}

bool CHtmlEditView::Navigate(const std::wstring& path) { return m_engine && m_engine->Navigate(path); }

LRESULT CHtmlEditView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        if (m_engine) m_engine->Resize(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_DESTROY:
        // A hosted control must be closed while its container window still exists.
        m_engine.reset();
        break;
    case WM_SETFOCUS:
        if (m_engine && m_engine->Window()) ::SetFocus(m_engine->Window());
        return 0;
    case WM_COMMAND:
        if (DWORD cmd = EngineCommandFor(LOWORD(wp))) { ExecGated(cmd); return 0; }
        break;
    }
    return Default(msg, wp, lp);
}

bool CHtmlEditDoc::OnNewDocument() {
    m_path.clear();
    if (m_view && m_view->Engine()) {
        // Emptied, then back on the start document, as when the view was created.
        m_view->Engine()->NewDocument();
        m_view->Engine()->Navigate(L"about:blank");
    }
    return true;
}

bool CHtmlEditDoc::OnOpenDocument(const std::wstring& path) {
    if (path.empty()) return false;
    m_path = path;
    if (m_view) m_view->Navigate(path);
    return true;
}

int CHtmlEditDoc::IsModified() {
    if (!m_view) return 0;
    HtmlEngine* e = m_view->Engine();
    if (!e) return 1;
    return e->IsDirty() == S_FALSE ? 0 : 1;
}
