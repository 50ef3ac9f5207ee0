#include "capture/SelectionCapture.h"
#include "framework/HtmlEditView.h"
#include "editor/ClipboardHtml.h"
#include "editor/HtmlText.h"
#include <algorithm>
#include <vector>

const wchar_t kCaptureSeparator[] = L"<P>";
const wchar_t kCapturedTitle[] = L"成功";
const wchar_t kCapturedText[] = L"获取数据完成！";
const wchar_t kNothingTitle[] = L"警告";
const wchar_t kNothingText[] = L"未获取到数据！";

namespace {
const wchar_t* const kMessageBoxMarkers[] = {L"Pagewick", L"确定", L"-----"};

void Key(BYTE vk, DWORD flags) { ::keybd_event(vk, static_cast<BYTE>(::MapVirtualKeyW(vk, 0)), flags, 0); }

// The bounds of the copy, as long as the waits were when they were fixed: C held down,
// and the whole wait from the keystroke to the read.
constexpr DWORD kCopyKeyHeldMaxMs = 100;
constexpr DWORD kCopyLandsMaxMs = 500;
constexpr DWORD kClipboardPollMs = 2;
// A poll that comes back late counts only this long: a machine too loaded to run our
// thread on time does not run the browser on time either, so its copy gets the time
// it lost, up to kLoadedStretch times the bound.
constexpr DWORD kPollCountsAtMostMs = 10;
constexpr DWORD kLoadedStretch = 10;

// The copied selection: the clipboard's "HTML Format" through the reader both engines
// share (relative addresses resolved against its SourceURL), cleaned. Only plain text
// goes through the hidden view (escaped, line breaks kept); it is left empty.
bool ReadCopiedSelection(HWND frame, CHtmlEditView* pasteView, std::wstring& html, std::wstring& sourceUrl) {
    bool fromHtmlFormat = false;
    if (!cliphtml::ReadAsHtml(frame, html, &sourceUrl, &fromHtmlFormat)) return false;
    HtmlEngine* paste = pasteView ? pasteView->Engine() : nullptr;
    if (!fromHtmlFormat && paste && !pasteView->IsBusy() && paste->SetBodyHtml(html)) {
        std::wstring shown;
        if (paste->GetBodyHtml(shown)) html = shown;
        paste->NewDocument();
    }
    html = htmltext::CleanCapturedHtml(html, htmltext::IsLocalFileAddress(sourceUrl));
    return true;
}

void EmptyClipboardAsOwner(HWND owner) {
    // Another program may hold the clipboard open for a moment (one that reads it as it
    // changes): tried again for about 100 ms, then left as it is.
    bool open = false;
    for (int attempt = 0; attempt < 20 && !(open = ::OpenClipboard(owner) != FALSE); ++attempt) ::Sleep(5);
    if (!open) return;
    ::EmptyClipboard();
    ::CloseClipboard();
}
}  // namespace

namespace {
bool IsDashLine(const std::wstring& line) {
    return line.size() >= 5 && line.find_first_not_of(L'-') == std::wstring::npos;
}

// Copying a message box gives plain text: a dash line, the caption, a dash line,
// the message (one or more lines), a dash line, the buttons, a dash line. Either
// engine may turn it into markup first, so its text is read back.
bool IsMessageBoxCopy(const std::wstring& html) {
    if (html.size() > 16384) return false;   // a message box holds a few lines; a long page is not read twice
    std::wstring text = htmltext::InnerText(html);
    std::vector<std::wstring> lines;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        size_t first = line.find_first_not_of(L" \t\u00A0\u3000");
        size_t last = line.find_last_not_of(L" \t\u00A0\u3000");
        if (first != std::wstring::npos) lines.push_back(line.substr(first, last - first + 1));
        start = end + 1;
    }
    const size_t n = lines.size();
    if (n < 7 || !IsDashLine(lines[0]) || !IsDashLine(lines[2]) || !IsDashLine(lines[n - 3]) || !IsDashLine(lines[n - 1]))
        return false;
    for (size_t i = 3; i + 3 < n; ++i)
        if (IsDashLine(lines[i])) return false;
    return !IsDashLine(lines[1]) && !IsDashLine(lines[n - 2]);
}
}  // namespace

bool IsCopiedMessageBox(const std::wstring& html) {
    bool markersAfterStart = true;
    for (const wchar_t* marker : kMessageBoxMarkers) {
        size_t at = html.find(marker);
        if (at == std::wstring::npos || at == 0) markersAfterStart = false;
    }
    return markersAfterStart || IsMessageBoxCopy(html);
}

CaptureOutcome ClassifyPastedHtml(const std::wstring& html) {
    if (html.empty()) return CaptureOutcome::Empty;
    if (IsCopiedMessageBox(html)) return CaptureOutcome::CopiedMessageBox;
    return CaptureOutcome::Success;
}

std::wstring AppendCapture(const std::wstring& existing, const std::wstring& pasted) {
    return existing + kCaptureSeparator + pasted;
}

void WaitAnsweringSentMessages(DWORD ms) { WaitAnsweringSentMessages(ms, nullptr); }

bool WaitAnsweringSentMessages(DWORD ms, const std::function<bool()>& done) {
    const DWORD start = ::GetTickCount();
    DWORD counted = 0, last = start;
    for (;;) {
        if (done && done()) return true;
        DWORD now = ::GetTickCount();
        counted += done ? std::min<DWORD>(now - last, kPollCountsAtMostMs) : now - last;
        last = now;
        if (counted >= ms || now - start >= ms * kLoadedStretch) return false;
        DWORD slice = done ? std::min<DWORD>(ms - counted, kClipboardPollMs) : ms - counted;
        if (::MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_SENDMESSAGE, 0) == WAIT_OBJECT_0) {
            MSG msg;
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

bool ClipboardChangedSince(DWORD sequence, HWND opener) {
    // The number moves on the writer's first change, while it still fills the clipboard;
    // it can be opened only once the writer closed it. Opened with a window: a writer that
    // opened it without one would otherwise share its opening (and lose it at our close).
    if (::GetClipboardSequenceNumber() == sequence) return false;
    if (!::OpenClipboard(opener)) return false;
    ::CloseClipboard();
    return true;
}

void CopySelectionAndWait(HWND frame) {
    const DWORD before = ::GetClipboardSequenceNumber();
    auto landed = [before, frame] { return ClipboardChangedSince(before, frame); };
    Key(VK_CONTROL, 0);
    Key('C', 0);
    bool done = WaitAnsweringSentMessages(kCopyKeyHeldMaxMs, landed);
    Key('C', KEYEVENTF_KEYUP);
    Key(VK_CONTROL, KEYEVENTF_KEYUP);
    if (!done) WaitAnsweringSentMessages(kCopyLandsMaxMs - kCopyKeyHeldMaxMs, landed);
}

CaptureOutcome AppendToEditor(CHtmlEditView* mainView, const std::wstring* pasted, const CaptureNotice& notice,
                              bool fromKeystroke, const ShowBalloonFn& balloon) {
    auto show = [&balloon](int kind, const wchar_t* title, const wchar_t* text) {
        if (balloon) balloon(kind, title, text);
    };
    // A body is being set (or the engine is still being made): refused, nothing shown,
    // the clipboard kept. The caller answers "busy".
    if (mainView && mainView->IsBusy()) return CaptureOutcome::Busy;
    HtmlEngine* main = mainView ? mainView->Engine() : nullptr;
    bool haveMain = main && main->HasDocument();
    if (haveMain) main->SetCharset(L"unicode");

    CaptureOutcome outcome = CaptureOutcome::Empty;
    if (pasted && haveMain)
        outcome = fromKeystroke ? ClassifyPastedHtml(*pasted) : pasted->empty() ? CaptureOutcome::Empty : CaptureOutcome::Success;
    if (outcome == CaptureOutcome::Success) {
        std::wstring note;
        if (notice) {
            std::wstring existing;
            main->GetBodyHtml(existing);
            note = notice(*pasted, existing);
        }
        // Inserted at the end rather than the whole body set again: a capture costs
        // the same however much the editor already holds. Success is told only once
        // the text is in.
        if (main->AppendBodyHtml(AppendCapture(L"", *pasted))) {
            main->CloseDocument();
            show(kBalloonInfo, kCapturedTitle,
                 note.empty() ? kCapturedText : (kCapturedText + (L"\n" + note)).c_str());
            return outcome;
        }
        outcome = main->IsBusy() ? CaptureOutcome::Busy : CaptureOutcome::Failed;
    }
    show(kBalloonWarning, kNothingTitle, kNothingText);
    return outcome;
}

CaptureOutcome RunCaptureSteps(HWND frame, CHtmlEditView* pasteView, CHtmlEditView* mainView,
                               std::wstring* sourceUrl, const CaptureNotice& notice, const ShowBalloonFn& balloon) {
    CopySelectionAndWait(frame);

    std::wstring pasted, source;
    bool havePasted = ReadCopiedSelection(frame, pasteView, pasted, source);
    CaptureOutcome outcome = AppendToEditor(mainView, havePasted ? &pasted : nullptr, notice, true, balloon);
    if (outcome == CaptureOutcome::Success) {
        if (sourceUrl) *sourceUrl = source;
        EmptyClipboardAsOwner(frame);
    }
    return outcome;
}
