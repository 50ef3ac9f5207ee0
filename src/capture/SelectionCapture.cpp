#include "capture/SelectionCapture.h"
#include "app/TrayIcon.h"
#include "framework/HtmlEditView.h"

const wchar_t kCaptureSeparator[] = L"<P>";
const wchar_t kCapturedTitle[] = L"成功";
const wchar_t kCapturedText[] = L"获取数据完成！";
const wchar_t kNothingTitle[] = L"警告";
const wchar_t kNothingText[] = L"未获取到数据！";

namespace {
const wchar_t* const kMessageBoxMarkers[] = {L"Pagewick", L"确定", L"-----"};

void Key(BYTE vk, DWORD flags) { ::keybd_event(vk, static_cast<BYTE>(::MapVirtualKeyW(vk, 0)), flags, 0); }

void SendCopyKeystroke() {
    Key(VK_CONTROL, 0);
    Key('C', 0);
    WaitAnsweringSentMessages(100);
    Key('C', KEYEVENTF_KEYUP);
    Key(VK_CONTROL, KEYEVENTF_KEYUP);
}

// Reads what the hidden view received and leaves it empty. False without a document.
bool TakePastedHtml(HtmlEngine* engine, std::wstring& pasted) {
    if (!engine || !engine->HasDocument()) return false;
    engine->Stop();
    if (!engine->GetBodyHtml(pasted)) return false;
    engine->SetBodyHtml(L"");
    engine->CloseDocument();
    return true;
}

void EmptyClipboardAsOwner(HWND owner) {
    if (!::OpenClipboard(owner)) return;   // best effort
    ::EmptyClipboard();
    ::CloseClipboard();
}
}  // namespace

bool IsCopiedMessageBox(const std::wstring& html) {
    for (const wchar_t* marker : kMessageBoxMarkers) {
        size_t at = html.find(marker);
        if (at == std::wstring::npos || at == 0) return false;
    }
    return true;
}

CaptureOutcome ClassifyPastedHtml(const std::wstring& html) {
    if (html.empty()) return CaptureOutcome::Empty;
    if (IsCopiedMessageBox(html)) return CaptureOutcome::CopiedMessageBox;
    return CaptureOutcome::Success;
}

std::wstring AppendCapture(const std::wstring& existing, const std::wstring& pasted) {
    return existing + kCaptureSeparator + pasted;
}

void WaitAnsweringSentMessages(DWORD ms) {
    DWORD start = ::GetTickCount();
    for (;;) {
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= ms) return;
        if (::MsgWaitForMultipleObjectsEx(0, nullptr, ms - elapsed, QS_SENDMESSAGE, 0) == WAIT_OBJECT_0) {
            MSG msg;
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

CaptureOutcome RunCaptureSteps(HWND frame, CHtmlEditView* pasteView, CHtmlEditView* mainView,
                               const std::function<std::wstring(const std::wstring&, const std::wstring&)>& notice) {
    SendCopyKeystroke();
    WaitAnsweringSentMessages(300);
    WaitAnsweringSentMessages(100);
    if (pasteView) pasteView->ExecGated(kIdmPaste);   // only when supported and enabled
    WaitAnsweringSentMessages(100);

    std::wstring pasted, existing;
    bool havePasted = TakePastedHtml(pasteView ? pasteView->Engine() : nullptr, pasted);
    HtmlEngine* main = mainView ? mainView->Engine() : nullptr;
    bool haveMain = main && main->HasDocument();
    if (haveMain) {
        main->SetCharset(L"unicode");
        haveMain = main->GetBodyHtml(existing);
    }

    CaptureOutcome outcome = (havePasted && haveMain) ? ClassifyPastedHtml(pasted) : CaptureOutcome::Empty;
    if (outcome != CaptureOutcome::Success) {
        ShowTrayBalloon(kBalloonWarning, kNothingTitle, kNothingText);
        return outcome;
    }
    std::wstring note = notice ? notice(pasted, existing) : L"";
    ShowTrayBalloon(kBalloonInfo, kCapturedTitle, note.empty() ? kCapturedText : (kCapturedText + (L"\n" + note)).c_str());
    main->SetBodyHtml(AppendCapture(existing, pasted));
    main->CloseDocument();
    EmptyClipboardAsOwner(frame);
    return outcome;
}
