// Taking the selection of the window in front into the editor: the copy keystroke,
// the clipboard's HTML (plain text through the hidden view), the cleaning, and the
// decision on what was copied.
#pragma once
#include "framework/TrayBalloon.h"
#include <functional>
#include <windows.h>
#include <string>

class CHtmlEditView;

// 1027: program just started by the extension. wParam: the browser window that was in
// front (the low 32 bits of its handle) or 0.
constexpr UINT WM_CAPTURE_AFTER_START = WM_USER + 3;
constexpr UINT WM_CAPTURE_REQUEST = WM_USER + 4;       // 1028: program already running
// Sent by a capture worker that could not arm the capture timer: the frame goes back to idle.
constexpr UINT WM_CAPTURE_NOT_ARMED = WM_APP + 12;
constexpr UINT_PTR kHideTimerId = 1;
constexpr UINT_PTR kCaptureTimerId = 2;
// The capture runs as soon as the worker saw the modifiers released: the copy keystroke
// then goes out at once, and only the wait for the copy to land has a bound.
constexpr UINT kCaptureTimerMs = USER_TIMER_MINIMUM;

extern const wchar_t kCaptureSeparator[];   // "<P>", put before each capture
extern const wchar_t kCapturedTitle[];      // "成功"
extern const wchar_t kCapturedText[];       // "获取数据完成！"
extern const wchar_t kNothingTitle[];       // "警告"
extern const wchar_t kNothingText[];        // "未获取到数据！"

// The browser window named by 1027's wParam (null for 0); handles keep to 32 bits and are
// sign-extended, so a 32-bit extension and a 64-bit program agree.
inline HWND BrowserFromRequest(WPARAM wp) { return wp ? HWND(LongToHandle(LONG(DWORD(wp)))) : nullptr; }

// Busy: the editor was setting a body and took nothing; Failed: the editor refused the text.
enum class CaptureOutcome { Empty, CopiedMessageBox, Success, Busy, Failed };

// A copied message box: all three markers of this program's boxes, each first
// found after index 0, or (wherever the markers stand) the text of a message box
// copy: dash lines around the caption, the text and the buttons, nothing else.
bool IsCopiedMessageBox(const std::wstring& html);
CaptureOutcome ClassifyPastedHtml(const std::wstring& html);
// existing + "<P>" + pasted, nothing else inserted.
std::wstring AppendCapture(const std::wstring& existing, const std::wstring& pasted);

// Waits while still answering messages sent by other threads and programs (a copy in
// another program waits for the clipboard owner to answer); posted messages and input wait.
void WaitAnsweringSentMessages(DWORD ms);
// The same wait, ended early once done() holds (asked every few milliseconds); true then.
// With done(), time during which this thread was kept from running counts only in part
// (a loaded machine runs the other program late too), up to ten times `ms`.
bool WaitAnsweringSentMessages(DWORD ms, const std::function<bool()>& done);
// True once the clipboard changed since `sequence` (GetClipboardSequenceNumber) and its
// writer has closed it again, so that what it wrote can be read whole. `opener`: a window
// of this thread, used to try the clipboard (never changing it).
bool ClipboardChangedSince(DWORD sequence, HWND opener);

// The end of every capture: the pasted HTML (null when none could be read) decides the
// outcome; success appends it to the main editor after "<P>", and only once it is in
// shows the success balloon (else the warning). A busy editor takes nothing and
// nothing is shown (Busy).
// notice(pasted, existing) may give a line the success balloon adds.
using CaptureNotice = std::function<std::wstring(const std::wstring&, const std::wstring&)>;
// fromKeystroke: what was pasted after the copy keystroke, which may be one of this program's
// message boxes; a hand-off from the browser extension is the page's own HTML.
// balloon shows the balloons on the program's tray icon (none: nothing is shown).
CaptureOutcome AppendToEditor(CHtmlEditView* mainView, const std::wstring* pasted, const CaptureNotice& notice = {},
                              bool fromKeystroke = true, const ShowBalloonFn& balloon = {});

// The copy keystroke to the focused window, and the wait for the copy to land: C is held
// until the clipboard changes (at most 100 ms), and the wait ends as soon as it has, at
// the latest 500 ms after the keystroke for a browser that is slow or copies nothing.
void CopySelectionAndWait(HWND frame);

// The capture steps run when the capture timer fires: copy keystroke to the focused
// window, the clipboard read and cleaned, and on success append to the main
// editor, show the balloons and empty the clipboard. Returns the outcome; a view
// without a document counts as Empty. `sourceUrl` receives the page address the
// copy named, if any; notice(pasted, existing) may give a line the success balloon
// adds (a text captured before); balloon shows them (none: nothing is shown).
CaptureOutcome RunCaptureSteps(HWND frame, CHtmlEditView* pasteView, CHtmlEditView* mainView,
                               std::wstring* sourceUrl = nullptr, const CaptureNotice& notice = {},
                               const ShowBalloonFn& balloon = {});
