// The library's text store on real folders: what a search finds, how the store follows
// the files on disk, damaged store files, a kill during a rewrite, and the duplicate notice.
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
    TextStore index{dir.Path()};

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
    ASSERT_TRUE(index.Open());
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
    ASSERT_TRUE(index.Open());
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

// The store's own checksum, to make a record that is whole but lies.
DWORD Crc32(const unsigned char* p, size_t n) {
    DWORD c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

TEST_F(SearchLibrary, DamagedStoreFilesAreRebuiltWithoutACrash) {
    Save(L"新闻\\甲.htm", L"<P>存储损坏之后仍能找到</P>");
    Save(L"小说\\乙.htm", L"<P>第二篇也在</P>");
    const std::wstring cat = dir.Path() + TextStore::kCatalogueName, data = dir.Path() + L"LibraryText-1.dat";
    WriteBytes(dir.Path() + L"LibraryIndex.db", std::string(5000, 'x'));   // an earlier version's index
    {
        ASSERT_TRUE(index.Open());
        EXPECT_FALSE(index.Loaded());
        ASSERT_TRUE(index.Sync());
        index.Close();
    }
    EXPECT_FALSE(FileExists(dir.Path() + L"LibraryIndex.db"));
    const std::vector<unsigned char> goodCat = ReadBytes(cat), goodData = ReadBytes(data);
    ASSERT_GT(goodCat.size(), 40u);
    {
        TextStore whole(dir.Path());
        ASSERT_TRUE(whole.Open());
        EXPECT_TRUE(whole.Loaded());
        EXPECT_EQ(2, whole.Count());
    }
    // The first record's text length made to point far past the data file's end, its
    // checksum made right; the data file cut short; a record's length pointing past the
    // catalogue's end; a file that is no store at all.
    for (const char* damage : {"length", "data cut", "record cut", "garbage"}) {
        std::string c(goodCat.begin(), goodCat.end()), d(goodData.begin(), goodData.end());
        std::string what = damage;
        if (what == "length") {
            DWORD len = 0, huge = 0x7FFFFFF0;
            memcpy(&len, &c[16], 4);
            memcpy(&c[24 + 1 + 8 + 4], &huge, 4);   // record header, kind, offset, title length: text length
            DWORD crc = Crc32(reinterpret_cast<const unsigned char*>(&c[24]), len);
            memcpy(&c[20], &crc, 4);
        } else if (what == "data cut") {
            d.resize(d.size() / 2);
        } else if (what == "record cut") {
            DWORD huge = 0x00FFFFFF;
            memcpy(&c[16], &huge, 4);
        } else {
            c = "not a store at all";
        }
        WriteBytes(cat, c);
        WriteBytes(data, d);

        LibrarySearch search(dir.Path(), nullptr);
        search.Start();
        std::vector<SearchHit> hits;
        ASSERT_TRUE(WaitFor([&] { return search.Ready(); }, 20000)) << damage;
        EXPECT_EQ(LibrarySearch::Outcome::Found, search.Search(L"损坏之后", hits));
        ASSERT_TRUE(search.WaitForWalk(20000));
        EXPECT_EQ(LibrarySearch::Outcome::Found, search.Search(L"损坏之后", hits));
        ASSERT_EQ(1u, hits.size()) << damage;
        EXPECT_EQ(L"甲.htm", hits[0].name);
        EXPECT_EQ(LibrarySearch::Outcome::Found, search.Search(L"第二篇", hits));
        EXPECT_EQ(1u, hits.size()) << damage;
    }
}

// Run by the test below as a process of its own, which it ends at some moment: rewrites
// the store of the folder named by ZELVANE_REWRITE_DIR again and again.
TEST(TextStoreRewriter, RewritesUntilEnded) {
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"ZELVANE_REWRITE_DIR", folder, MAX_PATH)) GTEST_SKIP() << "started by KilledDuringARewrite";
    TextStore store(folder);
    ASSERT_TRUE(store.Open());
    ASSERT_TRUE(store.Loaded());
    // Ended from outside; a minute at most should that fail.
    for (DWORD start = GetTickCount(), n = 0; GetTickCount() - start < 60000; ++n) {
        ASSERT_TRUE(store.CompactIfNeeded(true));
        if (n == 0) WriteBytes(std::wstring(folder) + L"rewriting", "1");
    }
}

TEST_F(SearchLibrary, KilledDuringARewriteLeavesASearchableStore) {
    // About 3 MB of texts, so that a rewrite takes a while.
    std::wstring filler;
    for (int i = 0; i < 400; ++i) filler += L"<P>填充的段落文字" + std::to_wstring(i) + L"</P>";
    for (int i = 0; i < 150; ++i) Save(L"小说\\篇" + std::to_wstring(i) + L".htm", L"<P>共同的词</P>" + filler);
    ASSERT_TRUE(index.Open());
    ASSERT_TRUE(index.Sync());
    index.Close();
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_filter=TextStoreRewriter.RewritesUntilEnded";
    SetEnvironmentVariableW(L"ZELVANE_REWRITE_DIR", dir.Path().c_str());
    int killedWhileRewriting = 0;
    for (int run = 0; run < 4; ++run) {
        DeleteFileW((dir.Path() + L"rewriting").c_str());
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
        bool rewriting = WaitFor([&] { return FileExists(dir.Path() + L"rewriting"); }, 30000, 10);
        Sleep(7 * run);   // ended at another moment of a rewrite each time
        killedWhileRewriting += rewriting && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT;
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);

        TextStore after(dir.Path());
        ASSERT_TRUE(after.Open());
        EXPECT_TRUE(after.Loaded()) << "run " << run << ": the store was lost";
        EXPECT_EQ(150, after.Count());
        std::vector<SearchHit> hits;
        ASSERT_TRUE(after.Search(L"共同的词 段落文字399", hits));
        EXPECT_EQ(150u, hits.size()) << "run " << run;
    }
    SetEnvironmentVariableW(L"ZELVANE_REWRITE_DIR", nullptr);
    EXPECT_EQ(4, killedWhileRewriting);
}

TEST_F(SearchLibrary, DuplicateNoticeNamesTheSavedFileOrTheEditor) {
    Save(L"新闻\\国内\\旧闻.htm", L"<P>这是一段<B>早已保存</B>的网文，内容较长。</P><P>第二段</P>");
    LibrarySearch search(dir.Path(), nullptr);
    // While the store is built nothing is claimed.
    EXPECT_EQ(L"", DuplicateNotice(&search, L"<P>这是一段早已保存的网文</P>", L""));
    search.Start();
    ASSERT_TRUE(WaitFor([&] { return search.Ready(); }, 20000));
    EXPECT_EQ(L"这段网文已保存在：新闻\\国内\\旧闻.htm",
              DuplicateNotice(&search, L"<SPAN>这是一段早已保存的</SPAN>网文，内容较长。", L"<P>别的</P>"));
    EXPECT_EQ(L"", DuplicateNotice(&search, L"<P>一段从未保存过的新网文</P>", L"<P>别的</P>"));
    EXPECT_EQ(L"这段网文已在编辑器中", DuplicateNotice(&search, L"<P>编辑器里已有</P>", L"<P>前文</P><P>编辑器里已有</P>"));
    EXPECT_EQ(L"", DuplicateNotice(&search, L"<IMG src=\"a.png\">", L"<IMG src=\"a.png\">"));
}

// What the store keeps of a file, taken out in one pass, is the reader text folded, for the
// program's UTF-16 files and hand-copied UTF-8 ones alike; unfinished comments, scripts and
// titles end with the file.
TEST(StoredReaderText, OnePassIsTheReaderTextFolded) {
    struct Case { const wchar_t* html; const wchar_t* title; const wchar_t* body; } cases[] = {
        {L"<HTML><HEAD><TITLE> Mars  &AMP; 火星 </TITLE><STYLE>p{}</STYLE></HEAD><BODY><P>\xFF21&nbsp;B&#x4E2D;&#20013;"
         L"<!-- x --></P><SCRIPT>if (a<b) x=\"</P>\";</SCRIPT >\t尾\x3000 &unknown; &#0;&#x1F600;</BODY></HTML>",
         L"mars & 火星", L"\xFF41 b中中 尾 &unknown; \xFFFD\xD83D\xDE00"},
        {L"<P class=\"a>b\">前<!-- 没有结束 -- >", L"", L"前"},
        {L"词<B>语</B><script>var x = '</scrip'", L"", L"词语"},
        {L"<title>标题 Ab<BR>一", L"标题 ab 一", L""},
    };
    for (auto& c : cases) {
        std::wstring html = c.html;
        ReaderText plain = ExtractReaderText(html);
        EXPECT_EQ(c.title, FoldForSearch(plain.title)) << Narrow(html);
        EXPECT_EQ(c.body, FoldForSearch(plain.body)) << Narrow(html);
        std::string utf16 = "\xFF\xFE" + std::string(reinterpret_cast<const char*>(html.data()), html.size() * 2);
        ReaderText folded;
        std::wstring decoded;
        for (const std::string& bytes : {utf16, Narrow(html)}) {
            FoldedReaderText(bytes, folded, decoded);
            EXPECT_EQ(c.title, folded.title) << Narrow(html);
            EXPECT_EQ(c.body, folded.body) << Narrow(html);
        }
    }
}

}  // namespace
