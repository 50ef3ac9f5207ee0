// The folder commands of the tree pane on real folders: adding, renaming at the end of
// label editing, deleting through the popup menu.
#include <gtest/gtest.h>
#include "TreePaneHost.h"
#include "resources/resource.h"
#include "support/Harness.h"

using namespace tt;
using Labels = std::vector<std::wstring>;

namespace {

HTREEITEM Caret(HWND tree) { return TreeView_GetSelection(tree); }
const Refresh& LastRefresh() { return LibraryFrame::Refreshes().back(); }

// Adds a folder and checks what every addition does: item selected and edited, folder on
// disk, route stored, file list refreshed with the new folder.
HTREEITEM AddFolder(LibraryFrame& lib, UINT command, const std::wstring& expectPath) {
    size_t refreshes = LibraryFrame::Refreshes().size();
    lib.Command(command);
    HWND tree = lib.Tree();
    HTREEITEM item = Caret(tree);
    EXPECT_EQ(expectPath, lib.Pane().GetSelectedFolderPath());
    EXPECT_TRUE(zt::DirExists(lib.Dir() + expectPath)) << zt::Narrow(expectPath);
    EXPECT_EQ(expectPath, lib.Route());
    EXPECT_TRUE(TreeView_GetEditControl(tree)) << "no label editing on the new folder";
    EXPECT_EQ(refreshes + 1, LibraryFrame::Refreshes().size());
    if (LibraryFrame::Refreshes().size() > refreshes) {
        EXPECT_EQ(expectPath, LastRefresh().path);
    }
    lib.EditLabel(item, nullptr);   // the user keeps the proposed name
    return item;
}

TEST(FolderTreeAdd, NamingWalkFollowsTheVisibleNewFolders) {
    LibraryFrame lib(L"add");
    lib.MakeDir(L"甲");
    lib.WriteConfig(L"甲");
    ASSERT_TRUE(lib.Start());
    AddFolder(lib, ID_TREE_ADD_SIBLING, L"新文件夹");
    AddFolder(lib, ID_TREE_ADD_SIBLING, L"新文件夹(1)");
    HTREEITEM third = AddFolder(lib, ID_TREE_ADD_SIBLING, L"新文件夹(2)");
    EXPECT_EQ((Labels{L"甲", L"新文件夹", L"新文件夹(1)", L"新文件夹(2)"}), lib.ChildLabels(lib.Root()));
    EXPECT_EQ(L"新文件夹(2)", lib.Text(third));
    AddFolder(lib, ID_TREE_ADD_CHILD, L"新文件夹(2)\\新文件夹(3)");
    EXPECT_EQ((Labels{L"新文件夹(3)"}), lib.ChildLabels(third));
}

TEST(FolderTreeAdd, ExistingFolderOfTheChosenNameIsTakenOver) {
    LibraryFrame lib(L"reuse");
    lib.MakeDir(L"甲\\新文件夹(1)\\新文件夹");
    lib.MakeFile(L"甲\\新文件夹(1)\\keep.htm", "kept");
    lib.WriteConfig(L"甲\\新文件夹(1)\\新文件夹");
    ASSERT_TRUE(lib.Start());
    lib.Click(lib.Find(L"甲"));
    // Visible order: 甲, 新文件夹(1), 新文件夹; so the name is 新文件夹(1) again.
    AddFolder(lib, ID_TREE_ADD_CHILD, L"甲\\新文件夹(1)");
    EXPECT_EQ((Labels{L"新文件夹(1)", L"新文件夹(1)"}), lib.ChildLabels(lib.Find(L"甲")));
    auto kept = zt::ReadBytes(lib.Dir() + L"甲\\新文件夹(1)\\keep.htm");
    EXPECT_EQ("kept", std::string(kept.begin(), kept.end()));
}

TEST(FolderTreeAdd, NamesStopAtTen) {
    {
        LibraryFrame lib(L"nine");
        lib.MakeDir(L"新文件夹(9)");
        lib.WriteConfig(L"新文件夹(9)");
        ASSERT_TRUE(lib.Start());
        AddFolder(lib, ID_TREE_ADD_SIBLING, L"新文件夹(10)");
    }
    {
        LibraryFrame lib(L"ten");
        lib.MakeDir(L"新文件夹(10)");
        lib.WriteConfig(L"新文件夹(10)");
        ASSERT_TRUE(lib.Start());
        AddFolder(lib, ID_TREE_ADD_SIBLING, L"新文件夹");
        EXPECT_EQ((Labels{L"新文件夹(10)", L"新文件夹"}), lib.ChildLabels(lib.Root()));
    }
}

TEST(FolderTreeRename, RefusedEditsChangeNothing) {
    LibraryFrame lib(L"refuse");
    lib.MakeDir(L"新闻");
    lib.MakeDir(L"小说");
    lib.MakeFile(L"小说\\a.htm");
    lib.WriteConfig(L"新闻");
    ASSERT_TRUE(lib.Start());
    HTREEITEM novel = lib.Find(L"小说");
    {
        ModalAnswerer answer(IDOK);
        lib.EditLabel(novel, L"小:说");
        Pump(200);
        ASSERT_EQ(1u, answer.boxes.size());
        EXPECT_EQ(L"目录中含有非法字符！", answer.boxes[0].text);
        EXPECT_EQ(L"错误", answer.boxes[0].caption);
    }
    // Windows would drop the trailing dot or space (the label and the folder would differ)
    // or refuse the device names with a shell error box.
    for (const wchar_t* name : {L"小说.", L"小说 ", L"NUL", L"com1.txt", L"Con ", L"小\t说"}) {
        ModalAnswerer answer(IDOK);
        lib.EditLabel(novel, name);
        Pump(200);
        ASSERT_EQ(1u, answer.boxes.size()) << zt::Narrow(name);
        EXPECT_EQ(L"目录中含有非法字符！", answer.boxes[0].text);
    }
    {
        ModalAnswerer answer(IDOK);
        lib.EditLabel(novel, std::wstring(300 - lib.Dir().size(), L'长').c_str());
        Pump(200);
        ASSERT_EQ(1u, answer.boxes.size()) << "an over-long path";
    }
    {
        ModalAnswerer answer(IDOK);
        lib.EditLabel(novel, L"");
        lib.EditLabel(novel, nullptr);
        lib.EditLabel(lib.Root(), L"根");
        Pump(200);
        EXPECT_TRUE(answer.boxes.empty());
    }
    EXPECT_EQ(L"小说", lib.Text(novel));
    EXPECT_EQ(L"我的网文", lib.Text(lib.Root()));
    EXPECT_TRUE(zt::FileExists(lib.Dir() + L"小说\\a.htm"));
    EXPECT_FALSE(zt::DirExists(lib.Dir() + L"根"));
    EXPECT_TRUE(LibraryFrame::Refreshes().empty());
    EXPECT_EQ(L"新闻", lib.Route());
}

TEST(FolderTreeRename, RenamesTheFolderOnDiskAndStoresIt) {
    LibraryFrame lib(L"rename");
    lib.MakeDir(L"新闻\\国内\\images");
    lib.MakeFile(L"新闻\\国内\\a.htm", "a");
    lib.MakeFile(L"新闻\\国内\\images\\p.jpg", "p");
    lib.WriteConfig(L"新闻\\国内");
    ASSERT_TRUE(lib.Start());
    HTREEITEM item = lib.Find(L"新闻\\国内");
    lib.Command(ID_TREE_RENAME);   // the menu's rename edits the selected folder's label
    ASSERT_TRUE(TreeView_GetEditControl(lib.Tree()));
    lib.EditLabel(item, L"国际");
    EXPECT_EQ(L"国际", lib.Text(item));
    EXPECT_FALSE(zt::DirExists(lib.Dir() + L"新闻\\国内"));
    EXPECT_TRUE(zt::FileExists(lib.Dir() + L"新闻\\国际\\a.htm"));
    EXPECT_TRUE(zt::FileExists(lib.Dir() + L"新闻\\国际\\images\\p.jpg"));
    ASSERT_EQ(1u, LibraryFrame::Refreshes().size());
    EXPECT_EQ(L"新闻\\国际", LastRefresh().path);
    EXPECT_EQ(L"新闻\\国际", lib.Route());
}

TEST(FolderTreeRename, RenamesTheEditedFolderNotTheLastClickedOne) {
    LibraryFrame lib(L"edited");
    lib.MakeDir(L"新闻");
    lib.MakeDir(L"小说");
    lib.MakeFile(L"新闻\\n.htm");
    lib.WriteConfig(L"新闻");
    ASSERT_TRUE(lib.Start());
    lib.Click(lib.Find(L"新闻"));
    // The keyboard moves the selection without storing it.
    HTREEITEM novel = lib.Find(L"小说");
    TreeView_SelectItem(lib.Tree(), novel);
    ASSERT_EQ(L"新闻", lib.Route());
    lib.EditLabel(novel, L"散文");
    EXPECT_TRUE(zt::DirExists(lib.Dir() + L"散文"));
    EXPECT_FALSE(zt::DirExists(lib.Dir() + L"小说"));
    EXPECT_TRUE(zt::FileExists(lib.Dir() + L"新闻\\n.htm"));
    EXPECT_EQ(L"散文", lib.Text(novel));
    EXPECT_EQ(L"散文", lib.Route());
}

TEST(FolderTreeRename, NameOfAnExistingFolderLosesNothing) {
    LibraryFrame lib(L"clash");
    lib.MakeDir(L"新闻");
    lib.MakeDir(L"小说");
    lib.MakeFile(L"新闻\\n.htm", "n");
    lib.MakeFile(L"小说\\x.htm", "x");
    lib.WriteConfig(L"小说");
    ASSERT_TRUE(lib.Start());
    HTREEITEM novel = lib.Find(L"小说");
    {
        ModalAnswerer answer(IDOK);   // the shell may report the clash itself
        lib.EditLabel(novel, L"新闻");
        Pump(200);
    }
    EXPECT_EQ(L"小说", lib.Text(novel));
    EXPECT_TRUE(zt::FileExists(lib.Dir() + L"小说\\x.htm"));
    EXPECT_TRUE(zt::FileExists(lib.Dir() + L"新闻\\n.htm"));
    EXPECT_FALSE(zt::FileExists(lib.Dir() + L"新闻\\x.htm"));
    EXPECT_TRUE(LibraryFrame::Refreshes().empty());
    EXPECT_EQ(L"小说", lib.Route());
}

TEST(FolderTreeDelete, MenuDeleteRemovesTheTreeAndListsThePreviousItem) {
    LibraryFrame lib(L"delete");
    lib.MakeDir(L"新闻\\国内\\images");
    lib.MakeDir(L"新闻\\国内\\地方");
    lib.MakeFile(L"新闻\\国内\\a.htm");
    lib.MakeFile(L"新闻\\国内\\images\\p.jpg");
    lib.MakeFile(L"新闻\\国内\\地方\\b.htm");
    lib.MakeDir(L"小说");
    lib.WriteConfig(L"小说");
    ASSERT_TRUE(lib.Start());
    HTREEITEM domestic = lib.Find(L"新闻\\国内");
    ASSERT_TRUE(domestic);
    HTREEITEM before = TreeView_GetPrevVisible(lib.Tree(), domestic);

    // Answering No keeps everything.
    {
        ModalAnswerer answer(IDNO, L'd');
        lib.Click(domestic, true);
        Pump(300);
        EXPECT_EQ(1, answer.menusShown);
        ASSERT_EQ(1u, answer.boxes.size());
        EXPECT_EQ(L"是否真的要删除目录？", answer.boxes[0].text);
        EXPECT_EQ(L"确认", answer.boxes[0].caption);
    }
    EXPECT_TRUE(zt::FileExists(lib.Dir() + L"新闻\\国内\\images\\p.jpg"));
    EXPECT_EQ(domestic, lib.Find(L"新闻\\国内"));
    EXPECT_EQ(L"新闻\\国内", lib.Route());

    TreeView_SelectItem(lib.Tree(), lib.Find(L"小说"));   // the menu acts on the clicked folder
    LibraryFrame::Refreshes().clear();
    {
        ModalAnswerer answer(IDYES, L'd');
        lib.Click(domestic, true);
        Pump(300);
        EXPECT_EQ(1u, answer.boxes.size());
    }
    EXPECT_FALSE(zt::DirExists(lib.Dir() + L"新闻\\国内"));
    EXPECT_TRUE(zt::DirExists(lib.Dir() + L"新闻"));
    EXPECT_TRUE(zt::DirExists(lib.Dir() + L"小说"));
    EXPECT_FALSE(lib.Find(L"新闻\\国内"));
    EXPECT_EQ(before, Caret(lib.Tree()));
    ASSERT_EQ(2u, LibraryFrame::Refreshes().size());   // the right click, then the deletion
    EXPECT_EQ(L"新闻\\国内", LibraryFrame::Refreshes()[0].path);
    EXPECT_EQ(L"新闻", LibraryFrame::Refreshes()[1].path);
    // The route still names the deleted folder until the next click.
    EXPECT_EQ(L"新闻\\国内", lib.Route());
}

TEST(FolderTreeDelete, NothingToDeleteWithoutAFolder) {
    LibraryFrame lib(L"nodelete");
    lib.MakeDir(L"新闻");
    lib.WriteConfig(L"新闻");
    ASSERT_TRUE(lib.Start());
    TreeView_SelectItem(lib.Tree(), lib.Root());
    ModalAnswerer answer(IDYES);
    lib.Command(ID_TREE_DELETE);
    Pump(200);
    EXPECT_TRUE(answer.boxes.empty());
    EXPECT_TRUE(zt::DirExists(lib.Dir() + L"新闻"));
    EXPECT_EQ(2u, lib.CountAll());
}

}  // namespace
