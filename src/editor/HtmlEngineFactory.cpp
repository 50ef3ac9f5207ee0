#include "editor/HtmlEngine.h"

std::unique_ptr<HtmlEngine> CreateHtmlEngine(HWND view) {
    if (auto platform = CreatePlatformHtmlEngine(view)) return platform;
    return CreateBuiltinHtmlEngine(view);
}
