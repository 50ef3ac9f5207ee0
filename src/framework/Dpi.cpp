#include "framework/Dpi.h"
#include <cstdlib>

namespace {
// Present from Windows 10 (1607); looked up so the program still starts on older systems.
template <class Fn> Fn UserFunction(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

UINT SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    int d = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return d > 0 ? (UINT)d : dpi::kBase;
}
}  // namespace

namespace dpi {

int Scale(int px, UINT dpi) { return ::MulDiv(px, (int)(dpi ? dpi : kBase), (int)kBase); }

int IconSize(int basePx, UINT dpi) {
    static const int kMade[] = {16, 20, 24, 32, 40, 48, 64};
    const int want = Scale(basePx, dpi);
    int best = kMade[0];
    for (int size : kMade) {
        if (size < basePx) continue;
        if (best < basePx || std::abs(size - want) < std::abs(best - want)) best = size;
    }
    return best;
}

UINT ForWindow(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = UserFunction<GetDpiForWindowFn>("GetDpiForWindow");
    UINT d = (getDpi && hwnd) ? getDpi(hwnd) : 0;
    return d ? d : SystemDpi();
}

HFONT CreateMessageFont(UINT dpi) {
    using SpiForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto spiForDpi = UserFunction<SpiForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (spiForDpi && spiForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi))
        return ::CreateFontIndirectW(&metrics.lfMessageFont);
    // Older systems give the metrics at the system DPI only.
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return CreatePointFont(L"MS Shell Dlg", 9, dpi);
    LONG& h = metrics.lfMessageFont.lfHeight;
    h = ::MulDiv(h, (int)dpi, (int)SystemDpi());
    return ::CreateFontIndirectW(&metrics.lfMessageFont);
}

HFONT CreatePointFont(const wchar_t* face, int points, UINT dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(points, (int)dpi, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return ::CreateFontIndirectW(&lf);
}

int LineHeight(HFONT font) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font ? (HGDIOBJ)font : ::GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return tm.tmHeight;
}

HICON LoadProgramIcon(UINT id, int basePx, UINT dpi) {
    const int size = IconSize(basePx, dpi);
    return (HICON)::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0);
}

}  // namespace dpi
