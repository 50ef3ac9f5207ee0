// Commands of the main menu, the toolbar and the tray menu.
#include "app/MainFrame.h"
#include "app/AboutDlg.h"
#include "framework/Resources.h"
#include "resources/resource.h"
#include "settings/AppDir.h"

namespace {
// Commands that start nothing that waits and touch neither the editor nor the library.
bool HarmlessWhileBusy(UINT id) {
    switch (id) {
    case ID_TRAY_SHOW:
    case ID_TB_FOLDER:
    case ID_FILE_OPEN_FOLDER:
    case ID_TRAY_OPEN_FOLDER:
    case ID_HELP_CONTENTS:
    case ID_VIEW_TREEBAR:
    case ID_VIEW_LISTBAR:
        return true;
    }
    return false;
}
}  // namespace

bool CMainFrame::RefuseWhileBusy() {
    if (!IsBusy()) return false;
    // The user sees the window that is waiting for an answer, if there is one.
    HWND popup = ::GetLastActivePopup(m_hWnd);
    if (popup && popup != m_hWnd && ::IsWindowVisible(popup)) ::SetForegroundWindow(popup);
    return true;
}

bool CMainFrame::OnCommand(UINT id) {
    if (!HarmlessWhileBusy(id) && RefuseWhileBusy()) return true;
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CRecentFileList::kSize) {
        OnOpenRecentFile(id - ID_FILE_MRU_FILE1);
        return true;
    }
    switch (id) {
    case ID_TB_EXIT:
    case ID_TRAY_EXIT:
    case ID_FILE_EXIT:
        OnExit();
        return true;
    case ID_TB_SAVE:
    case ID_FILE_SAVE_TEXT:
    case ID_TRAY_SAVE:
        SaveWebText();
        return true;
    case ID_TB_BROWSE:
    case ID_TRAY_BROWSE:
    case ID_FILE_BROWSE:
        m_wndListBar.OpenSelectedFiles();
        return true;
    case ID_TB_SETTINGS:
        OnSettings();
        return true;
    case ID_TB_FONT:
        OnFont();
        return true;
    case ID_TB_ABOUT:
    case ID_APP_ABOUT:
        OnAbout();
        return true;
    case ID_HELP_CONTENTS:
        OnHelp();
        return true;
    case ID_SEARCH_RUN:
        RunSearch();
        return true;
    case ID_VIEW_TREEBAR:
        OnToggleBar(m_wndTreeBar);
        return true;
    case ID_VIEW_LISTBAR:
        OnToggleBar(m_wndListBar);
        return true;
    case ID_TB_FOLDER:
    case ID_FILE_OPEN_FOLDER:
    case ID_TRAY_OPEN_FOLDER:
        m_wndTreeBar.OpenSelectedFolder();
        return true;
    case ID_TRAY_SHOW:
        ShowWindow(SW_SHOWNORMAL);
        return true;
    case ID_EDIT_UNDO:
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE:
        // The edit commands belong to the editor view.
        m_view.SendMessage(WM_COMMAND, id);
        NoteEditorChanged();
        return true;
    }
    return false;
}

bool CMainFrame::HasUnsavedText() {
    std::wstring text;
    HtmlEngine* engine = m_mainView ? m_mainView->Engine() : nullptr;
    return engine && engine->GetBodyText(text) && !text.empty() && m_mainDoc && m_mainDoc->IsModified();
}

void CMainFrame::OnExit() {
    BusyScope busy(m_busy);   // the question and the save it may run
    bool keepText = false;
    if (HasUnsavedText()) {
        int answer = ::MessageBoxW(m_hWnd, L"网文的内容已被修改，是否需要保存？", L"保存网文",
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return;
        if (answer == IDYES) SaveWebText();
        keepText = answer == IDYES;   // a save that wrote nothing leaves the text for the next start
    }
    if (m_mainDoc && !m_mainDoc->SaveModified()) return;
    EndRecoveryAtExit(keepText);
    DestroyWindow();
}

// The save hot key is dropped while a capture or the file-name dialog is busy.
LRESULT CMainFrame::OnSaveHotKey(WPARAM wp, LPARAM lp) {
    if (IsBusy()) return 1;
    SaveWebText();
    return Default(WM_HOTKEY, wp, lp);
}

void CMainFrame::OnFont() {
    BusyScope busy(m_busy);   // the font dialog
    if (m_mainView) m_mainView->ExecGated(kIdmFont);
    NoteEditorChanged();
}

void CMainFrame::OnSettings() {
    BusyScope busy(m_busy);
    m_appConfigs.DoModal(m_hWnd);
}

void CMainFrame::OnAbout() {
    BusyScope busy(m_busy);
    CAboutDlg about;
    about.DoModal(m_hWnd);
}

void CMainFrame::OnHelp() {
    std::wstring help = GetAppDir() + L"help.chm";
    ::ShellExecuteW(nullptr, L"open", L"hh.exe", help.c_str(), nullptr, SW_SHOWNORMAL);
}

void CMainFrame::OnToggleBar(CControlBar& bar) { ShowControlBar(&bar, !bar.IsWindowVisible(), false); }

void CMainFrame::AddRecentFile(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2] = {};
    DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    m_recentFiles.Add(n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : path);
    m_recentFiles.Save();
}

void CMainFrame::OnOpenRecentFile(size_t index) {
    if (index >= m_recentFiles.Files().size() || !m_doc) return;
    std::wstring path = m_recentFiles.Files()[index];
    BusyScope busy(m_busy);   // its message boxes and the save run modal loops
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::MessageBoxW(m_hWnd, (L"文件“" + path + L"”已不存在，已从最近的文件中移除。").c_str(), L"Pagewick",
                      MB_OK | MB_ICONEXCLAMATION);
        m_recentFiles.Remove(index);
        m_recentFiles.Save();
        return;
    }
    // The collected text is not replaced unasked, as at the exit.
    std::wstring text;
    HtmlEngine* engine = m_mainView ? m_mainView->Engine() : nullptr;
    if (engine && engine->GetBodyText(text) && !text.empty() && m_mainDoc && m_mainDoc->IsModified()) {
        int answer = ::MessageBoxW(m_hWnd, L"网文的内容已被修改，是否需要保存？", L"保存网文",
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return;
        if (answer == IDYES) {
            SaveWebText();
            if (engine->GetBodyText(text) && !text.empty() && m_mainDoc->IsModified()) return;   // not saved
        }
    }
    if (m_doc->OnOpenDocument(path)) AddRecentFile(path);
}

void CMainFrame::OnInitMenuPopup(HMENU menu) {
    HMENU bar = ::GetMenu(m_hWnd);
    if (bar && menu == ::GetSubMenu(bar, 0)) m_recentFiles.UpdateMenu(menu);
    ::CheckMenuItem(menu, ID_VIEW_TREEBAR, MF_BYCOMMAND | (m_wndTreeBar.IsWindowVisible() ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(menu, ID_VIEW_LISTBAR, MF_BYCOMMAND | (m_wndListBar.IsWindowVisible() ? MF_CHECKED : MF_UNCHECKED));
    for (UINT id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        ::EnableMenuItem(menu, id, MF_BYCOMMAND | (m_view.IsCommandEnabled(id) ? MF_ENABLED : MF_GRAYED));
}
