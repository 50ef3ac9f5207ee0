// Captures handed over by the browser extension's native messaging host (WM_COPYDATA).
#include "app/MainFrame.h"
#include "app/TrayIcon.h"
#include "capture/BrowserCapture.h"
#include "capture/BrowserHandoff.h"
#include "capture/WebTextSaver.h"

LRESULT CMainFrame::OnCopyData(LPARAM lp) {
    // The data lives only as long as this send, so a capture that cannot run now is
    // refused and the host answers the browser, never kept for later. Until the start-up
    // is over nothing is looked at: any sender may ask whether it is.
    if (!m_mainView || !m_startShown) return kReplyStarting;
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    std::wstring pageUrl, html, title;
    if (!data || !UnpackBrowserCapture(data->dwData, data->lpData, data->cbData, pageUrl, html, &title))
        return kReplyNotUnderstood;
    if (data->dwData == kBrowserCaptureAfterStartTag) ShowWindow(SW_HIDE);   // as for 1027
    if (m_capturing || IsBusy() || m_mainView->IsBusy()) return kReplyBusy;

    struct BackToIdle {
        CMainFrame* frame;
        ~BackToIdle() { frame->m_capturing = false; frame->m_ready = true; }
    } backToIdle{this};
    m_ready = false;
    m_capturing = true;
    ShowTrayBalloon(kBalloonInfo, L"", L"");   // takes down a balloon still showing
    try {
        std::wstring before;
        bool beginsText = m_mainView->Engine() && m_mainView->Engine()->GetBodyText(before) &&
                          before.find_first_not_of(L" \t\r\n\u00A0\u3000") == std::wstring::npos;
        CaptureOutcome outcome = TakeBrowserCapture(m_mainView, pageUrl, html, BalloonShower());
        if (outcome == CaptureOutcome::Busy) return kReplyBusy;   // never "taken" for a text not in
        if (outcome != CaptureOutcome::Success) return kReplyNothing;
        if (beginsText) {
            std::wstring after;
            m_mainView->Engine()->GetBodyText(after);
            m_proposedTitle = title;
            m_proposedTitleStart = TitledTextStart(after);
        }
        KeepTextAfterCapture(pageUrl);   // after the balloon, as for the other captures
        return kReplyTaken;
    } catch (...) {
        return kReplyNothing;
    }
}
