// Platform engine (MSHTML in design mode).
#include "editor/HtmlEngine.h"

std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND) { return nullptr; }
