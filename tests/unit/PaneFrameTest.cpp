// The library panes' frame in the real main frame: resizing by dragging an edge, the
// drag line, the close button, the tree pane's caption clicks and the layout passes.
// The PaneFrameMouse tests use real mouse input; PaneFramePlainDisplay runs them
// again in a copy of this program on a Wine desktop without a virtual desktop.
#include "FileListHost.h"
#include "library/PaneFrame.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Between the scales the display-scale tests run at (100, 150, 200 %): the icon picked
// for 125, 175 and 250 %, and the drag limits at 200 %.
TEST(PaneSizesAtScale, IconsAreMadeSizesAndDragLimitsScale) {
    EXPECT_EQ(16, dpi::IconSize(16, 96));
    EXPECT_EQ(20, dpi::IconSize(16, 120));
    EXPECT_EQ(24, dpi::IconSize(16, 168));   // 28 wanted: the nearer made size below
    EXPECT_EQ(40, dpi::IconSize(32, 120));
    EXPECT_EQ(64, dpi::IconSize(32, 240));   // the largest made size
    EXPECT_EQ(16, dpi::IconSize(16, 72));    // never below the 100 % size
    const RECT f{0, 0, 1600, 1200};
    EXPECT_EQ(160, paneframe::ClampTreeWidth(30, f, 192));
    EXPECT_EQ(800, paneframe::ClampTreeWidth(1000, f, 192));
    EXPECT_EQ(140, paneframe::ListHeightOnRelease(200, 500, f, 192));
    EXPECT_EQ(500, paneframe::ListHeightOnRelease(500, 500, f, 192));
    EXPECT_EQ(1200 - 260, paneframe::ListHeightOnRelease(1100, 900, f, 192));
    EXPECT_EQ(240, paneframe::ClampListTrackY(100, f, 192));
}

class PaneFrameTest : public fl::ListFrame {
protected:
    void SetUp() override {
        fl::ListFrame::SetUp();
        // A known place on the screen, away from a virtual desktop's task bar.
        SetWindowPos(frame->m_hWnd, HWND_TOP, 0, 0, 800, 600, SWP_SHOWWINDOW);
        Pump(300);
    }
    CIEBar& Tree() { return frame->m_wndTreeBar; }
    CBOTTOMBAR& ListBar() { return frame->m_wndListBar; }
    RECT FrameClient() { return frame->GetClientRect(); }
    // Runs the message loop as the program does, with the frame's pre-translation.
    void Pump(DWORD ms) {
        DWORD start = GetTickCount();
        do {
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                if (frame->PreTranslateMessage(&m)) continue;
                TranslateMessage(&m);
                DispatchMessageW(&m);
            }
            Sleep(10);
        } while (GetTickCount() - start < ms);
    }
    POINT ToScreen(HWND w, int x, int y) {
        POINT p{x, y};
        ClientToScreen(w, &p);
        return p;
    }
    // Real mouse input through the system's input queue. The display reports the
    // pointer back a little later (and may report an older place first), so the move
    // is sent again until the cursor stays where it was sent.
    void MouseTo(POINT p) {
        POINT now{};
        GetCursorPos(&now);
        int steady = 0;
        for (DWORD start = GetTickCount(); steady < 3 && GetTickCount() - start < 4000;) {
            if (steady == 0) {
                // Relative moves (the screen size Wine reports need not be the display's),
                // in steps small enough to escape the pointer's acceleration.
                std::vector<INPUT> steps;
                for (int dx = p.x - now.x, dy = p.y - now.y; dx || dy;) {
                    INPUT in{};
                    in.type = INPUT_MOUSE;
                    in.mi.dx = std::max(-5, std::min(5, dx));
                    in.mi.dy = std::max(-5, std::min(5, dy));
                    in.mi.dwFlags = MOUSEEVENTF_MOVE;
                    dx -= in.mi.dx;
                    dy -= in.mi.dy;
                    steps.push_back(in);
                }
                if (!steps.empty()) SendInput((UINT)steps.size(), steps.data(), sizeof(INPUT));
            }
            Pump(40);
            GetCursorPos(&now);
            steady = (now.x == p.x && now.y == p.y) ? steady + 1 : 0;
        }
        ASSERT_EQ(p.x, now.x);
        ASSERT_EQ(p.y, now.y);
    }
    void Button(bool down) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
        SendInput(1, &in, sizeof(in));
        Pump(120);
    }
    // Press and release in one go: the tree control waits for the release inside its
    // button-down handling.
    void Click() {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, in, sizeof(INPUT));
        Pump(200);
    }
    void Drag(POINT from, POINT to) {
        MouseTo(from);
        Button(true);
        MouseTo({(from.x + to.x) / 2, (from.y + to.y) / 2});
        MouseTo(to);
        Button(false);
    }
    // Message-driven mouse: the cursor is placed, then the pane gets what the system would send.
    void SendAt(CWnd& pane, UINT msg, POINT screen) {
        POINT now{};
        int steady = 0;
        for (DWORD start = GetTickCount(); steady < 3 && GetTickCount() - start < 4000;) {
            if (steady == 0) SetCursorPos(screen.x, screen.y);
            Pump(30);
            GetCursorPos(&now);
            steady = (now.x == screen.x && now.y == screen.y) ? steady + 1 : 0;
        }
        POINT c = screen;
        ScreenToClient(pane.m_hWnd, &c);
        if (msg == WM_SETCURSOR)
            pane.SendMessage(WM_SETCURSOR, (WPARAM)pane.m_hWnd, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        else
            pane.SendMessage(msg, msg == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(c.x, c.y));
    }
    // Screen pixels of a rectangle, as the display shows them.
    std::vector<COLORREF> Grab(const RECT& r) {
        HDC screen = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screen);
        int w = r.right - r.left, h = r.bottom - r.top;
        HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        std::vector<COLORREF> px;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) px.push_back(GetPixel(mem, x, y));
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
        return px;
    }
    RECT ScreenRect(HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        return r;
    }
    int ListWidth() {
        RECT r = ScreenRect(List());
        return r.right - r.left;
    }
    HTREEITEM TreeItem(const std::wstring& label) {
        HWND t = Tree().GetTreeWnd();
        for (HTREEITEM i = TreeView_GetChild(t, TreeView_GetRoot(t)); i; i = TreeView_GetNextSibling(t, i))
            if (Tree().ItemText(i) == label) return i;
        return nullptr;
    }
    bool ViewChecked(UINT id) {
        HMENU view = GetSubMenu(GetMenu(frame->m_hWnd), 2);
        frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)view, 2);
        return (GetMenuState(view, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
};

using PaneFrameMouse = PaneFrameTest;

bool ExpectPlainDesktop() { return GetEnvironmentVariableW(L"ZELVANE_PLAIN_DESKTOP", nullptr, 0) > 0; }

TEST_F(PaneFrameMouse, TreeEdgeDragClampsTheWidthAndLeavesNoLine) {
    // A virtual desktop shows its task bar; the plain display shows none.
    ASSERT_EQ(ExpectPlainDesktop(), !IsWindowVisible(FindWindowW(L"Shell_TrayWnd", nullptr)));
    HWND pane = Tree().m_hWnd;
    RECT c = Tree().GetClientRect();
    ASSERT_EQ(170, c.right);
    const RECT f = FrameClient();
    // The tree pane and the list pane's left edge (the editor's caret blinks elsewhere).
    RECT area = ScreenRect(pane);
    area.right += 10;
    const int y = c.bottom / 2;

    // A drag that ends where it started: the line shows on the way and is gone afterwards.
    const std::vector<COLORREF> before = Grab(area);
    MouseTo(ToScreen(pane, 167, y));
    Button(true);
    MouseTo(ToScreen(pane, 120, y));
    EXPECT_EQ(ToScreen(pane, 120, y).x, Tree().m_tracker.x);
    EXPECT_TRUE(before != Grab(area)) << "no drag line on the screen";
    MouseTo(ToScreen(pane, 170, y));
    Button(false);
    Pump(300);
    EXPECT_EQ(170, Tree().m_width);
    EXPECT_EQ(0, Tree().m_tracker.x);
    {
        std::vector<COLORREF> after = Grab(area);
        int w = area.right - area.left, n = 0, minx = 9999, maxx = -1, miny = 9999, maxy = -1;
        for (size_t i = 0; i < after.size(); ++i)
            if (after[i] != before[i]) { ++n; int x = i % w, yy = i / w; minx = std::min(minx, x); maxx = std::max(maxx, x); miny = std::min(miny, yy); maxy = std::max(maxy, yy); }
        EXPECT_EQ(0, n) << minx << "," << miny << " - " << maxx << "," << maxy;
    }

    // Dragged to x = 30: 80. Beyond half the client width: exactly half.
    Drag(ToScreen(pane, 167, y), ToScreen(pane, 30, y));
    EXPECT_EQ(80, Tree().m_width);
    EXPECT_EQ(80, Tree().GetClientRect().right);
    Drag(ToScreen(pane, 77, y), ToScreen(pane, 700, y));
    EXPECT_EQ((f.right - f.left) / 2, Tree().m_width);
    // The list follows the tree: it starts 3 pixels right of the frame's left edge
    // and is as wide as the client width minus the tree's width.
    EXPECT_EQ(f.right - Tree().m_width + 3 - 3, ListWidth());

    // A press beside the strip never resizes, even when the mouse crosses the strip.
    const int width = Tree().m_width;
    const int below = Tree().GetClientRect().bottom - 40;   // the pane's own area below the tree
    Drag(ToScreen(pane, width - 30, below), ToScreen(pane, width + 60, below));
    EXPECT_EQ(width, Tree().m_width);
    EXPECT_FALSE(Tree().m_dragging);
}

TEST_F(PaneFrameMouse, CloseButtonHidesTheTreeAndTheViewMenuFollows) {
    HWND pane = Tree().m_hWnd;
    const int listWidth = ListWidth();
    RECT b = Tree().m_closeRect;
    ASSERT_EQ(16, b.right - b.left);
    ASSERT_EQ(Tree().GetClientRect().right - 26, b.left);
    ASSERT_TRUE(ViewChecked(ID_VIEW_TREEBAR));

    // The upper part of the button lies in the discarded caption strip; its lower part takes the press.
    MouseTo(ToScreen(pane, b.left + 8, b.top + 10));
    EXPECT_TRUE(Tree().m_closeHot);
    Button(true);
    EXPECT_TRUE(Tree().m_closePressed);
    Button(false);
    Pump(200);
    EXPECT_FALSE(Tree().IsWindowVisible());
    EXPECT_FALSE(ViewChecked(ID_VIEW_TREEBAR));
    // Hiding the tree widens the list to the whole client width.
    EXPECT_EQ(FrameClient().right + 3 - 2, ListWidth());
    EXPECT_GT(ListWidth(), listWidth);

    frame->SendMessage(WM_COMMAND, ID_VIEW_TREEBAR);
    Pump(200);
    EXPECT_TRUE(Tree().IsWindowVisible());
    EXPECT_TRUE(ViewChecked(ID_VIEW_TREEBAR));
    EXPECT_EQ(listWidth, ListWidth());

    // The top 16 pixels of the tree take no click: the root item there stays unselected.
    HWND t = Tree().GetTreeWnd();
    HTREEITEM selected = TreeView_GetSelection(t);
    ASSERT_NE(TreeView_GetRoot(t), selected);
    MouseTo(ToScreen(t, 40, 8));
    Click();
    EXPECT_EQ(selected, TreeView_GetSelection(t));
    RECT second{};
    HTREEITEM next = TreeView_GetNextVisible(t, TreeView_GetNextVisible(t, TreeView_GetRoot(t)));
    TreeView_GetItemRect(t, next, &second, TRUE);
    ASSERT_GT(second.top, 15);
    MouseTo(ToScreen(t, second.left + 4, (second.top + second.bottom) / 2));
    Click();
    EXPECT_EQ(next, TreeView_GetSelection(t));
}

// The copy of this program that runs the mouse tests on a desktop of its own with no
// virtual desktop behind it: windows are then plain X windows with no window manager.
TEST(PaneFramePlainDisplay, DragAndCloseWorkWithoutAVirtualDesktop) {
    if (ExpectPlainDesktop()) GTEST_SKIP() << "already the copy";
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    zt::TempFolder dir(L"plain");
    const std::wstring copy = dir.Path() + L"PanePlainDesktop.exe";
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));
    // A desktop of its own whose name has no size under Explorer\Desktops: Wine puts
    // it on the X root window, with no virtual desktop and no window manager.
    SetEnvironmentVariableW(L"ZELVANE_PLAIN_DESKTOP", L"1");
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    wchar_t desktop[] = L"ZelvanePlain";
    si.lpDesktop = desktop;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + copy + L"\" --gtest_filter=PaneFrameMouse.*";
    BOOL started = CreateProcessW(copy.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(L"ZELVANE_PLAIN_DESKTOP", nullptr);
    ASSERT_TRUE(started);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // The desktop's own shell process stays behind and would disturb later keyboard
    // tests: end it (the only process left with windows there).
    if (HDESK d = OpenDesktopW(desktop, 0, FALSE, DESKTOP_ENUMERATE | DESKTOP_READOBJECTS)) {
        DWORD shell = 0;
        EnumDesktopWindows(
            d, [](HWND h, LPARAM lp) -> BOOL { GetWindowThreadProcessId(h, (DWORD*)lp); return *(DWORD*)lp == 0; },
            (LPARAM)&shell);
        CloseDesktop(d);
        if (HANDLE p = shell && shell != GetCurrentProcessId() ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, shell)
                                                               : nullptr) {
            TerminateProcess(p, 0);
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
        }
    }
    EXPECT_EQ(0u, code) << "the mouse tests failed on the plain display (their output is above)";
}

TEST_F(PaneFrameTest, ListEdgeReleaseClampsTheHeightAndEveryLayoutRefreshesTheList) {
    CBOTTOMBAR& bar = ListBar();
    HWND pane = bar.m_hWnd;
    const RECT f = FrameClient();
    const int fh = f.bottom - f.top;
    RECT c = bar.GetClientRect();
    ASSERT_EQ(150, c.bottom);
    auto dragTo = [&](int frameY) {
        POINT edge = ToScreen(pane, 200, bar.GetClientRect().bottom - 3);
        SendAt(bar, WM_SETCURSOR, edge);
        EXPECT_TRUE(bar.m_overEdge);
        SendAt(bar, WM_LBUTTONDOWN, edge);
        POINT to = ToScreen(frame->m_hWnd, 200, frameY);
        SendAt(bar, WM_MOUSEMOVE, to);
        SendAt(bar, WM_LBUTTONUP, to);
        EXPECT_EQ(0, bar.m_tracker.y);
        EXPECT_FALSE(bar.m_dragging);
        EXPECT_FALSE(bar.m_overEdge);
    };
    dragTo(300);
    POINT inPane = ToScreen(frame->m_hWnd, 200, 300);
    ScreenToClient(pane, &inPane);
    EXPECT_EQ(inPane.y, bar.m_height);
    EXPECT_EQ(bar.m_height, bar.GetClientRect().bottom);
    dragTo(120);
    EXPECT_EQ(70, bar.m_height);
    dragTo(fh - 80);
    EXPECT_EQ(fh - 130, bar.m_height);
    // The list control: 7 pixels below the frame's top, 7 + 7 shorter than the pane.
    RECT lr = ScreenRect(List());
    EXPECT_EQ(bar.m_height - 14, lr.bottom - lr.top);

    // Cursor: the sizing cursor on the bottom strip only; a double click does nothing.
    SendAt(bar, WM_SETCURSOR, ToScreen(pane, 200, bar.GetClientRect().bottom - 7));
    EXPECT_FALSE(bar.m_overEdge);
    EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), GetCursor());
    SendAt(bar, WM_LBUTTONDBLCLK, ToScreen(pane, 200, bar.GetClientRect().bottom - 3));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(fh - 130, bar.m_height);

    // A name sort does not survive a layout pass: the list comes back newest first.
    HTREEITEM news = TreeItem(L"新闻");
    ASSERT_NE(nullptr, news);
    TreeView_SelectItem(Tree().GetTreeWnd(), news);
    MakeFile(L"新闻\\b.htm", 1);
    MakeFile(L"新闻\\c.htm", 2);
    MakeFile(L"新闻\\a.htm", 3);
    Refresh(L"新闻");
    const std::vector<std::wstring> newest{L"a.htm", L"c.htm", L"b.htm"};
    ASSERT_EQ(newest, Column(0));
    NMLISTVIEW click{};
    click.hdr = {List(), IDC_FILELIST, LVN_COLUMNCLICK};
    click.iItem = -1;
    bar.SendMessage(WM_NOTIFY, IDC_FILELIST, (LPARAM)&click);
    const std::vector<std::wstring> byName{L"a.htm", L"b.htm", L"c.htm"};
    ASSERT_EQ(byName, Column(0));
    SetWindowPos(frame->m_hWnd, nullptr, 0, 0, 820, 600, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(newest, Column(0));
    // Not while a library file is being edited.
    bar.SendMessage(WM_NOTIFY, IDC_FILELIST, (LPARAM)&click);
    frame->m_editMode = true;
    SetWindowPos(frame->m_hWnd, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(byName, Column(0));
    frame->m_editMode = false;
}

TEST_F(PaneFrameTest, CaptionPaintsTitleButtonStatesAndTooltipAndDiscardsTopClicks) {
    CIEBar& tree = Tree();
    RECT b = tree.m_closeRect;
    ASSERT_FALSE(IsRectEmpty(&b));
    // The tooltip holds one tool after any number of paints: "关闭" over the button.
    for (int i = 0; i < 3; ++i) {
        InvalidateRect(tree.m_hWnd, nullptr, TRUE);
        UpdateWindow(tree.m_hWnd);
    }
    HWND tip = tree.GetToolTipWnd();
    ASSERT_EQ(1, SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    wchar_t text[80] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = tree.m_hWnd;
    ti.uId = 1;
    ti.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 80, (LPARAM)&ti);
    EXPECT_EQ(std::wstring(L"关闭"), text);
    SendMessageW(tip, TTM_GETTOOLINFOW, 0, (LPARAM)&ti);
    EXPECT_TRUE(EqualRect(&b, &ti.rect));

    // The three states of the button, read from the pane's pixels.
    auto corners = [&]() {
        InvalidateRect(tree.m_hWnd, nullptr, TRUE);
        UpdateWindow(tree.m_hWnd);
        HDC dc = GetDC(tree.m_hWnd);
        std::pair<COLORREF, COLORREF> p{GetPixel(dc, b.left, b.top), GetPixel(dc, b.right - 1, b.top)};
        ReleaseDC(tree.m_hWnd, dc);
        return p;
    };
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_GRAYTEXT);
    const auto normal = corners();
    EXPECT_FALSE(normal.first == light && normal.second == dark);
    POINT mid{b.left + 8, b.top + 12};
    tree.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(mid.x, mid.y));
    EXPECT_TRUE(tree.m_closeHot);
    EXPECT_EQ(std::make_pair(light, dark), corners());
    tree.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(mid.x, mid.y));
    EXPECT_TRUE(tree.m_closePressed);
    EXPECT_FALSE(tree.m_closeHot);
    EXPECT_EQ(std::make_pair(dark, light), corners());
    tree.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(mid.x, b.bottom + 20));
    EXPECT_FALSE(tree.m_closePressed);
    EXPECT_EQ(normal, corners());
    tree.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(mid.x, b.bottom + 20));
    EXPECT_TRUE(tree.IsWindowVisible());

    // Title and caption separator: grey text pixels near (8, 11), the grey line at y = 26, white at 27.
    HDC dc = GetDC(tree.m_hWnd);
    EXPECT_EQ(dark, GetPixel(dc, 40, 26));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 40, 27));
    int inked = 0;
    for (int y = 11; y < 24; ++y)
        for (int x = 8; x < 60; ++x) inked += GetPixel(dc, x, y) != GetPixel(dc, 100, 18);
    ReleaseDC(tree.m_hWnd, dc);
    EXPECT_GT(inked, 20) << "no title drawn";

    // Pre-translation: presses at y <= 15 of the pane or its tree are discarded, others pass.
    for (HWND target : {tree.m_hWnd, tree.GetTreeWnd()}) {
        for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN}) {
            MSG m{target, msg, 0, MAKELPARAM(30, 15), 0, {0, 0}};
            EXPECT_TRUE(frame->PreTranslateMessage(&m));
            m.lParam = MAKELPARAM(30, 16);
            EXPECT_FALSE(frame->PreTranslateMessage(&m));
        }
        MSG up{target, WM_LBUTTONUP, 0, MAKELPARAM(30, 5), 0, {0, 0}};
        EXPECT_FALSE(frame->PreTranslateMessage(&up));
    }

    // Released over the button after a press elsewhere: the pane closes.
    tree.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 200));
    tree.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(mid.x, mid.y));
    EXPECT_FALSE(tree.IsWindowVisible());
    EXPECT_EQ(nullptr, GetCapture());
}

}  // namespace
