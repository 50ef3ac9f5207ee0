#include "settings/AppConfigs.h"
#include "framework/Resources.h"
#include "framework/TrayBalloon.h"
#include "settings/Config.h"
#include "settings/HotKeys.h"

void CAppConfigs::FillCombo(int id, int, int count, bool letters) {
    HWND combo = GetDlgItem(id);
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i) {
        std::wstring text = letters ? std::wstring(1, wchar_t(L'A' + i)) : ModifierComboText(i);
        // Inserted, not added: a sorted combo would move the combined modifiers among the
        // old three, and an entry's position is its stored index.
        ::SendMessageW(combo, CB_INSERTSTRING, i, (LPARAM)text.c_str());
    }
}

int CAppConfigs::Selected(int id) const { return (int)::SendMessageW(GetDlgItem(id), CB_GETCURSEL, 0, 0); }

BOOL CAppConfigs::OnInitDialog() {
    m_openPrompt = m_host.m_openPrompt;
    HotKeyIndexes k = ReadHotKeyIndexes();
    FillCombo(IDC_GET_MOD, 0, kModifierCount, false);
    FillCombo(IDC_SAVE_MOD, 0, kModifierCount, false);
    FillCombo(IDC_GET_KEY, 0, 26, true);
    FillCombo(IDC_SAVE_KEY, 0, 26, true);
    // An index outside a combo's range leaves it without a selection.
    ::SendMessageW(GetDlgItem(IDC_GET_MOD), CB_SETCURSEL, k.captureModifier, 0);
    ::SendMessageW(GetDlgItem(IDC_GET_KEY), CB_SETCURSEL, k.captureLetter, 0);
    ::SendMessageW(GetDlgItem(IDC_SAVE_MOD), CB_SETCURSEL, k.saveModifier, 0);
    ::SendMessageW(GetDlgItem(IDC_SAVE_KEY), CB_SETCURSEL, k.saveLetter, 0);
    SetDlgItemText(IDC_LEN, std::to_wstring(m_host.m_nameLength));
    ::CheckDlgButton(m_hWnd, IDC_BSHOW, m_openPrompt ? BST_CHECKED : BST_UNCHECKED);
    ShowShiftWarning();
    return TRUE;
}

HotKeyIndexes CAppConfigs::SelectedKeys() const {
    HotKeyIndexes k;
    k.captureModifier = Selected(IDC_GET_MOD);
    k.captureLetter = Selected(IDC_GET_KEY);
    k.saveModifier = Selected(IDC_SAVE_MOD);
    k.saveLetter = Selected(IDC_SAVE_KEY);
    return k;
}

void CAppConfigs::ShowShiftWarning() {
    std::wstring warning = ShiftLetterWarning(SelectedKeys());
    SetDlgItemText(IDC_HOTKEY_WARNING, warning);
    ::ShowWindow(GetDlgItem(IDC_HOTKEY_WARNING), warning.empty() ? SW_HIDE : SW_SHOW);
}

bool CAppConfigs::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDC_APPLY:
        OnApply();
        return true;
    case IDC_CANCEL_CFG:
        EndDialog(IDCANCEL);
        return true;
    case IDC_GET_MOD:
    case IDC_GET_KEY:
    case IDC_SAVE_MOD:
    case IDC_SAVE_KEY:
        if (code == CBN_SELCHANGE) ShowShiftWarning();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CAppConfigs::OnApply() {
    m_openPrompt = ::IsDlgButtonChecked(m_hWnd, IDC_BSHOW) == BST_CHECKED;
    std::wstring len = GetDlgItemText(IDC_LEN);
    if (len.empty() || len == L"0") return;
    config::Write(L"FILENAME", L"LEN", len);
    config::Write(L"OPENMSG", L"BSHOW", m_openPrompt ? L"true" : L"false");
    HWND target = m_host.HotKeyWindow();
    m_host.m_openPrompt = m_openPrompt != 0;
    m_host.m_nameLength = config::ToInt(len);

    ::UnregisterHotKey(target, kCaptureHotKeyId);
    if (!::UnregisterHotKey(target, kSaveHotKeyId)) {
        AfxMessageBox(L"注销热键失败！", MB_OK, m_hWnd);
        return;
    }
    HotKeyIndexes k = SelectedKeys();
    if (!RegisterIndexedHotKey(target, kCaptureHotKeyId, k.captureModifier, k.captureLetter))
        m_host.ShowBalloon(kBalloonWarning, kTakenKeyTitle, TakenCaptureKeyText(k).c_str());
    if (!RegisterIndexedHotKey(target, kSaveHotKeyId, k.saveModifier, k.saveLetter)) {
        AfxMessageBox(L"注册热键失败，请重新设置热键！", MB_OK, m_hWnd);
        return;
    }
    config::Write(L"HOTKEY", L"GETKEYPROV", std::to_wstring(k.captureModifier));
    config::Write(L"HOTKEY", L"GETKEYNEXT", std::to_wstring(k.captureLetter));
    config::Write(L"HOTKEY", L"SAVEKEYPROV", std::to_wstring(k.saveModifier));
    config::Write(L"HOTKEY", L"SAVEKEYNEXT", std::to_wstring(k.saveLetter));
    m_host.m_hotKeys = k;
    EndDialog(IDOK);
}
