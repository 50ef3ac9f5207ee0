// The main window on scaled displays: one path gives every part of the window the fonts,
// icons and sizes of a DPI, at creation and when the window moves to a monitor of another
// scale.
#include "app/MainFrame.h"
#include "app/TrayIcon.h"
#include "framework/Dpi.h"
#include "resources/resource.h"

namespace {
const UINT kToolBarIcons[] = {IDI_TB_SAVE, IDI_TB_BROWSE, IDI_TB_FOLDER, IDI_TB_SETTINGS,
                              IDI_TB_FONT, IDI_TB_ABOUT, IDI_TB_EXIT};
// The panes keep the look of their dialog template: 宋体 9 points.
const wchar_t kPaneFace[] = L"宋体";
const int kPanePoints = 9;
}  // namespace

void CMainFrame::SetToolBarImages() {
    const int size = dpi::IconSize(32, m_dpi);
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 8, 0);
    for (UINT id : kToolBarIcons) {
        HICON icon = dpi::LoadProgramIcon(id, 32, m_dpi);
        ImageList_AddIcon(images, icon);
        if (icon) ::DestroyIcon(icon);
    }
    m_wndToolBar.SetImageList(images);
    if (m_toolbarImages) ImageList_Destroy(m_toolbarImages);
    m_toolbarImages = images;
}

void CMainFrame::ApplyDpi(UINT newDpi) {
    m_dpi = newDpi ? newDpi : dpi::kBase;
    HFONT oldUi = m_uiFont, oldPane = m_paneFont;
    m_uiFont = dpi::CreateMessageFont(m_dpi);
    m_paneFont = dpi::CreatePointFont(kPaneFace, kPanePoints, m_dpi);

    SetToolBarImages();
    m_wndToolBar.m_dpi = m_dpi;
    m_wndToolBar.m_textHeight = dpi::LineHeight(m_uiFont);
    m_wndToolBar.Remeasure(m_uiFont);
    if (m_searchBox) ::SendMessageW(m_searchBox, WM_SETFONT, (WPARAM)m_uiFont, TRUE);
    m_wndStatusBar.SetDpi(m_dpi, m_uiFont);
    m_wndTreeBar.SetDpi(m_dpi, m_paneFont);
    m_wndListBar.SetDpi(m_dpi, m_paneFont);
    // The controls hold the new fonts now: the old ones can go.
    if (oldUi) ::DeleteObject(oldUi);
    if (oldPane) ::DeleteObject(oldPane);

    RecalcLayout();
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CMainFrame::OnDpiChanged(UINT newDpi, const RECT* suggested) {
    // The system's suggested rectangle keeps the window's place and scales its size.
    if (suggested)
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyDpi(newDpi);
    UpdateTrayIcon(m_tray);
}
