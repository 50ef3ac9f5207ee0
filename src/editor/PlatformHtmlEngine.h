// Where the platform engine gets its web-browser control, and how long it waits
// for a document.
#pragma once
#include "editor/HtmlEngine.h"
#include <oleidl.h>
#include <functional>

// A cold start (first load of the browser libraries, a scanning anti-virus) can
// take many seconds; the engine is chosen once, so the bound is generous.
const DWORD kBrowserLoadTimeoutMs = 15000;

struct BrowserControlSource {
    // Makes the control as an in-place object; empty: the system's web-browser control.
    std::function<HRESULT(IOleObject**)> create;
    DWORD loadTimeoutMs = kBrowserLoadTimeoutMs;
};

// Null when the control cannot be created or gives no document in time; `why` (when
// given) then receives the reason: the control's error, or a time-out.
std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND view, const BrowserControlSource& source,
                                                     HRESULT* why = nullptr);
// Why the engine choice fell back to the built-in engine (S_OK: it did not).
HRESULT BuiltinEngineReason();
// What the status bar and the balloon say when the simple editor is in use; "" when it is not.
std::wstring SimpleEditorNotice(HRESULT why);
// The control runs this program's documents in its newest mode (per user, as the
// program's other registry entries): false when the value could not be written.
bool WriteBrowserEmulation(const std::wstring& programFileName);
// The source every later view uses; setting one also starts a new engine choice.
void SetBrowserControlSource(BrowserControlSource source);
