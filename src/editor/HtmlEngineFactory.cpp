#include "editor/HtmlEngine.h"

std::unique_ptr<HtmlEngine> CreateHtmlEngine(HWND view, bool hidden) {
    if (auto platform = CreatePlatformHtmlEngine(view)) return platform;
    return CreateBuiltinHtmlEngine(view, hidden);
}
