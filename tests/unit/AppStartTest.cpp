#include <gtest/gtest.h>
#include "app/ContextMenuEntry.h"
#include "app/PagewickApp.h"
#include "framework/ControlBar.h"

namespace {

HWND WindowOfClass(const wchar_t* cls) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    RegisterClassW(&wc);
    return CreateWindowExW(0, cls, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

TEST(RightClickRule, OnlyTheBrowserEditingWindowGetsALeftClick) {
    HWND browser = WindowOfClass(L"Internet Explorer_Server");
    HWND lookalike = WindowOfClass(L"Internet Explorer_Server2");
    MSG down{browser, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 6), 0, {}};
    CPagewickApp::ApplyRightClickRule(&down);
    EXPECT_EQ((UINT)WM_LBUTTONDOWN, down.message);
    EXPECT_EQ((LPARAM)MAKELPARAM(5, 6), down.lParam);
    MSG other{lookalike, WM_RBUTTONDOWN, MK_RBUTTON, 0, 0, {}};
    CPagewickApp::ApplyRightClickRule(&other);
    EXPECT_EQ((UINT)WM_RBUTTONDOWN, other.message);
    MSG up{browser, WM_RBUTTONUP, 0, 0, 0, {}};
    CPagewickApp::ApplyRightClickRule(&up);
    EXPECT_EQ((UINT)WM_RBUTTONUP, up.message);
    DestroyWindow(browser);
    DestroyWindow(lookalike);
}

TEST(CommandLine, TheFirstArgumentIsTheFileToOpen) {
    EXPECT_EQ(L"", CommandLineFile(L""));
    EXPECT_EQ(L"C:\\新闻\\a b.htm", CommandLineFile(L"\"C:\\新闻\\a b.htm\""));
    EXPECT_EQ(L"x.htm", CommandLineFile(L"x.htm y.htm"));
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
