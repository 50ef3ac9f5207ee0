#include "framework/DialogBar.h"

INT_PTR CALLBACK CDialogBar::NullDlgProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

bool CDialogBar::Create(HWND frame, UINT templateId, DockSide side, UINT id) {
    HWND h = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), frame, NullDlgProc, 0);
    if (!h) return false;
    ::SetWindowLongPtrW(h, GWLP_ID, id);
    ::SetWindowLongPtrW(h, GWL_STYLE, ::GetWindowLongPtrW(h, GWL_STYLE) | WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
    RECT r{};
    ::GetWindowRect(h, &r);
    m_sizeDefault = {r.right - r.left, r.bottom - r.top};
    m_dockSide = side;
    SubclassWindow(h);
    ::ShowWindow(h, SW_SHOW);
    return true;
}

SIZE CDialogBar::CalcDynamicLayout(int, DWORD) { return m_sizeDefault; }
