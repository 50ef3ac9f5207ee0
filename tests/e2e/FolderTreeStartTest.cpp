// The folder tree pane of the running program.
#include <gtest/gtest.h>
#include "support/Pagewick.h"
#include "support/Remote.h"
#include <commctrl.h>

using namespace zt;

namespace {

std::wstring ItemText(HWND tree, HTREEITEM item) {
    RemoteBuffer buf(tree, sizeof(TVITEMW) + 512);
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = (LPWSTR)((BYTE*)buf.Address() + sizeof(TVITEMW));
    tv.cchTextMax = 256;
    buf.Write(&tv, sizeof(tv));
    SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)buf.Address());
    return buf.ReadString(sizeof(TVITEMW), 256);
}

TEST(FolderTreePane, TheProgramStartsWithTheLibraryAndTheStoredFolderSelected) {
    RunningPagewick app([](ProgramDir& d) {
        CreateDirectoryW((d / L"新闻\\国内").c_str(), nullptr);
        CreateDirectoryW((d / L"新闻\\images").c_str(), nullptr);
        d.WriteConfig(L"SEL", L"ROUTE", L"新闻\\国内");
    });
    ASSERT_TRUE(app.Started());
    HWND pane = ChildById(app.Frame(), 132);
    ASSERT_TRUE(pane);
    HWND tree = ChildById(pane, 124);
    ASSERT_TRUE(tree);
    // Root, the seven default folders and 国内; "images" is not a category.
    EXPECT_EQ(9, (int)SendMessageW(tree, TVM_GETCOUNT, 0, 0));
    HTREEITEM root = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    EXPECT_EQ(L"我的网文", ItemText(tree, root));
    HTREEITEM sel = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    EXPECT_EQ(L"国内", ItemText(tree, sel));
    HTREEITEM parent = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, (LPARAM)sel);
    EXPECT_EQ(L"新闻", ItemText(tree, parent));
    RECT r{};
    GetWindowRect(pane, &r);
    EXPECT_EQ(170, r.right - r.left);
}

}  // namespace
