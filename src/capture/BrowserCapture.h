// A capture handed over by the browser extension's host: the selection's HTML comes with
// the page address, so nothing is copied, pasted or put on the clipboard.
#pragma once
#include "capture/SelectionCapture.h"

// Relative src and href values made absolute against the page address, as for a pasted
// fragment with its SourceURL; then appended like every capture (balloons included), but
// without the copied-message-box rule: nothing was copied.
CaptureOutcome TakeBrowserCapture(CHtmlEditView* mainView, const std::wstring& pageUrl, const std::wstring& html,
                                  const ShowBalloonFn& balloon);
