// The main window of a normal start, and starting a second copy.
#include <gtest/gtest.h>
#include "support/Pagewick.h"
#include "support/Remote.h"

using namespace zt;

namespace {

TEST(MainWindow, ShowsCaptionToolbarStatusBarAndAnEditableEditor) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    EXPECT_TRUE(IsWindowVisible(app.Frame()));

    HWND toolbar = ChildById(app.Frame(), 0xE800);
    ASSERT_TRUE(toolbar);
    std::vector<std::wstring> expected = {L"保存", L"浏览", L"文件夹", L"系统设置", L"  ", L"字体", L"  ", L"关于", L"退出"};
    EXPECT_EQ(expected, ToolbarTexts(toolbar));
    std::vector<int> ids = {32771, 32772, 32773, 32774, 0, 32775, 0, 32776, 32777};
    EXPECT_EQ(ids, ToolbarCommands(toolbar));

    HWND status = ChildById(app.Frame(), 0xE801);
    ASSERT_TRUE(status);
    EXPECT_EQ(4, StatusBarParts(status));

    HWND edit = app.EditorEdit();
    ASSERT_TRUE(edit);
    SetForegroundWindow(app.Frame());
    SendMessageW(app.Frame(), WM_SETFOCUS, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == app.Frame(); }, 5000));
    TypeText(L"网文abc");
    EXPECT_TRUE(WaitFor([&] { return WindowText(edit) == L"网文abc"; }, 5000)) << Narrow(WindowText(edit));
    // Typed text is unsaved: the exit command asks first; No ends the program.
    PostMessageW(app.Frame(), WM_COMMAND, kExitCommand, 0);
    HWND box = WaitForDialog(app.Proc().Id(), 10000, L"保存网文");
    ASSERT_TRUE(box);
    EXPECT_EQ(L"网文的内容已被修改，是否需要保存？", MessageBoxText(box));
    PressButton(box, IDNO);
    EXPECT_EQ(0u, app.Proc().Wait(10000));
}

TEST(MainWindow, SecondStartRestoresAMinimisedFirstWindowAndEnds) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    ShowWindow(app.Frame(), SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(app.Frame()) != 0; }, 5000));
    Process second;
    ASSERT_TRUE(second.Start(app.Dir().Exe()));
    EXPECT_EQ(0u, second.Wait(15000));
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(app.Frame()) && IsWindowVisible(app.Frame()); }, 5000));
    EXPECT_EQ(app.Frame(), FindWindowByCaption(kMainCaption));
}

TEST(MainWindow, SecondStartLeavesAHiddenFirstWindowHidden) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    ShowWindow(app.Frame(), SW_HIDE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(app.Frame()); }, 5000));
    Process second;
    ASSERT_TRUE(second.Start(app.Dir().Exe()));
    EXPECT_EQ(0u, second.Wait(15000));
    EXPECT_FALSE(IsWindowVisible(app.Frame()));
    EXPECT_EQ(STILL_ACTIVE, app.Proc().Wait(0));
}

}  // namespace

namespace {

RECT ClientRectIn(HWND frame, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, frame, (POINT*)&r, 2);
    return r;
}

TEST(MainWindow, LaysOutToolbarPanesEditorAndStatusBar) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    RECT client{};
    GetClientRect(app.Frame(), &client);
    RECT tb = ClientRectIn(app.Frame(), ChildById(app.Frame(), 0xE800));
    RECT sb = ClientRectIn(app.Frame(), ChildById(app.Frame(), 0xE801));
    RECT view = ClientRectIn(app.Frame(), ChildById(app.Frame(), 0xE900));
    RECT tree = ClientRectIn(app.Frame(), ChildById(app.Frame(), 132));
    RECT list = ClientRectIn(app.Frame(), ChildById(app.Frame(), 133));
    // The toolbar shows whole buttons (icon and text) and no more.
    EXPECT_EQ(0, tb.top);
    EXPECT_GE(tb.bottom, 40);
    EXPECT_LE(tb.bottom, 90);
    EXPECT_EQ(client.bottom, sb.bottom);
    // The tree pane runs down the left, the list pane across the top of the rest,
    // and the editor fills what is left.
    EXPECT_EQ(0, tree.left);
    EXPECT_EQ(tb.bottom, tree.top);
    EXPECT_EQ(sb.top, tree.bottom);
    EXPECT_EQ(tree.right, list.left);
    EXPECT_EQ(tb.bottom, list.top);
    EXPECT_EQ(tree.right, view.left);
    EXPECT_EQ(list.bottom, view.top);
    EXPECT_EQ(client.right, view.right);
    EXPECT_EQ(sb.top, view.bottom);
    EXPECT_GT(view.bottom - view.top, 50);
}

}  // namespace
