#include "framework/Dialog.h"

INT_PTR CDialog::DoModal(HWND parent) {
    if (m_hWnd) return -1;   // already open: a second run would take over its window
    m_modal = true;
    INT_PTR r = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent,
                                  StaticDlgProc, reinterpret_cast<LPARAM>(this));
    m_modal = false;
    return r;
}

bool CDialog::Create(HWND parent) {
    m_modal = false;
    return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent,
                                StaticDlgProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    if (m_modal) ::EndDialog(m_hWnd, result);
    else DestroyWindow();
}

std::wstring CDialog::GetDlgItemText(int id) const {
    HWND item = GetDlgItem(id);
    int n = item ? ::GetWindowTextLengthW(item) : 0;
    std::wstring s(n + 1, L'\0');
    n = ::GetDlgItemTextW(m_hWnd, id, &s[0], n + 1);
    s.resize(n > 0 ? n : 0);
    return s;
}

bool CDialog::OnCommand(WORD id, WORD, HWND) {
    if (id == IDOK) { OnOK(); return true; }
    if (id == IDCANCEL) { OnCancel(); return true; }
    return false;
}

LRESULT CDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_COMMAND: return OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp)) ? TRUE : FALSE;
    }
    return Default(msg, wp, lp);
}

LRESULT CDialog::Default(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        if (auto* self = reinterpret_cast<CDialog*>(lp)) self->Attach(hwnd);
    }
    auto* self = static_cast<CDialog*>(FromHandle(hwnd));
    if (!self) return FALSE;
    INT_PTR r = GuardedCall([&] { return self->OnMessage(msg, wp, lp); }, FALSE);
    if (msg == WM_NCDESTROY) self->Detach();
    return r;
}
