// The save commands of the running program.
#include <gtest/gtest.h>
#include "support/Harness.h"

using namespace zt;

namespace {

// The editor's own window: the child of the main view (pane id 0xE900).
HWND EditorWindow(HWND frame) {
    HWND view = GetDlgItem(frame, 0xE900);
    return view ? GetWindow(view, GW_CHILD) : nullptr;
}

TEST(SaveCommands, ToolbarMenuTrayAndExitQuestionReachTheSave) {
    ProgramDir dir(L"save ");
    dir.WriteDefaultConfig();
    Process p;
    ASSERT_TRUE(p.Start(dir.Exe()));
    HWND frame = WaitForWindow(L"ZelvaneV1.3", p.Id(), 20000);
    ASSERT_TRUE(frame);
    // Shown once the start-up document is in place (it would clear earlier text).
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(frame); }, 15000));
    HWND editor = EditorWindow(frame);
    ASSERT_TRUE(editor);
    std::wstring text = L"网文正文";
    SendMessageW(editor, EM_REPLACESEL, TRUE, (LPARAM)text.c_str());
    ASSERT_EQ(text, WindowText(editor));
    // The first category folder is current in a fresh tree: each command proposes
    // the text as the name; closing the dialog keeps the text.
    for (UINT id : {32771u, 32794u, 32800u}) {
        PostMessageW(frame, WM_COMMAND, id, 0);
        HWND dlg = WaitForDialog(p.Id(), 10000, L"文件名");
        ASSERT_TRUE(dlg) << id;
        EXPECT_EQ(text, WindowText(GetDlgItem(dlg, 1001)));
        PostMessageW(dlg, WM_CLOSE, 0, 0);
        WaitFor([&] { return !IsWindow(dlg); }, 5000);
    }
    EXPECT_EQ(text, WindowText(editor));
    // Exit with a changed text: Yes saves first, then the program ends.
    PostMessageW(frame, WM_COMMAND, 32795, 0);   // File > Exit
    HWND question = WaitForDialog(p.Id(), 10000, L"保存网文");
    ASSERT_TRUE(question);
    EXPECT_EQ(L"网文的内容已被修改，是否需要保存？", MessageBoxText(question));
    PressButton(question, IDYES);
    HWND dlg = WaitForDialog(p.Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);
    SendMessageW(GetDlgItem(dlg, 1001), WM_SETTEXT, 0, (LPARAM)L"退出前保存");
    PressButton(dlg, IDOK);
    HWND done = WaitForDialog(p.Id(), 10000, L"保存");
    ASSERT_TRUE(done);
    PressButton(done, IDNO);
    EXPECT_EQ(0u, p.Wait(15000));
    // Saved into one of the category folders.
    int found = 0;
    for (const wchar_t* f : {L"新闻", L"小说", L"散文", L"诗歌", L"天文", L"地理", L"历史"})
        found += FileExists(dir / (std::wstring(f) + L"\\退出前保存.htm"));
    EXPECT_EQ(1, found);
}

}  // namespace
