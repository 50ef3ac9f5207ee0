#include "editor/PlatformHtmlEngine.h"

namespace {
// Both views use one engine: the first view decides, later views follow.
enum class Choice { Open, Platform, Builtin };
Choice g_choice = Choice::Open;
BrowserControlSource g_source;
HRESULT g_reason = S_OK;
}  // namespace

void SetBrowserControlSource(BrowserControlSource source) {
    g_source = std::move(source);
    g_choice = Choice::Open;
    g_reason = S_OK;
}

HRESULT BuiltinEngineReason() { return g_reason; }

std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND view) { return CreatePlatformHtmlEngine(view, g_source); }

std::unique_ptr<HtmlEngine> CreateHtmlEngine(HWND view, bool hidden) {
    if (g_choice != Choice::Builtin) {
        if (auto platform = CreatePlatformHtmlEngine(view, g_source, &g_reason)) {
            g_choice = Choice::Platform;
            return platform;
        }
        // Without a document in time the built-in engine serves from now on; a view
        // already made with the platform engine is remade by its owner.
        g_choice = Choice::Builtin;
    }
    return CreateBuiltinHtmlEngine(view, hidden);
}
