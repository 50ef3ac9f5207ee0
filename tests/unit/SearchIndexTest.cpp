// The library index on real folders: what a search finds, how the index follows
// the files on disk, a damaged index file, and the duplicate notice.
#include <gtest/gtest.h>
#include "support/Harness.h"
#include "capture/WebTextFile.h"
#include "search/DuplicateCheck.h"
#include "search/LibrarySearch.h"
#include "search/ReaderText.h"
#include <algorithm>

using namespace zt;

namespace {

class SearchLibrary : public ::testing::Test {
protected:
    TempFolder dir{L"search"};
    SearchIndex index{dir.Path()};

    void SetUp() override {
        for (const wchar_t* f : {L"新闻", L"新闻\\国内", L"小说", L"新闻\\images"})
            CreateDirectoryW((dir.Path() + f).c_str(), nullptr);
    }
    void Save(const std::wstring& rel, const std::wstring& body) {
        std::wstring name = rel.substr(rel.find_last_of(L'\\') + 1);
        name = name.substr(0, name.size() - 4);
        ASSERT_EQ(0u, WriteWebTextFile(dir.Path() + rel, WrapWebText(name, body)));
    }
    // folder\name of every hit, in the order found.
    std::vector<std::wstring> Find(const std::wstring& query) {
        std::vector<SearchHit> hits;
        EXPECT_TRUE(index.Search(query, hits)) << Narrow(query);
        std::vector<std::wstring> out;
        for (auto& h : hits) out.push_back(h.folder + L"\\" + h.name);
        return out;
    }
    using Paths = std::vector<std::wstring>;
};

TEST_F(SearchLibrary, FindsWordsOfTitleAndReaderTextOnlyWithSyntaxTakenLiterally) {
    Save(L"新闻\\火星探测.htm", L"<P>我国的<B>火星探测器</B>成功着陆 Mars Rover 2021</P>"
                              L"<IMG src=\"images/kepler.png\" alt=\"开普勒\"><!-- 注释里的词 -->");
    Save(L"新闻\\国内\\天气.htm", L"<P>今天北京天气晴朗，适合户外 &quot;NEAR&quot; AND-OR * 活动</P>"
                                L"<SCRIPT>var 脚本词 = 1;</SCRIPT>");
    Save(L"小说\\长篇.htm", L"<DIV>火星上的故事，第一章：mars attacks</DIV>");
    WriteBytes(dir.Path() + L"新闻\\images\\图.htm", "\xEF\xBB\xBF<P>火星图片</P>");   // pictures' folder: no web text
    ASSERT_TRUE(index.Open(dir.Path() + L"index.db"));
    ASSERT_TRUE(index.Sync());
    EXPECT_EQ(3, index.Count());

    // Chinese by substring, of three characters and more, two, and one.
    EXPECT_EQ(Paths{L"新闻\\火星探测.htm"}, Find(L"火星探测器"));
    Paths mars = Find(L"火星");
    std::sort(mars.begin(), mars.end());
    EXPECT_EQ((Paths{L"小说\\长篇.htm", L"新闻\\火星探测.htm"}), mars);
    EXPECT_EQ(Paths{L"新闻\\国内\\天气.htm"}, Find(L"晴"));
    // Mixed Chinese and Latin words, all of which must occur, case-insensitively.
    EXPECT_EQ(Paths{L"新闻\\火星探测.htm"}, Find(L"mars  着陆 ROVER"));
    EXPECT_EQ(Paths{L"小说\\长篇.htm"}, Find(L"MARS 故事"));
    EXPECT_EQ(Paths{}, Find(L"火星 晴朗"));
    EXPECT_EQ(Paths{}, Find(L"木星"));
    EXPECT_EQ(Paths{}, Find(L"木星探测器"));
    // The title (the file's name) counts; attribute values, comments and scripts don't.
    EXPECT_EQ(Paths{L"新闻\\国内\\天气.htm"}, Find(L"天气"));
    EXPECT_EQ(Paths{}, Find(L"开普勒"));
    EXPECT_EQ(Paths{}, Find(L"kepler"));
    EXPECT_EQ(Paths{}, Find(L"注释里"));
    EXPECT_EQ(Paths{}, Find(L"脚本词"));
    // Query syntax is plain text: found where it is written, nowhere else, never an error.
    EXPECT_EQ(Paths{L"新闻\\国内\\天气.htm"}, Find(L"\"near\""));
    EXPECT_EQ(Paths{L"新闻\\国内\\天气.htm"}, Find(L"AND-OR *"));
    EXPECT_EQ(Paths{}, Find(L"火星 NEAR"));
    EXPECT_EQ(Paths{}, Find(L"火星*"));
    EXPECT_EQ(Paths{}, Find(L"\"火星"));
    EXPECT_EQ(Paths{}, Find(L"-火星 ("));
    // A title hit ranks above a text hit.
    Save(L"小说\\晴朗.htm", L"<P>无关</P>");
    ASSERT_TRUE(index.Sync());
    Paths sunny = Find(L"晴朗");
    ASSERT_EQ(2u, sunny.size());
    EXPECT_EQ(L"小说\\晴朗.htm", sunny[0]);
    // Every trigram of a word may occur apart from the others: the word itself must.
    Save(L"小说\\片段.htm", L"<P>火星探x 星探测y Abcx bcdy</P>");
    ASSERT_TRUE(index.Sync());
    EXPECT_EQ(Paths{L"新闻\\火星探测.htm"}, Find(L"火星探测"));
    EXPECT_EQ(Paths{}, Find(L"abcd"));
    EXPECT_EQ(Paths{L"小说\\片段.htm"}, Find(L"ABCX bcdY"));
}

TEST_F(SearchLibrary, FollowsSavesMovesRenamesDeletesAndFilesChangedOutside) {
    Save(L"新闻\\甲.htm", L"<P>独一无二的句子</P>");
    ASSERT_TRUE(index.Open(dir.Path() + L"index.db"));
    ASSERT_TRUE(index.Sync());
    EXPECT_EQ(Paths{L"新闻\\甲.htm"}, Find(L"独一无二"));

    // What the program's own operations report.
    Save(L"小说\\乙.htm", L"<P>第二篇文章</P>");
    ASSERT_TRUE(index.UpdateFile(dir.Path() + L"小说\\乙.htm"));
    EXPECT_EQ(Paths{L"小说\\乙.htm"}, Find(L"第二篇"));
    ASSERT_TRUE(MoveFileW((dir.Path() + L"新闻\\甲.htm").c_str(), (dir.Path() + L"新闻\\国内\\甲.htm").c_str()));
    ASSERT_TRUE(index.MoveFile(dir.Path() + L"新闻\\甲.htm", dir.Path() + L"新闻\\国内\\甲.htm"));
    EXPECT_EQ(Paths{L"新闻\\国内\\甲.htm"}, Find(L"独一无二"));
    ASSERT_TRUE(MoveFileW((dir.Path() + L"新闻\\国内\\甲.htm").c_str(), (dir.Path() + L"新闻\\国内\\丙丁.htm").c_str()));
    ASSERT_TRUE(index.MoveFile(dir.Path() + L"新闻\\国内\\甲.htm", dir.Path() + L"新闻\\国内\\丙丁.htm"));
    EXPECT_EQ(Paths{L"新闻\\国内\\丙丁.htm"}, Find(L"丙丁"));
    ASSERT_TRUE(DeleteFileW((dir.Path() + L"小说\\乙.htm").c_str()));
    ASSERT_TRUE(index.RemoveFile(dir.Path() + L"小说\\乙.htm"));
    EXPECT_EQ(Paths{}, Find(L"第二篇"));

    // Changes nobody reported: a file copied in by hand (UTF-8), one rewritten,
    // one renamed and one deleted outside the program, noticed at the next sync.
    WriteBytes(dir.Path() + L"小说\\手工.htm", "<html><title>x</title><body>\xE6\x89\x8B\xE5\xB7\xA5\xE5\xA4\x8D\xE5\x88\xB6</body></html>");
    Save(L"新闻\\国内\\丙丁.htm", L"<P>改写之后的内容</P>");
    FILETIME later;
    GetSystemTimeAsFileTime(&later);
    ULARGE_INTEGER t{{later.dwLowDateTime, later.dwHighDateTime}};
    t.QuadPart += 20000000;   // a change within the same tick counts too
    later = {t.LowPart, t.HighPart};
    HANDLE h = CreateFileW((dir.Path() + L"新闻\\国内\\丙丁.htm").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &later);
    CloseHandle(h);
    ASSERT_TRUE(index.Sync());
    EXPECT_EQ(Paths{L"小说\\手工.htm"}, Find(L"手工复制"));
    EXPECT_EQ(Paths{}, Find(L"独一无二"));
    EXPECT_EQ(Paths{L"新闻\\国内\\丙丁.htm"}, Find(L"改写之后"));
    ASSERT_TRUE(MoveFileW((dir.Path() + L"小说\\手工.htm").c_str(), (dir.Path() + L"新闻\\手工.htm").c_str()));
    ASSERT_TRUE(DeleteFileW((dir.Path() + L"新闻\\国内\\丙丁.htm").c_str()));
    ASSERT_TRUE(index.Sync());
    EXPECT_EQ(Paths{L"新闻\\手工.htm"}, Find(L"手工复制"));
    EXPECT_EQ(Paths{}, Find(L"改写之后"));
    EXPECT_EQ(1, index.Count());
}

TEST_F(SearchLibrary, ADamagedIndexFileIsRebuiltInTheBackground) {
    Save(L"新闻\\甲.htm", L"<P>索引损坏之后仍能找到</P>");
    const std::wstring db = dir.Path() + LibrarySearch::kIndexFileName;
    {
        ASSERT_TRUE(index.Open(db));
        ASSERT_TRUE(index.Sync());
        index.Close();
    }
    // Pages in the middle overwritten, then a file that is no database at all.
    for (const char* damage : {"pages", "garbage"}) {
        std::vector<unsigned char> bytes = ReadBytes(db);
        ASSERT_GT(bytes.size(), 8192u);
        std::string broken(bytes.begin(), bytes.end());
        if (std::string(damage) == "pages") {
            for (size_t i = 4096; i < broken.size(); ++i) broken[i] = (char)(i * 7);
        } else {
            broken = "not an index";
        }
        WriteBytes(db, broken);
        DeleteFileW((db + L"-wal").c_str());
        DeleteFileW((db + L"-shm").c_str());

        LibrarySearch search(dir.Path(), nullptr);
        search.Start();
        std::vector<SearchHit> hits;
        ASSERT_TRUE(WaitFor([&] { return search.Ready(); }, 20000)) << damage;
        EXPECT_EQ(LibrarySearch::Outcome::Found, search.Search(L"损坏之后", hits));
        ASSERT_EQ(1u, hits.size()) << damage;
        EXPECT_EQ(L"甲.htm", hits[0].name);
    }
}

TEST_F(SearchLibrary, DuplicateNoticeNamesTheSavedFileOrTheEditor) {
    Save(L"新闻\\国内\\旧闻.htm", L"<P>这是一段<B>早已保存</B>的网文，内容较长。</P><P>第二段</P>");
    LibrarySearch search(dir.Path(), nullptr);
    // While the index is built nothing is claimed.
    EXPECT_EQ(L"", DuplicateNotice(&search, L"<P>这是一段早已保存的网文</P>", L""));
    search.Start();
    ASSERT_TRUE(WaitFor([&] { return search.Ready(); }, 20000));
    EXPECT_EQ(L"这段网文已保存在：新闻\\国内\\旧闻.htm",
              DuplicateNotice(&search, L"<SPAN>这是一段早已保存的</SPAN>网文，内容较长。", L"<P>别的</P>"));
    EXPECT_EQ(L"", DuplicateNotice(&search, L"<P>一段从未保存过的新网文</P>", L"<P>别的</P>"));
    EXPECT_EQ(L"这段网文已在编辑器中", DuplicateNotice(&search, L"<P>编辑器里已有</P>", L"<P>前文</P><P>编辑器里已有</P>"));
    EXPECT_EQ(L"", DuplicateNotice(&search, L"<IMG src=\"a.png\">", L"<IMG src=\"a.png\">"));
}

}  // namespace
