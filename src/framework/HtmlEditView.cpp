#include "framework/HtmlEditView.h"
#include "framework/FrameWnd.h"
#include <vector>

namespace {
const wchar_t kViewClass[] = L"ZelvaneHtmlEditView";
}

bool CHtmlEditView::Create(HWND parent, UINT id, DWORD style) {
    RegisterWndClass(kViewClass, CS_DBLCLKS, (HBRUSH)(COLOR_WINDOW + 1));
    if (!CreateEx(0, kViewClass, nullptr, style | WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, parent, id)) return false;
    MakeEngine();
    return m_engine != nullptr;
}

// The platform engine waits for its control and answers sent messages meanwhile:
// the view counts as busy until its engine exists.
void CHtmlEditView::MakeEngine() {
    m_creating = true;
    std::unique_ptr<HtmlEngine> engine = CreateHtmlEngine(m_hWnd, !(::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_VISIBLE));
    m_creating = false;
    m_engine = std::move(engine);
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

void CHtmlEditView::RecreateEngine() {
    m_engine.reset();
    MakeEngine();
    RECT rc = GetClientRect();
    if (m_engine) m_engine->Resize(rc.right, rc.bottom);
}

namespace {
// The command of the accelerator table entry that the key message matches (0: none).
UINT AcceleratorCommand(HACCEL table, const MSG& msg) {
    if (!table || (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)) return 0;
    int count = ::CopyAcceleratorTableW(table, nullptr, 0);
    if (count <= 0) return 0;
    std::vector<ACCEL> entries(count);
    ::CopyAcceleratorTableW(table, entries.data(), count);
    const BYTE mods = (::GetKeyState(VK_CONTROL) < 0 ? FCONTROL : 0) | (::GetKeyState(VK_SHIFT) < 0 ? FSHIFT : 0) |
                      (::GetKeyState(VK_MENU) < 0 ? FALT : 0);
    for (const ACCEL& a : entries)
        if ((a.fVirt & FVIRTKEY) && a.key == msg.wParam && (a.fVirt & (FCONTROL | FSHIFT | FALT)) == mods) return a.cmd;
    return 0;
}
}  // namespace

bool CHtmlEditView::PreTranslateMessage(MSG* msg) {
    if (!m_engine) return false;
    auto* frame = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(::GetAncestor(m_hWnd, GA_ROOT)));
    UINT command = frame ? AcceleratorCommand(frame->Accelerators(), *msg) : 0;
    if (command && !EngineCommandFor(command)) return false;
    HWND own = m_engine->Window();
    if (own && (msg->hwnd == own || ::IsChild(own, msg->hwnd))) m_engine->NoteInput(*msg);
    return m_engine->TranslateAccelerator(msg);
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
        if (m_engine) m_engine->Focus();
        return 0;
    case WM_COMMAND:
        if (DWORD cmd = EngineCommandFor(LOWORD(wp))) { ExecGated(cmd); return 0; }
        break;
    }
    return Default(msg, wp, lp);
}

bool CHtmlEditDoc::OnNewDocument() {
    m_path.clear();
    if (m_view && m_view->Engine()) m_view->Engine()->NewDocument();
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
