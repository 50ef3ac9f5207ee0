// The search box of the running program: where it sits, words typed and Enter, the command,
// Esc, files added by hand, a layout pass, a damaged text store at the start; the file operations
// on result rows and the balloon of a capture saved before.
#include <gtest/gtest.h>
#include "support/BenchmarkLibrary.h"
#include "support/LibraryPanes.h"
#include "support/Pagewick.h"
#include "support/Processes.h"
#include "support/TestBrowser.h"
#include "support/Remote.h"
#include <algorithm>
#include <commctrl.h>

using namespace zt;

namespace {

using Texts = std::vector<std::wstring>;
const int kSearchBox = 240, kSearchCommand = 32810;

void WriteWebText(const std::wstring& path, const std::wstring& name, const std::wstring& body) {
    std::wstring text = L"<HTML><HEAD><TITLE>" + name + L"</TITLE></HEAD><BODY>" + body + L"</BODY></HTML>";
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    WriteBytes(path, bytes);
}

// "name|folder" of every row, sorted.
Texts Rows(HWND list) {
    Texts rows;
    int n = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) rows.push_back(RowText(list, i, 2));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void Key(WORD vk, bool down) { keybd_event((BYTE)vk, 0, down ? 0 : KEYEVENTF_KEYUP, 0); }

RECT ButtonRect(HWND toolbar, int index) {
    RemoteBuffer buf(toolbar, sizeof(RECT));
    SendMessageW(toolbar, TB_GETITEMRECT, index, (LPARAM)buf.Address());
    RECT r{};
    auto bytes = buf.Read(sizeof(RECT));
    if (bytes.size() == sizeof(RECT)) memcpy(&r, bytes.data(), sizeof(RECT));
    return r;
}

// The box's rectangle in the toolbar's client coordinates.
RECT InToolbar(HWND box, HWND toolbar) {
    RECT r{};
    GetWindowRect(box, &r);
    MapWindowPoints(nullptr, toolbar, (POINT*)&r, 2);
    return r;
}

// Screen pixels of the box's inside that show the window's colour, not the toolbar's.
int WhitePixels(HWND box) {
    RECT r{};
    GetClientRect(box, &r);
    MapWindowPoints(box, nullptr, (POINT*)&r, 2);
    HDC screen = GetDC(nullptr);
    int white = 0;
    for (int y = r.top + 2; y < r.bottom - 2; y += 3)
        for (int x = r.right - 40; x < r.right - 4; x += 3) white += GetPixel(screen, x, y) == GetSysColor(COLOR_WINDOW);
    ReleaseDC(nullptr, screen);
    return white;
}

// The text of the balloon shown in the notification area (a tooltip of the shell); "" when none.
std::wstring BalloonText() {
    std::wstring text;
    EnumWindows([](HWND h, LPARAM lp) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(h, cls, 32);
        if (!IsWindowVisible(h) || _wcsicmp(cls, L"tooltips_class32") != 0) return TRUE;
        std::wstring shown = WindowText(h);
        if (shown.empty()) return TRUE;
        *reinterpret_cast<std::wstring*>(lp) = shown;
        return FALSE;
    }, (LPARAM)&text);
    return text;
}

// Every row names a file that exists in the row's folder.
bool RowsExist(HWND list) {
    int n = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) {
        std::wstring row = RowText(list, i, 2);
        size_t bar = row.find(L'|');
        if (!FileExists(row.substr(bar + 1) + L"\\" + row.substr(0, bar))) return false;
    }
    return true;
}

class SearchBox : public ::testing::Test {
protected:
    std::unique_ptr<RunningPagewick> app;
    HWND frame = nullptr, box = nullptr, list = nullptr;

    void Start(const std::function<void(ProgramDir&)>& prepare) {
        app = std::make_unique<RunningPagewick>(prepare);
        ASSERT_TRUE(app->Started());
        frame = app->WaitShown();
        ASSERT_TRUE(frame);
        box = GetDlgItem(ChildById(frame, 0xE800), kSearchBox);
        list = GetDlgItem(ChildById(frame, 133), 231);
        ASSERT_TRUE(box && list);
    }
    // Runs a search through the command; waits while the index is still being built.
    Texts Search(const std::wstring& query) {
        SendMessageW(box, WM_SETTEXT, 0, (LPARAM)query.c_str());
        std::wstring status;
        WaitFor([&] {
            SendMessageW(frame, WM_COMMAND, kSearchCommand, 0);
            status = StatusText(frame);
            return status.rfind(L"找到 ", 0) == 0;
        }, 20000, 200);
        Texts rows = Rows(list);
        EXPECT_EQ(L"找到 " + std::to_wstring(rows.size()) + L" 个网页文件", status) << Narrow(query);
        return rows;
    }
    std::wstring Folder(const std::wstring& rel) { return app->Dir().Path() + rel; }
};

// The box lies inside the toolbar, clear of every button: beside the last one, or under the
// buttons when the window is too narrow. It is painted as an edit after the toolbar painted again.
void ExpectShownInTheToolbar(HWND frame, HWND box, bool besideTheLastButton) {
    HWND toolbar = ChildById(frame, 0xE800);
    int buttons = (int)SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0);
    ASSERT_GT(buttons, 0);
    RECT in = InToolbar(box, toolbar), client{};
    GetClientRect(toolbar, &client);
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_GE(in.right - in.left, 100);
    EXPECT_GE(in.left, client.left);
    EXPECT_GE(in.top, client.top);
    EXPECT_LE(in.bottom, client.bottom);
    EXPECT_LE(in.right, client.right);
    RECT last = ButtonRect(toolbar, buttons - 1), overlap{};
    for (int i = 0; i < buttons; ++i) {
        RECT b = ButtonRect(toolbar, i);
        EXPECT_FALSE(IntersectRect(&overlap, &b, &in)) << "button " << i;
    }
    if (besideTheLastButton) {
        EXPECT_GE(in.left, last.right);
        EXPECT_TRUE(in.top < last.bottom && in.bottom > last.top) << in.top << " " << last.top;
    } else {
        EXPECT_GE(in.top, last.bottom);
    }
    // The last button hot under the mouse, then the whole bar painted again.
    POINT hot{(last.left + last.right) / 2, (last.top + last.bottom) / 2};
    ClientToScreen(toolbar, &hot);
    SetCursorPos(hot.x, hot.y);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &move, sizeof(move));
    Sleep(100);
    InvalidateRect(toolbar, nullptr, TRUE);
    EXPECT_TRUE(WaitFor([&] { return WhitePixels(box) > 20; }, 3000)) << WhitePixels(box);
}

TEST_F(SearchBox, FindsTextsOfTheWholeLibraryAndFollowsFilesAddedByHand) {
    Start([](ProgramDir& dir) {
        WriteWebText(dir / L"新闻\\探测.htm", L"探测", L"<P>火星探测器成功着陆，Mars rover 传回照片</P>");
        WriteWebText(dir / L"小说\\故事.htm", L"故事", L"<P>火星上的故事 <A href=\"http://x/火星探测器\">链接</A></P>");
        WriteWebText(dir / L"散文\\春.htm", L"春", L"<P>春天来了 \"NEAR\" AND * 号</P>");
        WriteBytes(dir / L"LibraryText.cat", std::string(20000, 'x'));   // damaged: rebuilt at the start
    });
    EXPECT_EQ(L"搜索网文", [&] {
        RemoteBuffer buf(box, 256);
        SendMessageW(box, EM_GETCUEBANNER, (WPARAM)buf.Address(), 64);
        return buf.ReadString(0, 64);
    }());
    SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ExpectShownInTheToolbar(frame, box, true);

    const std::wstring news = Folder(L"新闻"), novels = Folder(L"小说"), prose = Folder(L"散文");
    EXPECT_EQ((Texts{L"探测.htm|" + news, L"故事.htm|" + novels}), Search(L"火星"));
    EXPECT_EQ((Texts{L"探测.htm|" + news}), Search(L"火星探测"));   // the link's address is no text
    EXPECT_EQ((Texts{L"探测.htm|" + news}), Search(L"MARS 着陆"));
    EXPECT_EQ(Texts{}, Search(L"木星"));
    EXPECT_EQ(Texts{}, Search(L"火星 NEAR 春天"));
    EXPECT_EQ((Texts{L"春.htm|" + prose}), Search(L"\"near\" and *"));

    // A layout pass keeps the results; a file copied in by hand is found at the next search.
    RECT r;
    GetWindowRect(frame, &r);
    SetWindowPos(frame, nullptr, 0, 0, 260, r.bottom - r.top - 30, SWP_NOMOVE | SWP_NOZORDER);
    Sleep(300);
    EXPECT_EQ((Texts{L"春.htm|" + prose}), Rows(list));
    ExpectShownInTheToolbar(frame, box, false);
    SetWindowPos(frame, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    ExpectShownInTheToolbar(frame, box, true);
    WriteWebText(Folder(L"历史\\复制.htm"), L"复制", L"<P>手工复制进来的火星文章</P>");
    EXPECT_EQ((Texts{L"复制.htm|" + Folder(L"历史"), L"探测.htm|" + news, L"故事.htm|" + novels}), Search(L"火星"));

    // Ctrl+F, typed words and Enter; Esc clears the box and shows the folder again.
    SetForegroundWindow(frame);
    WaitFor([&] { return GetForegroundWindow() == frame; }, 3000);
    Key(VK_CONTROL, true); Key('F', true); Key('F', false); Key(VK_CONTROL, false);
    ASSERT_TRUE(WaitFor([&] {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof(gui);
        return GetGUIThreadInfo(GetWindowThreadProcessId(frame, nullptr), &gui) && gui.hwndFocus == box;
    }, 3000));
    TypeText(L"照片");
    Key(VK_RETURN, true); Key(VK_RETURN, false);
    ASSERT_TRUE(WaitFor([&] { return Rows(list) == Texts{L"探测.htm|" + news}; }, 5000));
    EXPECT_EQ(L"找到 1 个网页文件", StatusText(frame));
    Key(VK_ESCAPE, true); Key(VK_ESCAPE, false);
    ASSERT_TRUE(WaitFor([&] { return GetWindowTextLengthW(box) == 0; }, 3000));
    ASSERT_TRUE(WaitFor([&] { return StatusText(frame).rfind(L"此文件夹中含有：", 0) == 0; }, 3000));
    Texts shown = Rows(list);
    EXPECT_TRUE(std::none_of(shown.begin(), shown.end(), [&](const std::wstring& r) {
        return r.find(L"|" + novels) != std::wstring::npos || r.find(L"|" + prose) != std::wstring::npos; }));
    EXPECT_EQ(0u, app->Exit());
}

// Result rows of other folders than the tree's: edited and saved back into their own
// folder, opened, renamed, deleted and cut there; a tree click leaves the search, and a
// capture of a saved text says where it was saved.
TEST_F(SearchBox, ResultRowsWorkInTheirOwnFoldersAndACaptureNamesAnEarlierSave) {
    Start([](ProgramDir& dir) {
        WriteWebText(dir / L"新闻\\探测.htm", L"探测", L"<P>火星探测器成功着陆，传回照片</P>");
        WriteWebText(dir / L"小说\\故事.htm", L"故事", L"<P>火星上的故事</P>");
        WriteWebText(dir / L"历史\\旧文.htm", L"旧文", L"<P>一段火星的旧闻</P>");
        dir.WriteConfig(L"SEL", L"ROUTE", L"散文");
    });
    const int kEdit = 32802, kOpen = 32781, kRename = 32783, kDelete = 32782, kCut = 32803, kPaste = 32804,
              kSave = 32794;
    HWND pane = ChildById(frame, 133), tree = ChildById(ChildById(frame, 132), 124);
    const std::wstring news = Folder(L"新闻"), novels = Folder(L"小说");
    ASSERT_EQ(3u, Search(L"火星").size());

    // Edited from the results and saved: written back into 新闻, not into the tree's 散文.
    SelectOnly(list, RowOf(list, L"探测.htm"));
    PostMessageW(pane, WM_COMMAND, kEdit, 0);
    HWND editor = app->EditorEdit();
    ASSERT_TRUE(WaitFor([&] { return WindowText(editor).find(L"火星探测器成功着陆") != std::wstring::npos; }, 5000))
        << Narrow(WindowText(editor));
    int end = GetWindowTextLengthW(editor);
    SendMessageW(editor, EM_SETSEL, end, end);
    SendMessageW(editor, EM_REPLACESEL, TRUE, (LPARAM)L"<P>补记一句</P>");
    PostMessageW(frame, WM_COMMAND, kSave, 0);
    HWND done = WaitForDialog(app->Proc().Id(), 10000, L"保存");
    ASSERT_TRUE(done);
    PressButton(done, IDNO);
    EXPECT_NE(std::wstring::npos, ReadTextFile(Folder(L"新闻\\探测.htm")).find(L"补记一句"));
    EXPECT_FALSE(FileExists(Folder(L"散文\\探测.htm")));
    // The list shows the results again, searched anew.
    EXPECT_EQ((Texts{L"探测.htm|" + news, L"故事.htm|" + novels, L"旧文.htm|" + Folder(L"历史")}), Rows(list));
    EXPECT_EQ(L"找到 3 个网页文件", StatusText(frame));
    EXPECT_EQ((Texts{L"探测.htm|" + news}), Search(L"补记"));

    // Opened: the browser is given the file in its own folder.
    SelectOnly(list, 0);
    auto before = ProcessesNamed(L"iexplore.exe");
    PostMessageW(pane, WM_COMMAND, kOpen, 0);
    std::wstring browser;
    ASSERT_TRUE(EndNewProcess(L"iexplore.exe", before, 10000, browser)) << "no browser was started";
    EXPECT_NE(std::wstring::npos, browser.find(news + L"\\探测.htm")) << Narrow(browser);

    // Renamed in 小说 and deleted in 历史; the next search follows both.
    ASSERT_EQ(3u, Search(L"火星").size());
    SelectOnly(list, RowOf(list, L"故事.htm"));
    PostMessageW(pane, WM_COMMAND, kRename, 0);
    HWND label = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (label = (HWND)SendMessageW(list, LVM_GETEDITCONTROL, 0, 0)) != nullptr; }, 3000));
    SendMessageW(label, WM_SETTEXT, 0, (LPARAM)L"故事新编");
    PostMessageW(label, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitFor([&] { return FileExists(Folder(L"小说\\故事新编.htm")); }, 5000));
    EXPECT_FALSE(FileExists(Folder(L"小说\\故事.htm")));
    EXPECT_TRUE(WaitFor([&] { return RowOf(list, L"故事新编.htm") >= 0; }, 3000));
    SelectOnly(list, RowOf(list, L"旧文.htm"));
    PostMessageW(pane, WM_COMMAND, kDelete, 0);
    HWND question = WaitForDialog(app->Proc().Id(), 10000, L"提示");
    ASSERT_TRUE(question);
    PressButton(question, IDYES);
    ASSERT_TRUE(WaitFor([&] { return !FileExists(Folder(L"历史\\旧文.htm")); }, 5000));
    EXPECT_TRUE(WaitFor([&] { return Rows(list) == Texts{L"探测.htm|" + news, L"故事新编.htm|" + novels}; }, 3000));
    EXPECT_EQ(L"找到 2 个网页文件", StatusText(frame));
    EXPECT_TRUE(RowsExist(list));
    EXPECT_EQ((Texts{L"探测.htm|" + news, L"故事新编.htm|" + novels}), Search(L"火星"));

    // Cut among the results; a click on a folder of the tree leaves the search and shows that
    // folder, where the paste puts the file.
    SelectOnly(list, RowOf(list, L"故事新编.htm"));
    PostMessageW(pane, WM_COMMAND, kCut, 0);
    bool listed = false;
    for (int attempt = 0; attempt < 3 && !listed; ++attempt) {
        ASSERT_TRUE(ClickFolder(frame, tree, L"新闻"));
        listed = WaitFor([&] { return StatusText(frame).rfind(L"此文件夹中含有：", 0) == 0; }, 3000);
    }
    ASSERT_TRUE(listed) << Narrow(StatusText(frame));
    EXPECT_EQ(L"此文件夹中含有：1 个网页文件！", StatusText(frame));
    EXPECT_EQ((Texts{L"探测.htm|" + news}), Rows(list));
    PostMessageW(pane, WM_COMMAND, kPaste, 0);
    EXPECT_TRUE(WaitFor([&] { return Rows(list) == Texts{L"探测.htm|" + news, L"故事新编.htm|" + news}; }, 5000));
    EXPECT_FALSE(FileExists(Folder(L"小说\\故事新编.htm")));
    EXPECT_EQ((Texts{L"探测.htm|" + news, L"故事新编.htm|" + news}), Search(L"火星"));

    // A capture of text saved before still succeeds, and its balloon says where.
    TestBrowser page(L"--html", "<P>\xE7\x81\xAB\xE6\x98\x9F\xE6\x8E\xA2\xE6\xB5\x8B\xE5\x99\xA8\xE6\x88\x90"
                                "\xE5\x8A\x9F\xE7\x9D\x80\xE9\x99\x86</P>", L"article");   // 火星探测器成功着陆
    ASSERT_TRUE(page.Focus());
    SendMessageW(frame, 1028, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return WindowText(editor).find(L"火星探测器成功着陆") != std::wstring::npos; }, 15000));
    std::wstring balloon;
    EXPECT_TRUE(WaitFor([&] { return (balloon = BalloonText()).rfind(L"获取数据完成！", 0) == 0; }, 5000)) << Narrow(balloon);
    EXPECT_EQ(L"获取数据完成！\n这段网文已保存在：新闻\\探测.htm", balloon);
}

}  // namespace

namespace {

// Enter to result rows in the real program, the walk for changed files included, for a
// word of 2 and of 4 characters, 3 words and an absent word; prints the median of 5 and
// asserts nothing on time. The suite runs 300 texts; ZELVANE_SEARCH_BENCHMARK=1 runs
// 10,000 (a number above 1: that many), see the README.
TEST_F(SearchBox, BenchmarkEnterToRows) {
    const int files = BenchmarkTexts(300);
    std::vector<std::wstring> paths;
    long long size = 0;
    Start([&](ProgramDir& d) { paths = WriteBenchmarkLibrary(d.Path(), files, 50, size); });
    // The store is built at the first start: searches say so until it is ready.
    SendMessageW(box, WM_SETTEXT, 0, (LPARAM)L"标记0");
    DWORD t0 = GetTickCount();
    ASSERT_TRUE(WaitFor([&] {
        SendMessageW(frame, WM_COMMAND, kSearchCommand, 0);
        return StatusText(frame).rfind(L"找到 ", 0) == 0;
    }, 900000, 200));
    double built = (GetTickCount() - t0) / 1000.0;
    std::wstring sample = ReadTextFile(paths[files / 2]);
    size_t at = sample.find(L"<P>") + 3 + 40;
    const std::wstring queries[] = {sample.substr(at, 2), sample.substr(at + 10, 4),
                                    sample.substr(at + 30, 3) + L" word 标记" + std::to_wstring(files / 2), L"不存在的词语"};
    const char* kinds[] = {"2 characters", "4 characters", "3 words", "an absent word"};
    std::printf("[ BENCH    ] %d texts, %.1f MB; store built in the program after %.1f s\n", files, size / 1048576.0, built);
    for (int q = 0; q < 4; ++q) {
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            SendMessageW(box, WM_SETTEXT, 0, (LPARAM)queries[q].c_str());
            LARGE_INTEGER a, b, f;
            QueryPerformanceFrequency(&f);
            QueryPerformanceCounter(&a);
            SendMessageW(frame, WM_COMMAND, kSearchCommand, 0);
            UpdateWindow(list);
            QueryPerformanceCounter(&b);
            times.push_back((b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart);
        }
        std::sort(times.begin(), times.end());
        int rows = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        EXPECT_EQ(L"找到 " + std::to_wstring(rows) + L" 个网页文件", StatusText(frame));
        EXPECT_EQ(q == 3, rows == 0) << kinds[q];
        std::printf("[ BENCH    ] Enter to rows, %s: median %.1f ms (best %.1f), %d rows\n", kinds[q], times[2],
                    times[0], rows);
    }
    std::fflush(stdout);
}

}  // namespace
