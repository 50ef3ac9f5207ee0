// The settings dialog of the running program.
#include <gtest/gtest.h>
#include "support/Pagewick.h"
#include "support/Remote.h"

using namespace zt;

namespace {

constexpr int kSettingsCommand = 32774;
constexpr int kLen = 1001, kApply = 1002, kCancel = 1003, kBShow = 1010;
constexpr int kSaveMod = 1015, kSaveKey = 1016, kGetMod = 1017, kGetKey = 1018, kWarning = 1019;

HWND OpenSettings(RunningPagewick& app) {
    PostMessageW(app.Frame(), WM_COMMAND, kSettingsCommand, 0);
    return WaitForDialog(app.Proc().Id(), 10000, L"系统配置");
}

int Sel(HWND dlg, int id) { return (int)SendMessageW(GetDlgItem(dlg, id), CB_GETCURSEL, 0, 0); }
void Select(HWND dlg, int id, int index) { SendMessageW(GetDlgItem(dlg, id), CB_SETCURSEL, index, 0); }
// As a person's choice in the list: the dialog hears of the change.
void Choose(HWND dlg, int id, int index) {
    Select(dlg, id, index);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, id));
}
std::wstring Entry(HWND dlg, int id, int index) {
    wchar_t text[64] = {};
    SendMessageW(GetDlgItem(dlg, id), CB_GETLBTEXT, index, (LPARAM)text);
    return text;
}
// The warning line as a user sees it: empty while hidden.
std::wstring Warning(HWND dlg) {
    HWND line = GetDlgItem(dlg, kWarning);
    return IsWindowVisible(line) ? WindowText(line) : L"";
}
void SetText(HWND dlg, int id, const wchar_t* text) { SendMessageW(GetDlgItem(dlg, id), WM_SETTEXT, 0, (LPARAM)text); }
bool Gone(HWND dlg) { return WaitFor([&] { return !IsWindow(dlg); }, 5000); }

bool Taken(UINT mod, UINT vk) {
    if (RegisterHotKey(nullptr, 78, mod, vk)) { UnregisterHotKey(nullptr, 78); return false; }
    return true;
}

TEST(SettingsDialog, ShowsTheSettingsWithTheirExactTexts) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    HWND dlg = OpenSettings(app);
    ASSERT_TRUE(dlg);
    std::vector<std::wstring> texts;
    for (HWND h : ChildWindows(dlg)) texts.push_back(WindowText(h));
    for (const wchar_t* t : {L"选项", L"保存的文件名设为网文前", L"个字", L"保存网文完毕后，提示打开文件",
                             L"捕获网文快捷键", L"+", L"保存网文快捷键", L"确定(&O)", L"取消(&C)"})
        EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), t)) << Narrow(t);
    EXPECT_EQ(L"10", WindowText(GetDlgItem(dlg, kLen)));
    EXPECT_EQ(BST_CHECKED, SendMessageW(GetDlgItem(dlg, kBShow), BM_GETCHECK, 0, 0));
    EXPECT_EQ(2, Sel(dlg, kGetMod));
    EXPECT_EQ(0, Sel(dlg, kGetKey));
    EXPECT_EQ(2, Sel(dlg, kSaveMod));
    EXPECT_EQ(18, Sel(dlg, kSaveKey));
    // The old three keep their places; the combined modifiers follow them.
    for (int id : {kGetMod, kSaveMod}) {
        EXPECT_EQ(6, SendMessageW(GetDlgItem(dlg, id), CB_GETCOUNT, 0, 0));
        int i = 0;
        for (const wchar_t* t : {L"ALT", L"CTRL", L"SHIFT", L"CTRL+SHIFT", L"ALT+SHIFT", L"CTRL+ALT"})
            EXPECT_EQ(t, Entry(dlg, id, i++));
    }
    EXPECT_EQ(26, SendMessageW(GetDlgItem(dlg, kSaveKey), CB_GETCOUNT, 0, 0));
    // A settings file from before Alt+Shift: both keys take a capital letter, and it says so.
    EXPECT_EQ(L"Shift+A、Shift+S 会使其他程序无法输入大写字母 A、S", Warning(dlg));
    Choose(dlg, kGetMod, 4);
    EXPECT_EQ(L"Shift+S 会使其他程序无法输入大写字母 S", Warning(dlg));
    Choose(dlg, kSaveMod, 4);
    EXPECT_EQ(L"", Warning(dlg));
    Choose(dlg, kGetMod, 2);
    Choose(dlg, kGetKey, 9);
    EXPECT_EQ(L"Shift+J 会使其他程序无法输入大写字母 J", Warning(dlg));
    PressButton(dlg, kCancel);
    EXPECT_TRUE(Gone(dlg));
}

TEST(SettingsDialog, ApplyStoresEverythingAndMovesTheHotKeys) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    HWND dlg = OpenSettings(app);
    ASSERT_TRUE(dlg);
    SetText(dlg, kLen, L"00");
    SendMessageW(GetDlgItem(dlg, kBShow), BM_SETCHECK, BST_UNCHECKED, 0);
    Select(dlg, kGetMod, 5);   // CTRL+ALT
    Select(dlg, kGetKey, 6);   // G
    Select(dlg, kSaveMod, 0);  // ALT
    Select(dlg, kSaveKey, 25); // Z
    PressButton(dlg, kApply);
    ASSERT_TRUE(Gone(dlg));
    EXPECT_EQ(L"00", app.Dir().ReadConfig(L"FILENAME", L"LEN"));
    EXPECT_EQ(L"false", app.Dir().ReadConfig(L"OPENMSG", L"BSHOW"));
    EXPECT_EQ(L"5", app.Dir().ReadConfig(L"HOTKEY", L"GETKEYPROV"));
    EXPECT_EQ(L"6", app.Dir().ReadConfig(L"HOTKEY", L"GETKEYNEXT"));
    EXPECT_EQ(L"0", app.Dir().ReadConfig(L"HOTKEY", L"SAVEKEYPROV"));
    EXPECT_EQ(L"25", app.Dir().ReadConfig(L"HOTKEY", L"SAVEKEYNEXT"));
    EXPECT_TRUE(Taken(MOD_CONTROL | MOD_ALT, 'G'));
    EXPECT_TRUE(Taken(MOD_ALT, 'Z'));
    EXPECT_FALSE(Taken(MOD_SHIFT, 'A'));
    EXPECT_FALSE(Taken(MOD_SHIFT, 'S'));
    // The dialog shows the program's new copies next time ("00" reads back as 0).
    dlg = OpenSettings(app);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(L"0", WindowText(GetDlgItem(dlg, kLen)));
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(GetDlgItem(dlg, kBShow), BM_GETCHECK, 0, 0));
    PressButton(dlg, kCancel);
    EXPECT_TRUE(Gone(dlg));
}

TEST(SettingsDialog, EnterAndEmptyOrZeroLengthKeepItOpenCancelAndEscapeWriteNothing) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    HWND dlg = OpenSettings(app);
    ASSERT_TRUE(dlg);
    SetText(dlg, kLen, L"33");
    PressButton(dlg, IDOK);   // Enter
    for (const wchar_t* bad : {L"", L"0"}) {
        SetText(dlg, kLen, bad);
        PressButton(dlg, kApply);
    }
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(L"10", app.Dir().ReadConfig(L"FILENAME", L"LEN"));
    SetText(dlg, kLen, L"44");
    PressButton(dlg, IDCANCEL);   // Escape
    EXPECT_TRUE(Gone(dlg));
    dlg = OpenSettings(app);
    ASSERT_TRUE(dlg);
    SetText(dlg, kLen, L"55");
    PressButton(dlg, kCancel);
    EXPECT_TRUE(Gone(dlg));
    EXPECT_EQ(L"10", app.Dir().ReadConfig(L"FILENAME", L"LEN"));
    EXPECT_EQ(L"true", app.Dir().ReadConfig(L"OPENMSG", L"BSHOW"));
}

TEST(SettingsDialog, ATakenSaveKeyKeepsTheDialogOpenAndTheOldKeys) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(RegisterHotKey(nullptr, 6, MOD_CONTROL, 'Q'));
    HWND dlg = OpenSettings(app);
    ASSERT_TRUE(dlg);
    SetText(dlg, kLen, L"20");
    Select(dlg, kSaveMod, 1);
    Select(dlg, kSaveKey, 16);   // Ctrl+Q, held by the test
    PressButton(dlg, kApply);
    HWND box = WaitForDialog(app.Proc().Id(), 10000, L"Pagewick");
    UnregisterHotKey(nullptr, 6);
    ASSERT_TRUE(box);
    EXPECT_EQ(L"注册热键失败，请重新设置热键！", MessageBoxText(box));
    PressButton(box, IDOK);
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(L"20", app.Dir().ReadConfig(L"FILENAME", L"LEN"));
    EXPECT_EQ(L"2", app.Dir().ReadConfig(L"HOTKEY", L"SAVEKEYPROV"));
    EXPECT_EQ(L"18", app.Dir().ReadConfig(L"HOTKEY", L"SAVEKEYNEXT"));
    PressButton(dlg, kCancel);
    EXPECT_TRUE(Gone(dlg));
}

TEST(SettingsDialog, AfterAFailedSaveKeyAtStartEveryApplyReportsTheUnregistering) {
    ASSERT_TRUE(RegisterHotKey(nullptr, 7, MOD_SHIFT, 'S'));
    RunningPagewick app([](ProgramDir& d) { d.WriteConfig(L"OPENMSG", L"BSHOW", L"True"); });
    HWND startBox = WaitForDialog(app.Proc().Id(), 20000, L"Pagewick");
    UnregisterHotKey(nullptr, 7);
    ASSERT_TRUE(startBox);
    PressButton(startBox, IDOK);
    HWND frame = app.WaitShown();
    ASSERT_TRUE(frame);
    PostMessageW(frame, WM_COMMAND, kSettingsCommand, 0);
    HWND dlg = WaitForDialog(app.Proc().Id(), 10000, L"系统配置");
    ASSERT_TRUE(dlg);
    // "True" is not "true": the prompt counts as off.
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(GetDlgItem(dlg, kBShow), BM_GETCHECK, 0, 0));
    PressButton(dlg, kApply);
    HWND box = WaitForDialog(app.Proc().Id(), 10000, L"Pagewick");
    ASSERT_TRUE(box);
    EXPECT_EQ(L"注销热键失败！", MessageBoxText(box));
    PressButton(box, IDOK);
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(L"false", app.Dir().ReadConfig(L"OPENMSG", L"BSHOW"));
    PressButton(dlg, kCancel);
    EXPECT_TRUE(Gone(dlg));
    PostMessageW(frame, WM_COMMAND, kExitCommand, 0);
    EXPECT_EQ(0u, app.Proc().Wait(10000));
}

}  // namespace
