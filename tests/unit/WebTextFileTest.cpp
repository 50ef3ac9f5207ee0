// Name rules and the web-text file format.
#include <gtest/gtest.h>
#include "capture/WebTextFile.h"
#include "support/Harness.h"

namespace {

TEST(WebTextName, ProposedFromTheFirstCharacters) {
    EXPECT_EQ(L"ABCDEFGHIJ", ProposeWebTextName(L"ABCDEFGHIJKLMN", 10));
    EXPECT_EQ(L"ABCD", ProposeWebTextName(L"ABCD", 10));
    EXPECT_EQ(L"", ProposeWebTextName(L"ABCD", 0));
    EXPECT_EQ(L"", ProposeWebTextName(L"ABCD", -3));
    // A text starting with a table: no tab or line break in the name, nor blanks or dots at its ends.
    EXPECT_EQ(L"日期 标题 作者", ProposeWebTextName(L"\r\n 日期\t标题\r\n\t作者... 正文", 10));
}

// Names Windows would refuse or change are caught before anything is done.
TEST(WebTextName, NamesThatCannotBeFilesAreRefusedWithAReason) {
    const std::wstring dir = L"C:\\库\\新闻\\";
    auto problem = [&](const std::wstring& name) { return WebTextNameProblem(name, dir + name + L".htm"); };
    for (const wchar_t* fine : {L"", L"今日新闻", L"CONTACT", L"COM10", L"a.b", L" 前导空格", L"LPT"})
        EXPECT_EQ(L"", problem(fine)) << zt::Narrow(fine);
    EXPECT_EQ(kControlCharMessage, problem(L"日期\t标题"));
    EXPECT_EQ(kControlCharMessage, problem(L"x\x7F"));
    EXPECT_EQ(kTrailingDotMessage, problem(L"标题."));
    EXPECT_EQ(kTrailingDotMessage, problem(L"标题 "));
    for (const wchar_t* device : {L"CON", L"nul", L"Com1", L"LPT9", L"AUX.txt", L"PRN .x", L"CONOUT$"})
        EXPECT_NE(std::wstring::npos, problem(device).find(L"系统保留的设备名")) << zt::Narrow(device);
    EXPECT_EQ(L"“CON”是系统保留的设备名，不能用作文件名，请换一个名称！", problem(L"CON"));
    EXPECT_EQ(kPathTooLongMessage, problem(std::wstring(250, L'长')));
    EXPECT_EQ(kPathTooLongMessage, WebTextNameProblem(L"短", std::wstring(300, L'x') + L"\\短.htm"));
}

TEST(WebTextName, IllegalCharactersAndCleaning) {
    for (const wchar_t* bad : {L"a:b", L"a/b", L"a\\b", L"a?", L"*", L"<", L">", L"|", L"\"q\""})
        EXPECT_TRUE(HasIllegalNameChar(bad)) << zt::Narrow(bad);
    EXPECT_FALSE(HasIllegalNameChar(L"今日新闻 标题&1"));
    EXPECT_FALSE(HasIllegalNameChar(L""));
    EXPECT_EQ(std::wstring(L"目录中含有非法字符：\\ / ? * : \" < > | ！"), kIllegalNameMessage);
    EXPECT_EQ(L"a\uFF1Ab\uFF1Fcdefgh", CleanFileName(L"a:b?<c>/d\"e\\f*g|h"));
    EXPECT_EQ(L"line1line2line3\n", CleanFileName(L"line1\r\nline2\rline3\n"));
}

TEST(WebTextFormat, WrapperAndFolderFileUrl) {
    EXPECT_EQ(L"<HTML><HEAD><TITLE>A&B</TITLE></HEAD><BODY><p>x</p></BODY></HTML>", WrapWebText(L"A&B", L"<p>x</p>"));
    EXPECT_EQ(L"file:///C:/Lib/散文/", FolderFileUrl(L"C:\\Lib\\", L"散文"));
    EXPECT_EQ(L"file:///C:/Lib/新闻/国内/", FolderFileUrl(L"C:\\Lib\\", L"新闻\\国内"));
    std::wstring html = L"<img src=\"file:///C:/Lib/散文/images/1.jpg\"><img src=\"file:///C:/Lib/散文/images/2.jpg\">";
    std::wstring other = html;
    RemoveFolderFileUrl(html, L"C:\\Lib\\", L"散文");
    EXPECT_EQ(L"<img src=\"images/1.jpg\"><img src=\"images/2.jpg\">", html);
    RemoveFolderFileUrl(other, L"C:\\Lib\\", L"新闻");
    EXPECT_EQ(std::wstring::npos, other.find(L"\"images/"));

    // The platform engine resolves against the escaped document URL: both forms go,
    // but only when the document lies in the folder saved to.
    const std::wstring doc = L"file:///C:/My%20Lib/散文/old%20name.htm";
    std::wstring escaped = L"<img src=\"file:///C:/My%20Lib/散文/images/1.jpg\">"
                           L"<img src=\"file:///C:/My Lib/散文/images/2.jpg\">";
    std::wstring elsewhere = escaped;
    RemoveFolderFileUrl(escaped, L"C:\\My Lib\\", L"散文", doc);
    EXPECT_EQ(L"<img src=\"images/1.jpg\"><img src=\"images/2.jpg\">", escaped);
    RemoveFolderFileUrl(elsewhere, L"C:\\My Lib\\", L"新闻", doc);
    EXPECT_EQ(std::wstring::npos, elsewhere.find(L"\"images/"));
    std::wstring blank = L"<a href=\"about:blank#x\">";
    RemoveFolderFileUrl(blank, L"C:\\My Lib\\", L"散文", L"about:blank");
    EXPECT_EQ(L"<a href=\"about:blank#x\">", blank);
}

class WebTextWriter : public ::testing::Test {
protected:
    int FileCount() { return zt::CountFiles(dir); }
    zt::TempFolder folder{L"写入"};
    const std::wstring dir = folder.NoSlash();
};

TEST_F(WebTextWriter, WritesBomAndUtf16WithoutTerminatorAndOverwrites) {
    std::wstring path = dir + L"\\标题.htm";
    ASSERT_EQ(0u, WriteWebTextFile(path, L"old text that is longer"));
    std::wstring text = WrapWebText(L"标题", L"<p>正文</p>");
    ASSERT_EQ(0u, WriteWebTextFile(path, text));
    auto bytes = zt::ReadBytes(path);
    ASSERT_EQ(2 + text.size() * 2, bytes.size());
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    EXPECT_EQ(0, memcmp(bytes.data() + 2, text.data(), text.size() * 2));
    EXPECT_EQ(1, FileCount());   // no temporary file left
}

TEST_F(WebTextWriter, InterruptedBeforeReplacementKeepsTheOldFileWhole) {
    std::wstring path = dir + L"\\散文.htm";
    ASSERT_EQ(0u, WriteWebTextFile(path, L"edited before"));
    auto before = zt::ReadBytes(path);
    std::wstring tempSeen;
    DWORD r = WriteWebTextFile(path, L"the new version", [&](const std::wstring& temp) {
        tempSeen = temp;
        // The new text is complete on disk before the old file is touched.
        EXPECT_EQ(L"the new version", zt::ReadTextFile(temp));
        return false;   // stop here, as a crash would
    });
    EXPECT_NE(0u, r);
    EXPECT_EQ(before, zt::ReadBytes(path));
    EXPECT_EQ(dir, tempSeen.substr(0, dir.size()));
    EXPECT_NE(L".htm", tempSeen.substr(tempSeen.size() - 4));   // never listed as a web text
}

TEST_F(WebTextWriter, MissingFolderOrDirectoryInTheWayIsAnError) {
    EXPECT_NE(0u, WriteWebTextFile(dir + L"\\无此目录\\a.htm", L"x"));
    CreateDirectoryW((dir + L"\\b.htm").c_str(), nullptr);
    EXPECT_NE(0u, WriteWebTextFile(dir + L"\\b.htm", L"x"));
    EXPECT_EQ(0, FileCount());
}

}  // namespace
