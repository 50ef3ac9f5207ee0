#include <gtest/gtest.h>
#include "app/ContextMenuEntry.h"
#include "app/PagewickApp.h"
#include "app/RecentFiles.h"
#include "resources/resource.h"
#include "framework/ControlBar.h"
#include "settings/AppDir.h"
#include "settings/Config.h"
#include "support/Harness.h"
#include "TreePaneHost.h"

namespace {

HWND WindowOfClass(const wchar_t* cls) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    RegisterClassW(&wc);
    return CreateWindowExW(0, cls, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

TEST(RightClickRule, OnlyTheBrowserEditingWindowGetsALeftClickPressAndRelease) {
    HWND browser = WindowOfClass(L"Internet Explorer_Server");
    HWND lookalike = WindowOfClass(L"Internet Explorer_Server2");
    MSG down{browser, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 6), 0, {}};
    CPagewickApp::ApplyRightClickRule(&down);
    EXPECT_EQ((UINT)WM_LBUTTONDOWN, down.message);
    EXPECT_EQ((LPARAM)MAKELPARAM(5, 6), down.lParam);
    MSG other{lookalike, WM_RBUTTONDOWN, MK_RBUTTON, 0, 0, {}};
    CPagewickApp::ApplyRightClickRule(&other);
    EXPECT_EQ((UINT)WM_RBUTTONDOWN, other.message);
    // The release too: a press seen as left and a right release would leave the control
    // selecting with the mouse (and show its menu).
    MSG up{browser, WM_RBUTTONUP, 0, 0, 0, {}};
    CPagewickApp::ApplyRightClickRule(&up);
    EXPECT_EQ((UINT)WM_LBUTTONUP, up.message);
    MSG otherUp{lookalike, WM_RBUTTONUP, 0, 0, 0, {}};
    CPagewickApp::ApplyRightClickRule(&otherUp);
    EXPECT_EQ((UINT)WM_RBUTTONUP, otherUp.message);
    DestroyWindow(browser);
    DestroyWindow(lookalike);
}

TEST(CommandLine, TheFirstArgumentIsTheFileToOpen) {
    EXPECT_EQ(L"", CommandLineFile(L""));
    EXPECT_EQ(L"C:\\新闻\\a b.htm", CommandLineFile(L"\"C:\\新闻\\a b.htm\""));
    EXPECT_EQ(L"x.htm", CommandLineFile(L"x.htm y.htm"));
    // The program's switches are no files; anything else still is.
    EXPECT_EQ(CommandLineSwitch::Unregister, SwitchOf(L"/UnRegister"));
    EXPECT_EQ(CommandLineSwitch::Installed, SwitchOf(L"/installed"));
    EXPECT_EQ(L"", CommandLineFile(L"/installed"));
    EXPECT_EQ(CommandLineSwitch::None, SwitchOf(L"\"C:\\新闻\\a b.htm\""));
    EXPECT_EQ(CommandLineSwitch::None, SwitchOf(L"/unregistered"));
}

TEST(RegistryString, FixedBlockWhenItFitsWholeWhenLonger) {
    auto shortBlock = RegistryStringBlock(L"C:\\Lib\\");
    ASSERT_EQ(128u, shortBlock.size());
    EXPECT_EQ(std::wstring(L"C:\\Lib\\"), std::wstring((const wchar_t*)shortBlock.data()));
    std::wstring sixtyFour(64, L'x');
    auto longBlock = RegistryStringBlock(sixtyFour);
    ASSERT_EQ(130u, longBlock.size());
    EXPECT_EQ(sixtyFour, std::wstring((const wchar_t*)longBlock.data()));
    EXPECT_EQ(128u, RegistryStringBlock(std::wstring(63, L'y')).size());
}

TEST(ToolBarResource, BothLayoutsAndMalformedData) {
    const WORD classic[] = {1, 32, 32, 3, 10, 0, 11};
    EXPECT_EQ((std::vector<UINT>{10, 0, 11}), ParseToolBarResource(classic, sizeof(classic)));
    const DWORD gnu[] = {32, 32, 2, 7, 0};
    EXPECT_EQ((std::vector<UINT>{7, 0}), ParseToolBarResource(gnu, sizeof(gnu)));
    const DWORD cut[] = {32, 32, 50, 7};
    EXPECT_TRUE(ParseToolBarResource(cut, sizeof(cut)).empty());
    EXPECT_TRUE(ParseToolBarResource(gnu, 4).empty());
}

}  // namespace

namespace {

// The two start-up failures that end in a message box, provoked in this process only: a
// context-menu key under a volatile parent (the registry refuses a lasting key there) and
// a tree control that cannot be created.
TEST(StartUpFailures, RegistryAndPaneFailuresShowTheirMessages) {
    zt::TempFolder dir(L"启动失败");
    SetAppDirForTesting(dir.Path());
    config::WriteFirstRunDefaults();
    const wchar_t menuExt[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt";
    RegDeleteTreeW(HKEY_CURRENT_USER, menuExt);
    HKEY volatileKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, menuExt, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                             nullptr, &volatileKey, nullptr));
    RegCloseKey(volatileKey);
    {
        tt::ModalAnswerer answer(IDOK);
        CPagewickDoc doc;
        CMainFrame frame;
        EXPECT_TRUE(frame.LoadFrame(&doc)) << "the start-up goes on";
        ASSERT_EQ(1u, answer.boxes.size());
        EXPECT_EQ(L"Write Reg error!", answer.boxes[0].text);
        EXPECT_EQ(L"Pagewick", answer.boxes[0].caption);
        frame.DestroyWindow();
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}   // its quit message would end the next boxes
    RegDeleteTreeW(HKEY_CURRENT_USER, menuExt);

    HHOOK hook = SetWindowsHookExW(WH_CBT, [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
        wchar_t cls[64] = {};
        if (code == HCBT_CREATEWND && GetClassNameW((HWND)wp, cls, 64) && _wcsicmp(cls, WC_TREEVIEWW) == 0) return 1;
        return CallNextHookEx(nullptr, code, wp, lp);
    }, nullptr, GetCurrentThreadId());
    {
        tt::ModalAnswerer answer(IDOK);
        CPagewickDoc doc;
        CMainFrame frame;
        EXPECT_FALSE(frame.LoadFrame(&doc));
        ASSERT_EQ(2u, answer.boxes.size());
        EXPECT_EQ(L"Create TreeCtrl Failed!", answer.boxes[0].text);
        EXPECT_EQ(L"Failed to create toolbar\n", answer.boxes[1].text);
        EXPECT_EQ(L"Pagewick", answer.boxes[1].caption);
    }
    UnhookWindowsHookEx(hook);
    SetAppDirForTesting(L"");
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
}

}  // namespace

namespace {

std::vector<std::wstring> MenuLabels(HMENU menu) {
    std::vector<std::wstring> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t buf[300] = {};
        GetMenuStringW(menu, i, buf, 300, MF_BYPOSITION);
        out.push_back(buf[0] ? buf : L"-");
    }
    return out;
}

TEST(RecentFileMenu, EntriesStandBeforeTheExitCommandAndAreReplacedEachTime) {
    HMENU bar = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128));
    HMENU file = GetSubMenu(bar, 0);
    const std::vector<std::wstring> plain = MenuLabels(file);
    CRecentFileList list;
    list.UpdateMenu(file);
    EXPECT_EQ(plain, MenuLabels(file));
    list.Add(L"C:\\a.htm");
    list.Add(L"C:\\b.htm");
    list.Add(L"c:\\A.HTM");   // the same file moves up
    list.UpdateMenu(file);
    list.UpdateMenu(file);
    std::vector<std::wstring> expected = plain;
    expected.insert(expected.end() - 1, {L"&1 c:\\A.HTM", L"&2 C:\\b.htm", L"-"});
    EXPECT_EQ(expected, MenuLabels(file));
    EXPECT_EQ(UINT(ID_FILE_MRU_FILE1 + 1), GetMenuItemID(file, int(plain.size()) - 1 + 1));
    list.Remove(0);
    list.Remove(0);
    list.UpdateMenu(file);
    EXPECT_EQ(plain, MenuLabels(file));
    for (int i = 0; i < 6; ++i) list.Add(L"C:\\" + std::to_wstring(i) + L".htm");
    EXPECT_EQ(4u, list.Files().size());
    EXPECT_EQ(L"C:\\5.htm", list.Files().front());
    DestroyMenu(bar);
}

}  // namespace
