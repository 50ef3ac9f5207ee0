// The folder tree pane in a frame over a temporary program folder: filling,
// restoring the current folder, clicks, layout.
#include <gtest/gtest.h>
#include "TreePaneHost.h"
#include "framework/FrameWnd.h"
#include "resources/resource.h"
#include "settings/AppDir.h"
#include "support/Harness.h"

using namespace tt;
using Labels = std::vector<std::wstring>;

namespace {

HTREEITEM Caret(HWND tree) { return TreeView_GetSelection(tree); }
bool Expanded(HWND tree, HTREEITEM item) {
    return (TreeView_GetItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

TEST(FolderTreeStart, NestedRouteExpandsItsParentAndSelectsTheFolder) {
    LibraryFrame lib(L"route");
    lib.MakeDir(L"新闻\\国内");
    lib.MakeDir(L"新闻\\国外");
    lib.MakeDir(L"小说");
    lib.WriteConfig(L"新闻\\国内");
    ASSERT_TRUE(lib.Start());
    HWND tree = lib.Tree();
    HTREEITEM domestic = lib.Find(L"新闻\\国内");
    ASSERT_TRUE(domestic);
    EXPECT_EQ(domestic, Caret(tree));
    EXPECT_TRUE(Expanded(tree, lib.Root()));
    EXPECT_TRUE(Expanded(tree, lib.Find(L"新闻")));
    EXPECT_EQ(L"新闻\\国内", lib.Pane().GetSelectedFolderPath());
    EXPECT_EQ(L"我的网文", lib.Text(lib.Root()));
    // Starting neither lists files nor rewrites the route.
    EXPECT_TRUE(LibraryFrame::Refreshes().empty());
    EXPECT_EQ(L"新闻\\国内", lib.Route());
}

TEST(FolderTreeStart, RootDefaultOrUnknownRouteSelectsTheFirstTopLevelFolder) {
    for (const wchar_t* route : {L"我的网文", L"0", L"历史\\古代", L""}) {
        LibraryFrame lib(L"first");
        lib.MakeDir(L"新闻\\国内");
        lib.MakeDir(L"小说");
        lib.MakeDir(L"散文");
        lib.WriteConfig(route);
        ASSERT_TRUE(lib.Start());
        HWND tree = lib.Tree();
        HTREEITEM first = TreeView_GetChild(tree, lib.Root());
        ASSERT_TRUE(first);
        EXPECT_EQ(SearchOrder(lib.Dir() + L".").front(), lib.Text(first));
        EXPECT_EQ(first, Caret(tree)) << zt::Narrow(route);
        EXPECT_EQ(lib.Text(first), lib.Pane().GetSelectedFolderPath());
    }
}

TEST(FolderTreeStart, WithoutConfigOnlyTheRootIsShown) {
    LibraryFrame lib(L"noconfig");
    lib.MakeDir(L"新闻");
    // Without Config.ini the main frame runs the first start, so the pane gets a frame of its own.
    CFrameWnd host;
    CWnd::RegisterWndClass(L"ZelvaneTreeHost", 0, (HBRUSH)(COLOR_BTNFACE + 1));
    ASSERT_TRUE(host.CreateEx(0, L"ZelvaneTreeHost", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, nullptr, 0));
    CIEBar pane;
    ASSERT_TRUE(pane.Create(host.m_hWnd, IDD_TREEBAR, DockSide::Left, IDC_TREEBAR));
    ASSERT_TRUE(pane.InitFolderTree(host.m_hWnd));
    HWND tree = pane.GetTreeWnd();
    ASSERT_TRUE(tree);
    EXPECT_EQ(IDC_TREE, GetDlgCtrlID(tree));
    EXPECT_TRUE(pane.GetToolTipWnd());
    EXPECT_EQ(1u, TreeView_GetCount(tree));
    EXPECT_FALSE(Caret(tree));
    EXPECT_EQ(L"", pane.GetSelectedFolderPath());
    EXPECT_FALSE(zt::FileExists(lib.Dir() + L"Config.ini"));
    pane.DestroyWindow();
    host.DestroyWindow();
}

TEST(FolderTreeStart, AnEmptyLibraryStartsWithoutAMessage) {
    LibraryFrame lib(L"empty");
    lib.MakeDir(L"images");
    lib.WriteConfig(L"新闻");
    ModalAnswerer answer(IDOK);
    ASSERT_TRUE(lib.Start());
    Pump(200);
    EXPECT_TRUE(answer.boxes.empty()) << zt::Narrow(answer.boxes[0].text);
    EXPECT_EQ(1u, TreeView_GetCount(lib.Tree()));
    EXPECT_FALSE(Caret(lib.Tree()));
}

// A symbolic link to a folder: the system's call, or a Unix link made by ln where Wine
// lacks it.
bool IsLink(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Runs a Unix tool (Wine starts those too) in a folder, for the links Wine cannot make
// or remove itself.
void RunUnixTool(const std::wstring& folder, std::wstring cmd) {
    cmd = L"Z:\\bin\\" + cmd;
    for (size_t i = 10; i < cmd.size(); ++i)
        if (cmd[i] == L'\\') cmd[i] = L'/';
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) return;
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// A symbolic link (ASCII name, relative target) to a folder.
bool MakeFolderLink(const std::wstring& folder, const std::wstring& name, const std::wstring& target) {
    std::wstring link = folder + name;
    // Wine's call may report success without making anything.
    if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 2) || !IsLink(link))
        RunUnixTool(folder, L"ln -s " + target + L" " + name);
    return zt::WaitFor([&] { return IsLink(link); }, 5000, 20);   // a Unix tool's end is not awaited
}

TEST(FolderTreeFill, LinksAreShownButNotFollowed) {
    LibraryFrame lib(L"links");
    lib.MakeDir(L"新闻\\国内");
    lib.MakeFile(L"新闻\\国内\\a.htm");
    lib.MakeDir(L"novel");
    lib.MakeFile(L"novel\\b.htm");
    lib.MakeDir(L"shelf");
    // Two links to ancestors used to make the start-up hang.
    ASSERT_TRUE(MakeFolderLink(lib.Dir() + L"新闻\\国内\\", L"back", L"..\\.."));
    ASSERT_TRUE(MakeFolderLink(lib.Dir() + L"新闻\\", L"up", L".."));
    ASSERT_TRUE(MakeFolderLink(lib.Dir() + L"shelf\\", L"link", L"..\\novel"));
    lib.WriteConfig(L"新闻\\国内\\back");
    ASSERT_TRUE(lib.Start());
    HTREEITEM back = lib.Find(L"新闻\\国内\\back");
    ASSERT_TRUE(back);
    EXPECT_EQ(back, Caret(lib.Tree()));
    EXPECT_TRUE(lib.ChildLabels(back).empty());
    EXPECT_TRUE(lib.ChildLabels(lib.Find(L"新闻\\up")).empty());
    EXPECT_TRUE(lib.ChildLabels(lib.Find(L"shelf\\link")).empty());
    TVITEMW link{};
    link.mask = TVIF_CHILDREN;
    link.hItem = lib.Find(L"shelf\\link");
    ASSERT_TRUE(TreeView_GetItem(lib.Tree(), &link));
    EXPECT_EQ(0, link.cChildren);   // no "+" on a link
    EXPECT_EQ(8u, lib.CountAll());   // the root, four folders, three links

    // Deleting a folder that holds links, or a link itself, never reaches what they point
    // to (the library itself here). Wine cannot remove a link: it stays on disk.
    for (const wchar_t* rel : {L"新闻", L"shelf\\link"}) {
        TreeView_SelectItem(lib.Tree(), lib.Find(rel));
        ModalAnswerer answer(IDYES);
        lib.Command(ID_TREE_DELETE);
        Pump(300);
        EXPECT_EQ(1u, answer.boxes.size());
        EXPECT_FALSE(lib.Find(rel)) << zt::Narrow(rel);
    }
    EXPECT_FALSE(zt::FileExists(lib.Dir() + L"新闻\\国内\\a.htm"));
    EXPECT_TRUE(zt::FileExists(lib.Dir() + L"novel\\b.htm"));
    EXPECT_TRUE(zt::FileExists(lib.Dir() + L"Config.ini"));
    RunUnixTool(lib.Dir(), L"rm -f 新闻\\国内\\back 新闻\\up shelf\\link");
    zt::WaitFor([&] { return !IsLink(lib.Dir() + L"shelf\\link"); }, 5000, 20);
}

TEST(FolderTreeFill, ImagesHiddenAtAnyDepthInSearchOrder) {
    LibraryFrame lib(L"images");
    lib.MakeDir(L"images");
    lib.MakeDir(L"新闻\\images");
    lib.MakeDir(L"散文\\Images");
    lib.MakeDir(L"新闻\\国内\\images\\深");
    lib.MakeDir(L"新闻\\国内\\地方");
    lib.MakeDir(L"小说\\IMAGES");
    lib.MakeFile(L"新闻\\文章.htm");
    lib.MakeFile(L"文件夹.htm");
    lib.WriteConfig(L"0");
    ASSERT_TRUE(lib.Start());

    auto shown = [](Labels all) {
        all.erase(std::remove(all.begin(), all.end(), L"images"), all.end());
        return all;
    };
    Labels top = lib.ChildLabels(lib.Root());
    EXPECT_EQ(shown(SearchOrder(lib.Dir() + L".")), top);
    EXPECT_EQ(3u, top.size());
    Labels news = lib.ChildLabels(lib.Find(L"新闻"));
    EXPECT_EQ(shown(SearchOrder(lib.Dir() + L"新闻")), news);
    EXPECT_EQ((Labels{L"国内"}), news);
    EXPECT_EQ((Labels{L"Images"}), lib.ChildLabels(lib.Find(L"散文")));
    EXPECT_EQ((Labels{L"地方"}), lib.ChildLabels(lib.Find(L"新闻\\国内")));
    EXPECT_EQ((Labels{L"IMAGES"}), lib.ChildLabels(lib.Find(L"小说")));
    // Root, 新闻, 国内, 地方, 小说, IMAGES, 散文, Images.
    EXPECT_EQ(8u, lib.CountAll());

    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = lib.Find(L"新闻\\国内\\地方");
    ASSERT_TRUE(TreeView_GetItem(lib.Tree(), &item));
    EXPECT_EQ(2, item.iImage);
    EXPECT_EQ(1, item.iSelectedImage);
    item.hItem = lib.Root();
    ASSERT_TRUE(TreeView_GetItem(lib.Tree(), &item));
    EXPECT_EQ(0, item.iImage);
    EXPECT_EQ(0, item.iSelectedImage);
    EXPECT_EQ(3, ImageList_GetImageCount(TreeView_GetImageList(lib.Tree(), TVSIL_NORMAL)));
}

TEST(FolderTreeClicks, LeftClickListsTheFolderAndStoresIt) {
    LibraryFrame lib(L"click");
    lib.MakeDir(L"新闻\\国内");
    lib.MakeDir(L"小说");
    lib.WriteConfig(L"新闻\\国内");
    ASSERT_TRUE(lib.Start());
    HTREEITEM novel = lib.Find(L"小说");
    lib.Click(novel);
    EXPECT_EQ(novel, Caret(lib.Tree()));
    ASSERT_EQ(1u, LibraryFrame::Refreshes().size());
    EXPECT_FALSE(LibraryFrame::Refreshes()[0].isNull);
    EXPECT_EQ(L"小说", LibraryFrame::Refreshes()[0].path);
    EXPECT_EQ(L"小说", lib.Route());

    lib.Click(lib.Find(L"新闻\\国内"));
    ASSERT_EQ(2u, LibraryFrame::Refreshes().size());
    EXPECT_EQ(L"新闻\\国内", LibraryFrame::Refreshes()[1].path);
    EXPECT_EQ(L"新闻\\国内", lib.Route());

    // The root lists the library root under its own label, and is remembered as such.
    lib.Click(lib.Root());
    ASSERT_EQ(3u, LibraryFrame::Refreshes().size());
    EXPECT_FALSE(LibraryFrame::Refreshes()[2].isNull);
    EXPECT_EQ(L"我的网文", LibraryFrame::Refreshes()[2].path);
    EXPECT_EQ(L"我的网文", lib.Route());

    // Moving the selection with the keyboard neither lists nor stores.
    SendMessageW(lib.Tree(), WM_KEYDOWN, VK_DOWN, 0);
    Pump(30);
    EXPECT_EQ(3u, LibraryFrame::Refreshes().size());
    EXPECT_EQ(L"我的网文", lib.Route());
}

TEST(FolderTreeClicks, RightClickOnRootSendsNullAndShowsNoMenu) {
    LibraryFrame lib(L"rclick");
    lib.MakeDir(L"新闻");
    lib.WriteConfig(L"新闻");
    ASSERT_TRUE(lib.Start());
    {
        ModalAnswerer answer;
        lib.Click(lib.Root(), true);
        Pump(300);
        EXPECT_EQ(0, answer.menusShown);
    }
    ASSERT_EQ(1u, LibraryFrame::Refreshes().size());
    EXPECT_TRUE(LibraryFrame::Refreshes()[0].isNull);
    EXPECT_EQ(lib.Root(), Caret(lib.Tree()));
    EXPECT_EQ(L"新闻", lib.Route());

    // On a folder: selected, listed, stored, and the menu comes up.
    {
        ModalAnswerer answer;
        lib.Click(lib.Find(L"新闻"), true);
        Pump(100);
        EXPECT_EQ(1, answer.menusShown);
    }
    ASSERT_EQ(2u, LibraryFrame::Refreshes().size());
    EXPECT_EQ(L"新闻", LibraryFrame::Refreshes()[1].path);
    EXPECT_EQ(lib.Find(L"新闻"), Caret(lib.Tree()));
}

TEST(FolderTreeOpen, MenuOpensTheCurrentFolderInTheFileManager) {
    LibraryFrame lib(L"open");
    lib.MakeDir(L"新闻\\国内本地");
    lib.WriteConfig(L"新闻\\国内本地");
    ASSERT_TRUE(lib.Start());
    lib.Command(ID_TREE_OPEN);
    // The file manager names its window after the folder it shows.
    HWND browser = nullptr;
    zt::WaitFor([&] { return (browser = FindWindowW(nullptr, L"国内本地")) != nullptr; }, 10000);
    ASSERT_TRUE(browser) << "no file manager window on the folder";
    DWORD pid = 0;
    GetWindowThreadProcessId(browser, &pid);
    EXPECT_NE(GetCurrentProcessId(), pid);
    PostMessageW(browser, WM_CLOSE, 0, 0);
    EXPECT_TRUE(zt::WaitFor([&] { return !IsWindow(browser); }, 5000));
    EXPECT_TRUE(LibraryFrame::Refreshes().empty());
}

TEST(FolderTreeLayout, TreeSitsBelowTheCaptionInThePaneWidth) {
    LibraryFrame lib(L"layout");
    lib.MakeDir(L"新闻");
    lib.WriteConfig(L"新闻");
    ASSERT_TRUE(lib.Start());
    CIEBar& pane = lib.Pane();
    RECT f{};
    GetClientRect(lib.Frame().m_hWnd, &f);
    SIZE s = pane.CalcDynamicLayout(-1, 0);
    EXPECT_EQ(170, s.cx);
    EXPECT_EQ(f.bottom, s.cy);
    RECT pr{};
    GetWindowRect(pane.m_hWnd, &pr);
    EXPECT_EQ(170, pr.right - pr.left);
    EXPECT_EQ(IDC_TREEBAR, GetDlgCtrlID(pane.m_hWnd));

    RECT tr{};
    GetWindowRect(lib.Tree(), &tr);
    MapWindowPoints(nullptr, pane.m_hWnd, (POINT*)&tr, 2);
    EXPECT_EQ(5, tr.left);
    EXPECT_EQ(28, tr.top);
    EXPECT_EQ(170 - 13, tr.right - tr.left);
    EXPECT_EQ(f.bottom - 28 - 82, tr.bottom - tr.top);
    EXPECT_EQ(L"网文目录", pane.m_title);
    EXPECT_TRUE(GetWindowLongW(lib.Tree(), GWL_STYLE) & TVS_EDITLABELS);

    // The frame lays the tree out again when its height changes.
    MoveWindow(lib.Frame().m_hWnd, 0, 0, 800, 500, TRUE);
    Pump(30);
    GetClientRect(lib.Frame().m_hWnd, &f);
    GetWindowRect(lib.Tree(), &tr);
    EXPECT_EQ(f.bottom - 28 - 82, tr.bottom - tr.top);
}

}  // namespace
