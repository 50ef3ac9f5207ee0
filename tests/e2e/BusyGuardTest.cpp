// While an operation waits in a dialog, commands, hot keys and capture requests
// that would start another one are refused, and the waiting operation finishes.
#include "RunningProgram.h"
#include "support/LibraryPanes.h"
#include "support/Pagewick.h"
#include "support/Remote.h"

using namespace e2e;

namespace {

// The captions of the visible dialogs of the process, message boxes included.
std::vector<std::wstring> OpenDialogs(DWORD pid) {
    std::vector<std::wstring> out;
    for (HWND h : VisibleDialogs(pid)) out.push_back(WindowText(h));
    return out;
}

TEST_F(RunningProgram, CommandsWaitWhileTheFileNameDialogIsOpenAndTheSaveThenFinishes) {
    const std::wstring text = L"忙碌时的网文";
    SendMessageW(editor, EM_REPLACESEL, TRUE, (LPARAM)text.c_str());
    PostMessageW(frame, WM_COMMAND, 32800, 0);   // tray menu: save
    HWND dlg = WaitForDialog(app.Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);

    // Save again (tray, toolbar, menu, hot key), settings, about, font and exit (tray, toolbar).
    for (UINT id : {32800u, 32771u, 32794u, 32774u, 32776u, 57664u, 32775u, 32787u, 32777u})
        PostMessageW(frame, WM_COMMAND, id, 0);
    PostMessageW(frame, WM_HOTKEY, 13, 0);
    // A capture request would copy from the window in front and change the text being named.
    TestBrowser page(L"--html", "<P>late</P>", L"page during save");
    ASSERT_TRUE(page.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    SendMessageW(frame, WM_HOTKEY, 12, 0);
    EXPECT_FALSE(WaitFor([&] { return page.CopyCount() > 0; }, 2000, 50));
    SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    EXPECT_EQ(std::vector<std::wstring>{L"文件名"}, OpenDialogs(app.Id()));
    EXPECT_TRUE(Running());
    EXPECT_EQ(text, Body());

    // The dialog still watches the clipboard (one viewer, no loop) and the save completes.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const std::wstring copied = L"复制的名字";
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (copied.size() + 1) * 2);
    memcpy(GlobalLock(mem), copied.c_str(), (copied.size() + 1) * 2);
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
    ASSERT_TRUE(WaitFor([&] { return WindowText(GetDlgItem(dlg, 1001)) == copied; }, 5000));
    PressButton(dlg, IDOK);
    HWND done = WaitForDialog(app.Id(), 10000, L"保存");
    ASSERT_TRUE(done);
    PressButton(done, IDNO);
    ASSERT_TRUE(WaitFor([&] { return OpenDialogs(app.Id()).empty(); }, 5000));
    EXPECT_NE(L"", FolderOf(L"复制的名字.htm"));
    EXPECT_EQ(L"", Body());
    EXPECT_TRUE(Running());

    // Idle again: the refused requests did not linger, and commands work once more.
    EXPECT_EQ(0, page.CopyCount());
    ASSERT_TRUE(page.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    ASSERT_TRUE(BodyBecomes(L"<P><P>late</P>")) << Narrow(Body());
    PostMessageW(frame, WM_COMMAND, 32776, 0);
    HWND about = WaitForDialog(app.Id(), 10000);
    ASSERT_TRUE(about);
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return OpenDialogs(app.Id()).empty(); }, 5000));
}

// The list's delete question waits the same way: nothing else starts, and the
// delete then takes the row and shows the count left.
TEST(ListQuestion, CommandsWaitWhileTheListAsksBeforeADelete) {
    RunningPagewick app([](ProgramDir& d) {
        d.WriteConfig(L"SEL", L"ROUTE", L"新闻");
        WriteBytes(d / L"新闻\\旧文.htm", std::string("\xFF\xFE<\0P\0>\0x\0", 10));
    });
    ASSERT_TRUE(app.Started());
    HWND frame = app.WaitShown();
    ASSERT_TRUE(frame);
    const DWORD pid = app.Proc().Id();
    const std::wstring file = app.Dir() / L"新闻\\旧文.htm";
    HWND pane = ChildById(frame, 133), list = ChildById(pane, 231);
    ASSERT_TRUE(WaitFor([&] { return RowOf(list, L"旧文.htm") == 0; }, 5000));
    SelectOnly(list, 0);
    PostMessageW(pane, WM_COMMAND, 32782, 0);
    HWND question = WaitForDialog(pid, 10000, L"提示");
    ASSERT_TRUE(question);

    // Delete and rename again, saves, settings, about, exit; hot keys and capture requests.
    for (UINT id : {32782u, 32783u}) PostMessageW(pane, WM_COMMAND, id, 0);
    for (UINT id : {32800u, 32771u, 32794u, 32774u, 32776u, 32777u, 32787u}) PostMessageW(frame, WM_COMMAND, id, 0);
    PostMessageW(frame, WM_HOTKEY, 13, 0);
    TestBrowser page(L"--html", "<P>late</P>", L"page during delete");
    ASSERT_TRUE(page.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    SendMessageW(frame, kMsgAfterStart, 0, 0);
    SendMessageW(frame, WM_HOTKEY, 12, 0);
    EXPECT_FALSE(WaitFor([&] { return page.CopyCount() > 0; }, 2000, 50));
    SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    EXPECT_EQ(std::vector<std::wstring>{L"提示"}, OpenDialogs(pid));
    EXPECT_EQ(STILL_ACTIVE, app.Proc().Wait(0));
    EXPECT_TRUE(FileExists(file));

    PressButton(question, IDYES);
    ASSERT_TRUE(WaitFor([&] { return !FileExists(file); }, 5000));
    ASSERT_TRUE(WaitFor([&] { return OpenDialogs(pid).empty(); }, 5000));
    EXPECT_EQ(L"此文件夹中含有：0 个网页文件！", StatusText(frame));
    EXPECT_EQ(0, page.CopyCount());
    EXPECT_EQ(L"", WindowText(app.EditorEdit()));
    EXPECT_EQ(0u, app.Exit());
}

}  // namespace
