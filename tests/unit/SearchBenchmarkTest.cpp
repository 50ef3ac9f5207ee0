// Figures of the text store for 10,000 web texts of about 20 KB in 50 folders:
// build time next to reading every file and taking out its reader text, query times,
// one saved text's update, store size next to the library's size (printed, not timed). The suite runs it on 500 texts; the
// full library takes minutes: ZELVANE_SEARCH_BENCHMARK=1, run the test program with
// --gtest_filter=SearchBenchmark* (ctest would stop it at its time limit).
#include <gtest/gtest.h>
#include "support/BenchmarkLibrary.h"
#include "support/Harness.h"
#include "search/ReaderText.h"
#include "search/TextStore.h"
#include <cstdio>

using namespace zt;

namespace {

double Ms(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return (b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart;
}

template <class F> double Time(F f) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    f();
    QueryPerformanceCounter(&b);
    return Ms(a, b);
}

LONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return 0;
    return ((LONGLONG)a.nFileSizeHigh << 32) | a.nFileSizeLow;
}

TEST(SearchBenchmark, TenThousandWebTextsInFiftyFolders) {
    // ZELVANE_SEARCH_BENCHMARK=1: 10,000 texts; any other number above 1: that many.
    const int kFolders = 50, kFiles = BenchmarkTexts(500);
    TempFolder dir(L"searchbench");
    LONGLONG librarySize = 0;
    std::vector<std::wstring> paths = WriteBenchmarkLibrary(dir.Path(), kFiles, kFolders, librarySize);

    std::printf("library written\n");
    std::fflush(stdout);
    LONGLONG readBytes = 0;
    double bare = Time([&] {
        std::vector<char> buf(1 << 16);
        for (auto& p : paths) {
            HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            DWORD got = 0;
            while (ReadFile(h, buf.data(), (DWORD)buf.size(), &got, nullptr) && got) readBytes += got;
            CloseHandle(h);
        }
    });
    ASSERT_EQ(librarySize, readBytes);
    // What the index build does besides indexing: reading, decoding and taking the text out.
    size_t textChars = 0;
    double extract = Time([&] {
        std::string bytes;
        std::wstring decoded;
        ReaderText text;
        for (auto& p : paths) {
            ASSERT_TRUE(::ReadFileBytes(p, bytes));
            FoldedReaderText(bytes, text, decoded);
            textChars += text.body.size();
        }
    });

    TextStore index(dir.Path());
    bool built = false;
    double build = Time([&] { built = index.Open() && index.Sync(); });
    ASSERT_TRUE(built);
    ASSERT_EQ(kFiles, index.Count());
    index.Close();
    LONGLONG indexSize = FileSize(dir.Path() + TextStore::kCatalogueName) + FileSize(dir.Path() + L"LibraryText-1.dat");
    double load = Time([&] { ASSERT_TRUE(index.Open()); });
    ASSERT_TRUE(index.Loaded());
    for (size_t at = 0; at < index.MappedBytes();) at = index.Prefault(at, 8 << 20);

    // Queries taken from a text in the middle, so each finds something.
    std::wstring sample = ReadTextFile(paths[kFiles / 2]);
    size_t at = sample.find(L"<P>") + 3 + 40;
    std::wstring two = sample.substr(at, 2), four = sample.substr(at + 10, 4);
    std::wstring words = sample.substr(at + 30, 3) + L" word" + L" 标记" + std::to_wstring(kFiles / 2);
    double unchanged = Time([&] { index.Sync(); });
    std::printf("library: %d files, %.1f MB in %d folders\n", kFiles, librarySize / 1048576.0, kFolders);
    std::printf("bare read %.0f ms; reading and taking out the reader text %.0f ms (%.1f M characters)\n", bare,
                extract, textChars / 1e6);
    std::printf("store build %.0f ms, %.2f x read + reader text (goal <= 2)\n", build, build / extract);
    std::printf("store size %.1f MB, %.2f x the library (goal <= 1.0); loaded again in %.1f ms\n",
                indexSize / 1048576.0, (double)indexSize / librarySize, load);
    std::printf("walk for changes (in the background of each search) %.0f ms\n", unchanged);
    // One saved text: read again and appended.
    std::wstring saved = paths[kFiles / 3];
    WriteBytes(saved, "\xFF\xFE" + std::string(reinterpret_cast<const char*>(L"<P>改过的</P>"), 20));
    double update = 1e9;
    for (int run = 0; run < 3; ++run) update = std::min(update, Time([&] { ASSERT_TRUE(index.UpdateFile(saved)); }));
    std::printf("one saved text's update %.2f ms (goal <= 5)\n", update);
    std::wstring absent = L"不存在的词语";
    for (const std::wstring* q : {&two, &four, &words, &absent}) {
        std::vector<SearchHit> hits;
        double best = 1e9;
        for (int run = 0; run < 3; ++run) best = std::min(best, Time([&] { ASSERT_TRUE(index.Search(*q, hits)); }));
        EXPECT_EQ(q == &absent, hits.empty());
        // The 3 words occur together in one text only.
        if (q == &words) {
            ASSERT_EQ(1u, hits.size());
            EXPECT_EQ(L"网文" + std::to_wstring(kFiles / 2) + L".htm", hits[0].name);
        }
        std::printf("query of %s: %.1f ms, %zu hits\n",
                    q == &two ? "2 characters" : q == &four ? "4 characters" : q == &words ? "3 words" : "an absent word",
                    best, hits.size());
    }
}

}  // namespace
