// Capture requests, the capture timer and the hot keys of the main frame.
#include "app/MainFrame.h"
#include "app/TrayIcon.h"
#include "app/MainFrameRecovery.h"
#include "capture/CaptureWorker.h"
#include "capture/SelectionCapture.h"
#include "search/DuplicateCheck.h"

LRESULT CMainFrame::OnHotKey(WPARAM wp, LPARAM lp) {
    // A request sent while the capture steps wait is handled once they are over.
    if (m_capturing) {
        ::PostMessageW(m_hWnd, WM_HOTKEY, wp, lp);
        return 0;
    }
    if (wp == kCaptureHotKeyId) {
        // Dropped, nothing shown: a capture is under way, or an operation waits in a
        // dialog whose text a capture would change under it.
        if (IsBusy()) return 1;
        m_ready = false;
        ShowTrayBalloon(kBalloonInfo, L"", L"");   // takes down a balloon still showing
        if (!StartCaptureWorker(m_hWnd)) OnCaptureNotArmed();
    } else if (wp == kSaveHotKeyId) {
        return OnSaveHotKey(wp, lp);
    }
    return Default(WM_HOTKEY, wp, lp);
}

LRESULT CMainFrame::OnCaptureMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // The extension finds the window by its caption as soon as it exists, while the start-up
    // may still be building or showing it: such a request waits until the window is first shown.
    if (!m_mainView || !m_startShown) {
        if (m_startRequest != WM_CAPTURE_AFTER_START) {
            m_startRequest = msg;
            m_startParam = wp;
        }
        return Default(msg, wp, lp);
    }
    if (m_capturing) {
        ::PostMessageW(m_hWnd, msg, wp, lp);
        return 0;
    }
    // After a fresh start by the extension the window stays out of the way, even when
    // the request is dropped.
    if (msg == WM_CAPTURE_AFTER_START) {
        ShowWindow(SW_HIDE);
        // Hiding the window that is in front need not activate another (on a plain X display
        // nothing is): the browser named by the extension gets the foreground back, so that
        // the capture's copy reaches it. An older extension names none (wParam 0).
        HWND browser = BrowserFromRequest(wp);
        if (browser && ::IsWindow(browser) && browser != m_hWnd) ::SetForegroundWindow(browser);
    }
    ::SendMessageW(m_hWnd, WM_HOTKEY, kCaptureHotKeyId, 0);
    return Default(msg, wp, lp);
}

void CMainFrame::PostStartRequest() {
    // Posted: the start-up finishes showing the window before the capture runs.
    if (m_startRequest) ::PostMessageW(m_hWnd, m_startRequest, m_startParam, 0);
    m_startRequest = 0;
    m_startParam = 0;
}

void CMainFrame::OnCaptureNotArmed() {
    // The worker could not arm the capture timer: back to idle so captures stay possible.
    m_ready = true;
    ShowTrayBalloon(kBalloonWarning, kNothingTitle, kNothingText);
}

LRESULT CMainFrame::OnTimer(WPARAM wp, LPARAM lp) {
    ::KillTimer(m_hWnd, wp);   // both timers are one-shot
    if (wp == kHideTimerId) ShowWindow(SW_HIDE);
    else if (wp == kCaptureTimerId) RunCapture();
    else if (wp == kRecoveryTimerId) WriteRecoveryNow();
    else if (wp == kRecoveryStartTimerId) RestoreRecoveredText();
    return Default(WM_TIMER, wp, lp);
}

void CMainFrame::RunCapture() {
    // Whatever happens in the steps, the program is idle again afterwards.
    struct BackToIdle {
        CMainFrame* frame;
        ~BackToIdle() { frame->m_capturing = false; frame->m_ready = true; }
    } backToIdle{this};
    m_capturing = true;
    try {
        std::wstring sourceUrl;
        CaptureNotice notice = [this](const std::wstring& pasted, const std::wstring& existing) {
            return DuplicateNotice(m_search.get(), pasted, existing);
        };
        // After the balloon: the recovery write never delays it.
        if (RunCaptureSteps(m_hWnd, g_pasteView, m_mainView, &sourceUrl, notice, BalloonShower()) ==
            CaptureOutcome::Success)
            KeepTextAfterCapture(sourceUrl);
    } catch (...) {
    }
}
