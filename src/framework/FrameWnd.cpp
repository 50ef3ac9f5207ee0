#include "framework/FrameWnd.h"
#include "framework/HtmlEditView.h"
#include <algorithm>

void CFrameWnd::DockControlBar(CControlBar* bar) {
    if (std::find(m_bars.begin(), m_bars.end(), bar) == m_bars.end()) m_bars.push_back(bar);
    RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* bar, bool show, bool) {
    if (!bar || !bar->IsWindow()) return;
    ::ShowWindow(bar->m_hWnd, show ? SW_SHOWNA : SW_HIDE);
    RecalcLayout();
}

void CFrameWnd::RecalcLayout() {
    if (!m_hWnd) return;
    RECT rest = GetClientRect();
    // Tool bars and the status bar take the full width first.
    for (CControlBar* bar : m_bars) {
        if (!bar->IsWindow() || !bar->IsWindowVisible()) continue;
        if (bar->m_dockSide == DockSide::Left) continue;
        if (dynamic_cast<CToolBar*>(bar) || dynamic_cast<CStatusBar*>(bar)) {
            int w = rest.right - rest.left;
            SIZE s = bar->CalcDynamicLayout(w, 0);
            if (bar->m_dockSide == DockSide::Top) {
                ::MoveWindow(bar->m_hWnd, rest.left, rest.top, w, s.cy, TRUE);
                rest.top += s.cy;
            } else {
                ::MoveWindow(bar->m_hWnd, rest.left, rest.bottom - s.cy, w, s.cy, TRUE);
                rest.bottom -= s.cy;
            }
        }
    }
    // Then the panes, in docking order: a left pane takes the remaining height,
    // a top pane the remaining width.
    for (CControlBar* bar : m_bars) {
        if (!bar->IsWindow() || !bar->IsWindowVisible()) continue;
        if (dynamic_cast<CToolBar*>(bar) || dynamic_cast<CStatusBar*>(bar)) continue;
        SIZE s = bar->CalcDynamicLayout(-1, 0);
        if (bar->m_dockSide == DockSide::Left) {
            int w = std::min<LONG>(s.cx, rest.right - rest.left);
            ::MoveWindow(bar->m_hWnd, rest.left, rest.top, w, rest.bottom - rest.top, TRUE);
            rest.left += w;
        } else if (bar->m_dockSide == DockSide::Top) {
            int h = std::min<LONG>(s.cy, rest.bottom - rest.top);
            ::MoveWindow(bar->m_hWnd, rest.left, rest.top, rest.right - rest.left, h, TRUE);
            rest.top += h;
        } else {
            int h = std::min<LONG>(s.cy, rest.bottom - rest.top);
            ::MoveWindow(bar->m_hWnd, rest.left, rest.bottom - h, rest.right - rest.left, h, TRUE);
            rest.bottom -= h;
        }
    }
    if (m_view && m_view->IsWindow())
        ::MoveWindow(m_view->m_hWnd, rest.left, rest.top, std::max<LONG>(0, rest.right - rest.left),
                     std::max<LONG>(0, rest.bottom - rest.top), TRUE);
}

namespace {
// An edit control (plain or rich): it handles its own editing keys.
bool IsEditBox(HWND hwnd) {
    wchar_t cls[64] = {};
    if (!hwnd || !::GetClassNameW(hwnd, cls, 64)) return false;
    return _wcsicmp(cls, L"Edit") == 0 || _wcsnicmp(cls, L"RichEdit", 8) == 0;
}
}  // namespace

bool CFrameWnd::PreTranslateMessage(MSG* msg) {
    bool inView = false;
    for (HWND h = msg->hwnd; h && h != m_hWnd; h = ::GetParent(h)) {
        if (auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandle(h)))
            if (bar->PreTranslateMessage(msg)) return true;
        if (auto* view = dynamic_cast<CHtmlEditView*>(CWnd::FromHandle(h))) {
            inView = true;
            if (view->PreTranslateMessage(msg)) return true;
        }
    }
    // An edit box of a pane or dialog (a rename box, a name field) keeps its keys: Ctrl+V
    // there pastes into the box, not into the editor. The editor view takes the frame's
    // edit commands, so its own window is no such box.
    if (!inView && IsEditBox(msg->hwnd)) return false;
    if (m_accel && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
        return ::TranslateAcceleratorW(m_hWnd, m_accel, msg) != 0;
    return false;
}

CStatusBar* CFrameWnd::GetStatusBar() const {
    for (CControlBar* bar : m_bars)
        if (auto* status = dynamic_cast<CStatusBar*>(bar)) return status;
    return nullptr;
}

LRESULT CFrameWnd::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NOTIFY: {
        // Fly-by help: the button under the mouse shows its command's prompt in the status bar.
        auto* hot = reinterpret_cast<NMTBHOTITEM*>(lp);
        if (hot->hdr.code == TBN_HOTITEMCHANGE && dynamic_cast<CToolBar*>(CWnd::FromHandle(hot->hdr.hwndFrom))) {
            if (CStatusBar* status = GetStatusBar()) status->ShowPrompt((hot->dwFlags & HICF_LEAVING) ? 0 : hot->idNew);
            return 0;
        }
        break;
    }
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) RecalcLayout();
        return 0;
    case WM_SETFOCUS:
        if (m_view && m_view->IsWindow()) ::SetFocus(m_view->m_hWnd);
        return 0;
    case WM_ACTIVATE:
        // An in-place object learns of its frame's activation from the container.
        if (auto* view = dynamic_cast<CHtmlEditView*>(m_view)) view->OnFrameActivate(LOWORD(wp) != WA_INACTIVE);
        break;
    }
    return Default(msg, wp, lp);
}
