#include "capture/FileNameDlg.h"
#include "capture/WebTextFile.h"
#include "settings/AppDir.h"

BOOL CFileName::OnInitDialog() {
    CDialog::OnInitDialog();
    // Joining sends a first WM_DRAWCLIPBOARD; the show-window step overwrites its paste.
    m_nextViewer = nullptr;
    m_inChain = true;
    m_nextViewer = ::SetClipboardViewer(m_hWnd);
    m_ready = false;
    return TRUE;
}

LRESULT CFileName::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SHOWWINDOW:
        OnShowWindow(wp, lp);
        return FALSE;
    case WM_DRAWCLIPBOARD:
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, OnDrawClipboard(wp, lp));
        return TRUE;
    case WM_CHANGECBCHAIN:
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, OnChangeCbChain(wp, lp));
        return TRUE;
    case WM_CLOSE:
        OnCloseBox();
        return TRUE;
    case WM_DESTROY:
        // Whatever ends the dialog, it never stays in the chain.
        if (m_inChain) {
            ::ChangeClipboardChain(m_hWnd, m_nextViewer);
            m_inChain = false;
        }
        return FALSE;
    }
    return CDialog::OnMessage(msg, wp, lp);
}

bool CFileName::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDOK) {
        OnConfirm();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CFileName::OnShowWindow(WPARAM, LPARAM) {
    HWND field = GetDlgItem(IDC_FILE_NAME);
    ::SetWindowTextW(field, m_name.c_str());
    ::SendMessageW(field, EM_SETSEL, 0, (LPARAM)m_name.size());
    ::SendMessageW(field, EM_SCROLLCARET, 0, 0);
}

LRESULT CFileName::OnDrawClipboard(WPARAM wp, LPARAM lp) {
    HWND field = GetDlgItem(IDC_FILE_NAME);
    ::SetWindowTextW(field, L"");
    ::SendMessageW(field, WM_PASTE, 0, 0);
    if (m_nextViewer) ::SendMessageW(m_nextViewer, WM_DRAWCLIPBOARD, wp, lp);
    return 0;
}

LRESULT CFileName::OnChangeCbChain(WPARAM wp, LPARAM lp) {
    if ((HWND)wp == m_nextViewer) m_nextViewer = (HWND)lp;
    else if (m_nextViewer) ::SendMessageW(m_nextViewer, WM_CHANGECBCHAIN, wp, lp);
    return 0;
}

void CFileName::LeaveChainAndEmptyClipboard() {
    if (m_inChain) {
        ::ChangeClipboardChain(m_hWnd, m_nextViewer);
        m_inChain = false;
    }
    if (::OpenClipboard(m_hWnd)) {
        ::EmptyClipboard();
        ::CloseClipboard();
    }
}

void CFileName::OnConfirm() {
    std::wstring text = GetDlgItemText(IDC_FILE_NAME);
    if (HasIllegalNameChar(text)) {
        ::MessageBoxW(m_hWnd, kIllegalNameMessage, L"错误", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::wstring name = CleanFileName(text);
    std::wstring path = GetAppDir() + m_folder + L"\\" + name + L".htm";
    // Refused here, before any picture is downloaded for a file that could not be written.
    std::wstring problem = WebTextNameProblem(name, path);
    if (!problem.empty()) {
        ::MessageBoxW(m_hWnd, problem.c_str(), L"错误", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_name = name;
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ::MessageBoxW(m_hWnd, L"此文件已存在，请重新输入一个新的文件名！", L"提示", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    LeaveChainAndEmptyClipboard();
    m_ready = true;
    CDialog::OnOK();
}

void CFileName::OnCloseBox() {
    m_name.clear();
    LeaveChainAndEmptyClipboard();
    m_ready = true;
    EndDialog(IDCANCEL);
}
