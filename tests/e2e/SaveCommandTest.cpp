// The save commands of the running program.
#include <gtest/gtest.h>
#include "support/Harness.h"

using namespace zt;

namespace {

const wchar_t kChooseFolder[] = L"请先在目录树中选择保存网文的分类目录！";

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
    // The library root is the current folder in a fresh tree: each command answers
    // with the folder message and keeps the text.
    for (UINT id : {32771u, 32794u, 32800u}) {
        PostMessageW(frame, WM_COMMAND, id, 0);
        HWND box = WaitForDialog(p.Id(), 10000, L"提示");
        ASSERT_TRUE(box) << id;
        EXPECT_EQ(kChooseFolder, MessageBoxText(box));
        PressButton(box, IDOK);
        WaitFor([&] { return !IsWindow(box); }, 5000);
    }
    EXPECT_EQ(text, WindowText(editor));
    // Exit with a changed text: Yes saves first.
    PostMessageW(frame, WM_COMMAND, 32795, 0);   // File > Exit
    HWND question = WaitForDialog(p.Id(), 10000, L"保存网文");
    ASSERT_TRUE(question);
    EXPECT_EQ(L"网文的内容已被修改，是否需要保存？", MessageBoxText(question));
    PressButton(question, IDYES);
    HWND box = WaitForDialog(p.Id(), 10000, L"提示");
    ASSERT_TRUE(box);
    EXPECT_EQ(kChooseFolder, MessageBoxText(box));
    PressButton(box, IDOK);
    EXPECT_EQ(0u, p.Wait(15000));
}

}  // namespace
