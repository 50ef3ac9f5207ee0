// A large library: 2,000 folders nested up to 8 levels.
#include <gtest/gtest.h>
#include "TreePaneHost.h"
#include "support/Harness.h"
#include <algorithm>
#include <cstdio>

using namespace tt;

namespace {

// Folders per parent at each depth: 8 + 32 + 96 + 192 + 4 * 384 = 1,864 nested folders,
// plus 136 flat top-level folders: 2,000. Every first-level folder also holds "images".
const int kBranching[] = {8, 4, 3, 2, 2, 1, 1, 1};
const int kFlatFolders = 136;

void BuildLevel(const std::wstring& base, const std::wstring& rel, int depth, std::wstring& deepest, int& count) {
    if (depth == 8) return;
    for (int i = 0; i < kBranching[depth]; ++i) {
        std::wstring name = L"第" + std::to_wstring(depth + 1) + L"层" + std::to_wstring(i);
        std::wstring path = rel.empty() ? name : rel + L"\\" + name;
        CreateDirectoryW((base + path).c_str(), nullptr);
        ++count;
        if (depth == 0) CreateDirectoryW((base + path + L"\\images").c_str(), nullptr);
        if (depth == 7) deepest = path;
        BuildLevel(base, path, depth + 1, deepest, count);
    }
}

// Returns the path of the last deepest folder.
std::wstring BuildDeepLibrary(const std::wstring& base) {
    std::wstring deepest;
    int count = 0;
    BuildLevel(base, L"", 0, deepest, count);
    for (int i = 0; i < kFlatFolders; ++i) {
        CreateDirectoryW((base + L"平" + std::to_wstring(i)).c_str(), nullptr);
        ++count;
    }
    CreateDirectoryW((base + L"平0\\images").c_str(), nullptr);
    EXPECT_EQ(2000, count);
    return deepest;
}

// The same directory search as the tree's, without the tree.
int BareWalk(const std::wstring& dir, std::vector<std::wstring>& names) {
    int n = 0;
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((dir + L"\\*.*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L".." || name == L"images") continue;
        names.push_back(name);
        n += 1 + BareWalk(dir + L"\\" + name, names);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    return n;
}

double Milliseconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return (b.QuadPart - a.QuadPart) * 1000.0 / freq.QuadPart;
}

TEST(FolderTreeDeep, FillsTwoThousandFoldersAndRestoresADeepRoute) {
    LibraryFrame lib(L"deep");
    std::wstring deepest = BuildDeepLibrary(lib.Dir());
    ASSERT_EQ(8, (int)std::count(deepest.begin(), deepest.end(), L'\\') + 1);
    lib.WriteConfig(deepest);
    ASSERT_TRUE(lib.Start());
    HWND tree = lib.Tree();
    // The start reads the top level and the folders on the route, not the whole library:
    // the root, 8 + 136 top-level folders and 4 + 3 + 2 + 2 + 1 + 1 + 1 below.
    EXPECT_EQ(1u + 144 + 14, TreeView_GetCount(tree));
    HTREEITEM caret = TreeView_GetSelection(tree);
    ASSERT_TRUE(caret);
    EXPECT_EQ(lib.Find(deepest), caret);
    EXPECT_EQ(deepest, lib.Pane().GetSelectedFolderPath());
    for (HTREEITEM up = TreeView_GetParent(tree, caret); up; up = TreeView_GetParent(tree, up))
        EXPECT_TRUE(TreeView_GetItemState(tree, up, TVIS_EXPANDED) & TVIS_EXPANDED);
    // A folder not read yet shows a "+" only when it holds a folder other than "images".
    auto plus = [&](HTREEITEM item) {
        TVITEMW tv{};
        tv.mask = TVIF_CHILDREN;
        tv.hItem = item;
        TreeView_GetItem(tree, &tv);
        return tv.cChildren;
    };
    HTREEITEM other = lib.Find(L"第1层1"), flat = lib.Find(L"平0");
    ASSERT_TRUE(other && flat);
    EXPECT_EQ(nullptr, TreeView_GetChild(tree, other));
    EXPECT_EQ(1, plus(other));
    EXPECT_EQ(0, plus(flat));
    EXPECT_EQ(2001u, lib.CountAll());
    EXPECT_EQ(caret, TreeView_GetSelection(tree));
    EXPECT_EQ(1, plus(other));
}

// Prints the time to fill the whole tree (every folder opened) next to a bare walk of the same folders (goal: at most
// three times the walk). Figures only; nothing is asserted on time.
TEST(FolderTreeBenchmark, FillTimeNextToBareWalk) {
    LibraryFrame lib(L"bench");
    BuildDeepLibrary(lib.Dir());
    lib.WriteConfig(L"0");
    ASSERT_TRUE(lib.Start());
    HWND tree = lib.Tree();
    std::wstring dir = lib.Dir().substr(0, lib.Dir().size() - 1);

    std::vector<double> walks, fills;
    for (int run = 0; run < 5; ++run) {
        std::vector<std::wstring> names;
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        int found = BareWalk(dir, names);
        QueryPerformanceCounter(&b);
        ASSERT_EQ(2000, found);
        walks.push_back(Milliseconds(a, b));

        TreeView_DeleteAllItems(tree);
        TVINSERTSTRUCTW ins{};
        ins.hParent = TVI_ROOT;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT;
        ins.item.pszText = const_cast<wchar_t*>(L"我的网文");
        HTREEITEM root = TreeView_InsertItem(tree, &ins);
        QueryPerformanceCounter(&a);
        // The top level, then every folder opened once.
        lib.Pane().FillFolderTree(root, dir);
        size_t all = lib.CountAll();
        QueryPerformanceCounter(&b);
        ASSERT_EQ(2001u, all);
        fills.push_back(Milliseconds(a, b));
    }
    std::sort(walks.begin(), walks.end());
    std::sort(fills.begin(), fills.end());
    double walk = walks[2], fill = fills[2];
    printf("[ BENCH    ] 2000 folders, 8 levels, median of 5: fill %.1f ms, bare walk %.1f ms, ratio %.2f\n", fill,
           walk, walk > 0 ? fill / walk : 0.0);
    RecordProperty("fill_ms", std::to_string(fill));
    RecordProperty("walk_ms", std::to_string(walk));
}

}  // namespace
