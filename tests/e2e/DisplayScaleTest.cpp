// The program on a scaled display, checked from outside as a user sees it. The suite runs
// these at the test prefix's DPI (96); tests/dpi/at-dpi.sh runs them again at 144 and 192
// (150 % and 200 %) in a prefix of their own. Every expectation is the 96 DPI size scaled
// to the DPI the display is set to.
#include <gtest/gtest.h>
#include "support/Pagewick.h"
#include "support/Remote.h"
#include <commctrl.h>
#include <algorithm>

using namespace zt;

namespace {

// What the display is set to: LogPixels, 96 when it is not set.
UINT DisplayDpi() {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS || !value)
        return 96;
    return value;
}

// The test measures in real pixels, as the program lays out in them.
void MeasureInRealPixels() {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    auto setContext = reinterpret_cast<SetContextFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (!setContext || !setContext((HANDLE)-4)) SetProcessDPIAware();
}

struct Scale {
    UINT dpi = DisplayDpi();
    int operator()(int px) const { return MulDiv(px, (int)dpi, 96); }
};

// A font as the system makes it at the DPI: the message font, or a face at a point size.
HFONT MessageFont(UINT dpi) {
    using SpiForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    auto spi = reinterpret_cast<SpiForDpiFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof(m);
    if (spi && spi(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0, dpi)) return CreateFontIndirectW(&m.lfMessageFont);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0);
    return CreateFontIndirectW(&m.lfMessageFont);
}

HFONT PointFont(const wchar_t* face, int points, UINT dpi) {
    return CreateFontW(-MulDiv(points, (int)dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

// The extent of a text drawn in one line with the font (an & marks the underlined letter).
SIZE TextExtent(HFONT font, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), (int)text.size(), &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {r.right - r.left, r.bottom - r.top};
}

RECT RemoteRect(HWND owner, UINT msg, WPARAM wp, LONG first = 0) {
    RemoteBuffer buf(owner, sizeof(RECT));
    RECT r{first, 0, 0, 0};
    buf.Write(&r, sizeof(r));
    SendMessageW(owner, msg, wp, (LPARAM)buf.Address());
    auto bytes = buf.Read(sizeof(RECT));
    memcpy(&r, bytes.data(), sizeof(RECT));
    return r;
}

RECT ScreenRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

// Pixels of a screen area, or of a picture drawn by the test.
struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> rgb;
    DWORD At(int x, int y) const { return rgb[(size_t)y * width + x] & 0xFFFFFF; }
};

Pixels Capture(HDC source, int x, int y, int w, int h) {
    Pixels p;
    p.width = w;
    p.height = h;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(source);
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, source, x, y, SRCCOPY);
    GdiFlush();
    p.rgb.assign((DWORD*)bits, (DWORD*)bits + (size_t)w * h);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    return p;
}

// The box around what differs from the background colour in rows [0, rows).
RECT InkBox(const Pixels& p, DWORD background, int rows) {
    RECT box{p.width, rows, -1, -1};
    auto differs = [&](DWORD c) {
        int d = 0;
        for (int s = 0; s < 24; s += 8) d += std::abs((int)((c >> s) & 0xFF) - (int)((background >> s) & 0xFF));
        return d > 60;
    };
    for (int y = 0; y < rows && y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (differs(p.At(x, y))) {
                box.left = std::min<LONG>(box.left, x);
                box.right = std::max<LONG>(box.right, x + 1);
                box.top = std::min<LONG>(box.top, y);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

// The ink of a program icon drawn by the test at a size, on a background colour.
RECT IconInk(const std::wstring& exe, int id, int size, DWORD background) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HICON icon = module ? (HICON)LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0) : nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(mem, bmp);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, size, size};
    FillRect(mem, &all, brush);
    if (icon) DrawIconEx(mem, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    Pixels p = Capture(mem, 0, 0, size, size);
    SelectObject(mem, old);
    DeleteObject(brush);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (icon) DestroyIcon(icon);
    if (module) FreeLibrary(module);
    return InkBox(p, background, size);
}

class DisplayScale : public ::testing::Test {
protected:
    void SetUp() override { MeasureInRealPixels(); }
    Scale px;
};

TEST_F(DisplayScale, ToolbarPanesAndStatusBarGrowWithTheDpi) {
    RunningPagewick app([](ProgramDir& dir) {
        dir.WriteConfig(L"SEL", L"ROUTE", L"新闻");
        WriteBytes(dir / L"新闻\\一篇网文.htm", std::string("\xFF\xFE", 2));
    });
    ASSERT_TRUE(app.Started());
    HWND frame = app.Frame();
    // Large enough for the buttons in one row at every scale checked.
    SetWindowPos(frame, HWND_TOP, 0, 0, px(760), px(560), SWP_NOACTIVATE);
    HWND toolbar = ChildById(frame, 0xE800), status = ChildById(frame, 0xE801);
    HWND treePane = ChildById(frame, 132), listPane = ChildById(frame, 133);
    ASSERT_TRUE(toolbar && status && treePane && listPane);
    Sleep(500);
    SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    HFONT uiFont = MessageFont(px.dpi), paneFont = PointFont(L"宋体", 9, px.dpi);

    // Toolbar: each button holds its icon at the scaled size (within 10 %) and its whole text.
    auto texts = ToolbarTexts(toolbar);
    ASSERT_EQ(9u, texts.size());
    const int iconIds[] = {129, 130, 131, 134, 135, 139, 140};   // the buttons' icons in order
    const int textHeight = TextExtent(uiFont, L"保存").cy;
    HDC screen = GetDC(nullptr);
    int image = 0;
    for (int i = 0; i < 9; ++i) {
        TBBUTTON b{};
        RemoteBuffer buf(toolbar, sizeof(TBBUTTON));
        SendMessageW(toolbar, TB_GETBUTTON, i, (LPARAM)buf.Address());
        auto bytes = buf.Read(sizeof(TBBUTTON));
        memcpy(&b, bytes.data(), sizeof(b));
        if (b.fsStyle & BTNS_SEP) continue;
        RECT r = RemoteRect(toolbar, TB_GETITEMRECT, i);
        SCOPED_TRACE(Narrow(texts[i]));
        EXPECT_GE(r.right - r.left, TextExtent(uiFont, texts[i]).cx) << "text clipped";
        EXPECT_GE(r.bottom - r.top, px(32) * 9 / 10 + textHeight);
        POINT at{r.left, r.top};
        ClientToScreen(toolbar, &at);
        Pixels shown = Capture(screen, at.x, at.y, r.right - r.left, r.bottom - r.top);
        const DWORD face = shown.At(2, 2);
        RECT ink = InkBox(shown, face, shown.height - textHeight - px(2));
        RECT expected = IconInk(app.Dir().Exe(), iconIds[image++], px(32), face);
        ASSERT_GT(expected.right, 0) << "icon not drawn by the test";
        EXPECT_NEAR(ink.bottom - ink.top, expected.bottom - expected.top, (expected.bottom - expected.top) / 10 + 1);
        EXPECT_NEAR(ink.right - ink.left, expected.right - expected.left, (expected.right - expected.left) / 10 + 1);
    }
    ReleaseDC(nullptr, screen);

    // The search box stays inside the toolbar and is high enough for its text.
    HWND search = GetDlgItem(toolbar, 240);
    ASSERT_TRUE(search);
    RECT bar = ScreenRect(toolbar), box = ScreenRect(search), client{};
    EXPECT_TRUE(box.left >= bar.left && box.right <= bar.right && box.top >= bar.top && box.bottom <= bar.bottom);
    GetClientRect(search, &client);
    EXPECT_GE(client.bottom, textHeight);

    // Tree and list rows grow with their icons and text.
    HWND tree = GetDlgItem(treePane, 124);
    HWND list = GetDlgItem(listPane, 231);
    ASSERT_TRUE(tree && list);
    const int paneText = TextExtent(paneFont, L"我的网文").cy;
    int treeRow = (int)SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0);
    EXPECT_GE(treeRow, std::max(px(16) * 9 / 10, paneText));
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 1; }, 5000));
    RECT row = RemoteRect(list, LVM_GETITEMRECT, 0, LVIR_BOUNDS);
    EXPECT_GE(row.bottom - row.top, std::max(px(16) * 9 / 10, paneText));

    // The tree pane's caption: its title fits between the pane's top and the tree.
    RECT treeRect = ScreenRect(tree), paneRect = ScreenRect(treePane);
    EXPECT_GE(treeRect.top - paneRect.top, px(11) + paneText) << "caption clipped";
    EXPECT_GE(treeRect.top - paneRect.top, px(28) * 9 / 10);

    // The status bar: a line of text high, and each key indicator wide enough for its text.
    RECT statusRect{};
    GetClientRect(status, &statusRect);
    EXPECT_GE(statusRect.bottom, textHeight + px(4));
    RemoteBuffer parts(status, 4 * sizeof(int));
    ASSERT_EQ(4, (int)SendMessageW(status, SB_GETPARTS, 4, (LPARAM)parts.Address()));
    auto edges = parts.Read(4 * sizeof(int));
    const int* e = reinterpret_cast<const int*>(edges.data());
    for (int i = 1; i < 3; ++i) EXPECT_GE(e[i] - e[i - 1], TextExtent(uiFont, L"SCRL").cx + px(4)) << i;
    DeleteObject(uiFont);
    DeleteObject(paneFont);

    // Moved to a monitor of a larger scale (WM_DPICHANGED, as Windows sends it): the window
    // takes the suggested rectangle and everything grows on the same path as at the start.
    const RECT buttonBefore = RemoteRect(toolbar, TB_GETITEMRECT, 0);
    const RECT searchBefore = ScreenRect(search);
    RECT suggested{20, 10, 920, 700};   // within the virtual desktop at every scale
    RemoteBuffer rect(frame, sizeof(RECT));
    rect.Write(&suggested, sizeof(suggested));
    const UINT larger = px.dpi + 48;
    SendMessageTimeoutW(frame, WM_DPICHANGED, MAKEWPARAM(larger, larger), (LPARAM)rect.Address(), SMTO_NORMAL, 10000,
                        nullptr);
    RECT now = ScreenRect(frame);
    EXPECT_TRUE(EqualRect(&now, &suggested)) << now.left << "," << now.top << " " << now.right << "," << now.bottom;
    RECT buttonAfter = RemoteRect(toolbar, TB_GETITEMRECT, 0);
    EXPECT_GT(buttonAfter.bottom - buttonAfter.top, buttonBefore.bottom - buttonBefore.top);
    EXPECT_GT((int)SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0), treeRow);
    RECT searchAfter = ScreenRect(search);
    EXPECT_GT(searchAfter.bottom - searchAfter.top, searchBefore.bottom - searchBefore.top);
    bar = ScreenRect(toolbar);
    EXPECT_TRUE(searchAfter.top >= bar.top && searchAfter.bottom <= bar.bottom);
}

// Every text of a dialog fits its control: statics, buttons and the check box (with its box).
void ExpectDialogTextsFit(HWND dialog, HFONT font, const Scale& px) {
    for (HWND child : ChildWindows(dialog)) {
        wchar_t cls[32] = {};
        GetClassNameW(child, cls, 32);
        std::wstring text = WindowText(child);
        if (text.empty() || (_wcsicmp(cls, L"Static") != 0 && _wcsicmp(cls, L"Button") != 0)) continue;
        RECT c{};
        GetClientRect(child, &c);
        LONG style = GetWindowLongW(child, GWL_STYLE) & 0xF;
        int room = c.right;
        if (_wcsicmp(cls, L"Button") == 0)
            room -= (style == BS_AUTOCHECKBOX || style == BS_CHECKBOX) ? px(13) + px(4) : px(6);
        SIZE need = TextExtent(font, text);
        EXPECT_GE(room, need.cx) << Narrow(text) << " is clipped";
        if (style != BS_GROUPBOX) {
            EXPECT_GE(c.bottom, need.cy) << Narrow(text) << " is cut in height";
        }
    }
}

TEST_F(DisplayScale, FileNameAndSettingsDialogsFitTheirTexts) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    HWND frame = app.Frame();
    HFONT dialogFont = PointFont(L"MS Shell Dlg", 8, px.dpi);

    PostMessageW(frame, WM_COMMAND, 32774, 0);   // 系统设置
    HWND settings = WaitForDialog(app.Proc().Id(), 10000, L"系统配置");
    ASSERT_TRUE(settings);
    Sleep(300);
    {
        SCOPED_TRACE("settings");
        ExpectDialogTextsFit(settings, dialogFont, px);
    }
    PressButton(settings, 1003);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(settings); }, 5000));

    HWND editor = app.EditorEdit();
    ASSERT_TRUE(editor);
    SendMessageW(editor, EM_REPLACESEL, TRUE, (LPARAM)L"网文正文");
    PostMessageW(frame, WM_COMMAND, 32771, 0);   // 保存
    HWND name = WaitForDialog(app.Proc().Id(), 10000, L"文件名");
    ASSERT_TRUE(name);
    Sleep(300);
    {
        SCOPED_TRACE("file name");
        ExpectDialogTextsFit(name, dialogFont, px);
        RECT field{};
        GetClientRect(GetDlgItem(name, 1001), &field);
        EXPECT_GE(field.bottom, TextExtent(dialogFont, L"网文正文").cy);
    }
    PostMessageW(name, WM_CLOSE, 0, 0);
    WaitFor([&] { return !IsWindow(name); }, 5000);
    DeleteObject(dialogFont);
}

}  // namespace
