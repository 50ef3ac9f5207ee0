#include "app/AboutDlg.h"

LRESULT CAboutDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        OnPaint();
        return TRUE;
    }
    return CDialog::OnMessage(msg, wp, lp);
}

void CAboutDlg::OnPaint() {
    // An etched separator above the button.
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    HPEN grey = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_GRAYTEXT));
    HPEN old = (HPEN)::SelectObject(dc, grey);
    ::MoveToEx(dc, 10, 104, nullptr);
    ::LineTo(dc, 300, 104);
    ::SelectObject(dc, ::GetStockObject(WHITE_PEN));
    ::MoveToEx(dc, 11, 105, nullptr);
    ::LineTo(dc, 299, 105);
    ::SelectObject(dc, old);
    ::DeleteObject(grey);
    ::EndPaint(m_hWnd, &ps);
}
