#include <gtest/gtest.h>
#include "library/FolderTreeRules.h"

using namespace foldertree;
using Labels = std::vector<std::wstring>;

TEST(FolderTreeRoute, SplitsAtBackslashesUpToFiftyComponents) {
    EXPECT_EQ((Labels{L"新闻", L"国内"}), SplitRoute(L"新闻\\国内"));
    EXPECT_EQ((Labels{L"新闻"}), SplitRoute(L"新闻"));
    EXPECT_EQ((Labels{L""}), SplitRoute(L""));
    // A backslash that starts the remaining text ends the split.
    EXPECT_EQ((Labels{L"\\新闻"}), SplitRoute(L"\\新闻"));
    EXPECT_EQ((Labels{L"a", L"\\b\\c"}), SplitRoute(L"a\\\\b\\c"));
    EXPECT_EQ((Labels{L"a", L""}), SplitRoute(L"a\\"));

    std::wstring deep;
    for (int i = 0; i < 60; ++i) deep += std::wstring(i ? L"\\" : L"") + (wchar_t)(L'A' + i % 26);
    Labels parts = SplitRoute(deep);
    ASSERT_EQ(50u, parts.size());
    EXPECT_EQ(L"A", parts[0]);
    EXPECT_EQ(std::wstring(1, (wchar_t)(L'A' + 49 % 26)), parts[49]);
    // Exactly fifty components keep the last one.
    std::wstring fifty = deep.substr(0, 50 * 2 - 1);
    EXPECT_EQ(50u, SplitRoute(fifty).size());
    EXPECT_EQ(std::wstring(1, (wchar_t)(L'A' + 49 % 26)), SplitRoute(fifty).back());
}

TEST(FolderTreePaths, LabelsBelowTheRootJoinedWithBackslashes) {
    EXPECT_EQ(L"我的网文", FolderPathFromLabels({L"我的网文"}));
    EXPECT_EQ(L"新闻", FolderPathFromLabels({L"我的网文", L"新闻"}));
    EXPECT_EQ(L"新闻\\国内", FolderPathFromLabels({L"我的网文", L"新闻", L"国内"}));
    // A folder named like the root keeps its place in the path.
    EXPECT_EQ(L"新闻\\我的网文\\国内", FolderPathFromLabels({L"我的网文", L"新闻", L"我的网文", L"国内"}));
    EXPECT_EQ(L"", FolderPathFromLabels({}));

    EXPECT_EQ(L"C:\\app\\新闻\\国外", RenameTargetPath(L"C:\\app\\", L"新闻\\国内", L"国外"));
    EXPECT_EQ(L"C:\\app\\小说", RenameTargetPath(L"C:\\app\\", L"新闻", L"小说"));
    std::wstring z = DoubleNulTerminated(L"C:\\a");
    ASSERT_EQ(5u, z.size());
    EXPECT_EQ(L'\0', z[4]);
    EXPECT_EQ(L'\0', z.c_str()[5]);
}

TEST(FolderTreeNewName, SuccessorOfTheLastNewFolderNameInVisibleOrder) {
    EXPECT_EQ(L"新文件夹", NextNewFolderName({}));
    EXPECT_EQ(L"新文件夹", NextNewFolderName({L"新闻", L"小说"}));
    EXPECT_EQ(L"新文件夹(1)", NextNewFolderName({L"新闻", L"新文件夹", L"小说"}));
    EXPECT_EQ(L"新文件夹(2)", NextNewFolderName({L"新文件夹", L"新文件夹(1)"}));
    EXPECT_EQ(L"新文件夹(1)", NextNewFolderName({L"新文件夹(1)", L"新文件夹"}));
    EXPECT_EQ(L"新文件夹(10)", NextNewFolderName({L"新文件夹(9)"}));
    EXPECT_EQ(L"新文件夹", NextNewFolderName({L"新文件夹(10)"}));
    EXPECT_EQ(L"新文件夹(4)", NextNewFolderName({L"新文件夹(3)", L"新文件夹(10)", L"新文件夹(0)", L"新文件夹(03)"}));
    EXPECT_EQ(L"新文件夹", NextNewFolderName({L"新文件夹 ", L"新文件夹(1) ", L"新文件夹（1）"}));
}

TEST(FolderTreeNewName, IllegalCharacters) {
    for (wchar_t c : std::wstring(L"\\/?*:<>|\"")) {
        EXPECT_TRUE(HasIllegalFolderChars(std::wstring(L"新") + c + L"闻")) << (int)c;
    }
    EXPECT_FALSE(HasIllegalFolderChars(L"新闻 (2) 国内.旧"));
    EXPECT_FALSE(HasIllegalFolderChars(L"新闻：国内"));   // full-width colon is a letter like any other
}

TEST(FolderTreeRules, AcceptedNamesKeepTheirNameOnDisk) {
    for (const wchar_t* name : {L"新闻", L" 国内", L"a.b", L"CONSOLE", L"COM", L"COM10", L"LPT", L"nul1", L"新闻：国内"})
        EXPECT_TRUE(IsAcceptedFolderName(name)) << (int)name[0];
    for (const wchar_t* name : {L"", L"国内.", L"国内 ", L"..", L"CON", L"prn", L"Aux.txt", L"NUL .x", L"COM1",
                                L"lpt9.doc", L"a\tb", L"a:b", L"conin$"})
        EXPECT_FALSE(IsAcceptedFolderName(name)) << (int)(name[0] ? name[0] : 0);
}
