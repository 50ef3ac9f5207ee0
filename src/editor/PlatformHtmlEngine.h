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

// Null when the control cannot be created or gives no document in time.
std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND view, const BrowserControlSource& source);
// The source every later view uses; setting one also starts a new engine choice.
void SetBrowserControlSource(BrowserControlSource source);
