// The tray icon's clicks and menu, and close-to-tray.
#include "app/MainFrame.h"
#include "app/TrayIcon.h"
#include "capture/SelectionCapture.h"
#include "resources/resource.h"

void CMainFrame::HideToTray() {
    // Minimise first, then leave the taskbar when the hide timer fires.
    if (!::SetTimer(m_hWnd, kHideTimerId, 100, nullptr)) {
        ShowWindow(SW_MINIMIZE);
        ShowWindow(SW_HIDE);   // no timer: hide at once rather than stay on the taskbar
        return;
    }
    ShowWindow(SW_MINIMIZE);
}

LRESULT CMainFrame::OnTrayCallback(WPARAM wp, LPARAM lp) {
    switch (static_cast<UINT>(lp)) {
    case WM_LBUTTONUP:
        if (IsWindowVisible()) {
            HideToTray();
        } else {
            ShowWindow(SW_SHOW);
            ShowWindow(SW_RESTORE);
        }
        break;
    case WM_RBUTTONDOWN:
        ShowTrayMenu();
        break;
    }
    return Default(WM_TRAY_CALLBACK, wp, lp);
}

void CMainFrame::ShowTrayMenu() {
    HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_POPICON));
    if (!menu) return;
    // The menu runs a loop of its own; its command arrives after it has closed.
    BusyScope busy(m_busy);
    if (HMENU popup = ::GetSubMenu(menu, 0)) {
        POINT at{};
        ::GetCursorPos(&at);
        // The menu only closes on a click elsewhere when its owner is in front.
        ::SetForegroundWindow(m_hWnd);
        ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
    ::DestroyMenu(menu);
}

void CMainFrame::ShowBalloon(int kind, const wchar_t* title, const wchar_t* text) {
    ShowTrayBalloon(m_tray, kind, title, text);
}

ShowBalloonFn CMainFrame::BalloonShower() {
    return [this](int kind, const wchar_t* title, const wchar_t* text) { ShowBalloon(kind, title, text); };
}
