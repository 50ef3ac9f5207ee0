#include "framework/ControlBar.h"
#include "framework/Resources.h"
#include "framework/Dpi.h"
#include <algorithm>

namespace {
const int kGripperWidth = 10;   // room for the gripper before the first button
}

SIZE CControlBar::CalcDynamicLayout(int, DWORD) {
    RECT r{};
    ::GetWindowRect(m_hWnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

bool CToolBar::CreateEx(HWND frame, DWORD tbStyle, DWORD style, UINT id) {
    // Wrapable: in a narrow frame the buttons take several rows (the bar's size follows).
    HWND h = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style | tbStyle | TBSTYLE_WRAPABLE | CCS_NODIVIDER |
                               CCS_NORESIZE | CCS_NOPARENTALIGN, 0, 0, 0, 0, frame, (HMENU)(UINT_PTR)id,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (!h) return false;
    SubclassWindow(h);
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    SendMessage(TB_SETINDENT, kGripperWidth);
    m_dockSide = DockSide::Top;
    return true;
}

std::vector<UINT> ParseToolBarResource(const void* data, size_t size) {
    // Two layouts exist: WORD version 1, width, height, count, WORD ids; or (as
    // GNU windres writes it) DWORD width, height, count, DWORD ids. 0 is a separator.
    std::vector<UINT> ids;
    auto* w = static_cast<const WORD*>(data);
    if (size >= 8 && w[0] == 1) {
        size_t count = w[3];
        if (8 + count * 2 > size) return {};
        for (size_t i = 0; i < count; ++i) ids.push_back(w[4 + i]);
        return ids;
    }
    auto* d = static_cast<const DWORD*>(data);
    if (size < 12) return {};
    size_t count = d[2];
    if (12 + count * 4 > size) return {};
    for (size_t i = 0; i < count; ++i) ids.push_back(d[3 + i]);
    return ids;
}

bool CToolBar::LoadToolBar(UINT resourceId) {
    HRSRC res = ::FindResourceW(nullptr, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(241));
    if (!res) return false;
    const void* data = ::LockResource(::LoadResource(nullptr, res));
    std::vector<UINT> ids = data ? ParseToolBarResource(data, ::SizeofResource(nullptr, res)) : std::vector<UINT>();
    if (ids.empty()) return false;
    std::vector<TBBUTTON> buttons(ids.size());
    int image = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        TBBUTTON& b = buttons[i];
        b.idCommand = (int)ids[i];
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = ids[i] ? BTNS_BUTTON : BTNS_SEP;
        b.iBitmap = ids[i] ? image++ : 0;
        b.iString = -1;
    }
    return SendMessage(TB_ADDBUTTONSW, buttons.size(), (LPARAM)buttons.data()) != 0;
}

void CToolBar::SetImageList(HIMAGELIST images) { SendMessage(TB_SETIMAGELIST, 0, (LPARAM)images); }

void CToolBar::SetButtonText(int index, const std::wstring& text) {
    // Re-inserting the button with its text makes the control size every
    // button for icon plus text (a text set afterwards would be clipped).
    TBBUTTON b{};
    if (!SendMessage(TB_GETBUTTON, index, (LPARAM)&b)) return;
    if (b.fsStyle & BTNS_SEP) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
        info.pszText = const_cast<wchar_t*>(text.c_str());
        SendMessage(TB_SETBUTTONINFOW, index, (LPARAM)&info);
        return;
    }
    SendMessage(TB_DELETEBUTTON, index);
    b.iString = (INT_PTR)text.c_str();
    SendMessage(TB_INSERTBUTTONW, index, (LPARAM)&b);
    SendMessage(TB_AUTOSIZE);
}

void CToolBar::Remeasure(HFONT font) {
    if (font) SendMessage(WM_SETFONT, (WPARAM)font, FALSE);
    // Setting each text again sizes every button for the new icons and font.
    for (int i = 0; i < GetButtonCount(); ++i) {
        TBBUTTON b{};
        if (!SendMessage(TB_GETBUTTON, i, (LPARAM)&b) || (b.fsStyle & BTNS_SEP)) continue;
        LRESULT n = SendMessage(TB_GETBUTTONTEXTW, b.idCommand, 0);
        if (n <= 0) continue;
        std::wstring text(n + 1, L'\0');
        text.resize(SendMessage(TB_GETBUTTONTEXTW, b.idCommand, (LPARAM)&text[0]) > 0 ? n : 0);
        if (!text.empty()) SetButtonText(i, text);
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CToolBar::GetButtonCount() const { return (int)SendMessage(TB_BUTTONCOUNT); }

SIZE CToolBar::CalcDynamicLayout(int length, DWORD) {
    // The control wraps its buttons to its width: it is given the width first, then the bar
    // is as high as the lowest button, with a small margin.
    if (length > 0) {
        RECT now{};
        ::GetWindowRect(m_hWnd, &now);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, length, now.bottom - now.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessage(TB_AUTOSIZE);
    }
    RECT r{};
    LONG height = 0, width = 0;
    for (int i = 0; i < GetButtonCount(); ++i) {
        if (SendMessage(TB_GETITEMRECT, i, (LPARAM)&r)) {
            if (r.bottom > height) height = r.bottom;
            width = r.right;
        }
    }
    return {width, height + 4};
}

LRESULT CToolBar::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT r = Default(msg, wp, lp);
    if (msg == WM_PAINT || msg == WM_SIZE) {
        // Two raised lines at the left edge: the bar's gripper.
        HDC dc = ::GetDC(m_hWnd);
        RECT c = GetClientRect();
        for (int x : {3, 6}) {
            RECT line{x, c.top + 3, x + 3, c.bottom - 3};
            ::DrawEdge(dc, &line, BDR_RAISEDINNER, BF_RECT);
        }
        ::ReleaseDC(m_hWnd, dc);
    }
    return r;
}

std::wstring CommandPrompt(UINT id) {
    std::wstring text = id ? LoadResString(id) : L"";
    return text.substr(0, text.find(L'\n'));
}

void CStatusBar::ShowPrompt(UINT commandId) {
    std::wstring text = CommandPrompt(commandId);
    if (text.empty() && !m_ids.empty()) text = LoadResString(m_ids[0]);
    SetPaneText(0, text);
}

bool CStatusBar::Create(HWND frame, UINT id) {
    HWND h = ::CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP |
                               CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 0, 0, 0, frame, (HMENU)(UINT_PTR)id,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (!h) return false;
    SubclassWindow(h);
    m_dockSide = DockSide::Bottom;
    return true;
}

bool CStatusBar::SetIndicators(const UINT* ids, int count) {
    m_ids.assign(ids, ids + count);
    LayoutParts();
    SetPaneText(0, LoadResString(m_ids[0]));
    UpdateKeyIndicators();
    return true;
}

void CStatusBar::LayoutParts() {
    // The message pane stretches; each indicator has a fixed width at the right.
    int count = (int)m_ids.size();
    if (!count) return;
    const int width = dpi::Scale(60, m_dpi);
    std::vector<int> edges(count);
    RECT r = GetClientRect();
    int right = r.right - dpi::Scale(20, m_dpi);   // size grip
    edges[count - 1] = -1;
    for (int i = count - 2; i >= 0; --i) {
        right -= width;
        edges[i] = std::max(0, right);
    }
    SendMessage(SB_SETPARTS, count, (LPARAM)edges.data());
}

LRESULT CStatusBar::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT r = CControlBar::OnMessage(msg, wp, lp);
    // The parts were laid out for the width at creation: follow every new width.
    if (msg == WM_SIZE) LayoutParts();
    return r;
}

void CStatusBar::SetPaneText(int index, const std::wstring& text) {
    SendMessage(SB_SETTEXTW, index, (LPARAM)text.c_str());
}

std::wstring CStatusBar::GetPaneText(int index) const {
    int n = LOWORD(SendMessage(SB_GETTEXTLENGTHW, index));
    std::wstring s(n + 1, L'\0');
    SendMessage(SB_GETTEXTW, index, (LPARAM)&s[0]);
    s.resize(n);
    return s;
}

void CStatusBar::UpdateKeyIndicators() {
    static const int keys[] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
    for (size_t i = 1; i < m_ids.size() && i <= 3; ++i) {
        bool on = (::GetKeyState(keys[i - 1]) & 1) != 0;
        std::wstring text = on ? LoadResString(m_ids[i]) : L"";
        if (GetPaneText((int)i) != text) SetPaneText((int)i, text);
    }
}

void CStatusBar::SetDpi(UINT dpi, HFONT font) {
    m_dpi = dpi ? dpi : 96;
    if (font) SendMessage(WM_SETFONT, (WPARAM)font, FALSE);
    // The control keeps the height it was given: room for a line of text and its borders.
    m_height = std::max(dpi::Scale(22, m_dpi), dpi::LineHeight(font) + dpi::Scale(8, m_dpi));
    LayoutParts();
}

SIZE CStatusBar::CalcDynamicLayout(int, DWORD) {
    if (m_height > 0) return {0, m_height};
    RECT r{};
    ::GetWindowRect(m_hWnd, &r);
    int h = r.bottom - r.top;
    return {0, h > 0 ? h : 22};
}
