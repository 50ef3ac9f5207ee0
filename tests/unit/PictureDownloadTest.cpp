// Picture downloads from a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>
#include "capture/ImageLocalizer.h"
#include "capture/PictureDownloader.h"
#include "support/Harness.h"
#include "support/HttpServer.h"
#include <objbase.h>
#include <algorithm>

namespace {

// Bytes of a picture of the kind that `signature` starts.
std::string Picture(char seed, size_t size, const std::string& signature = std::string("\x89PNG\r\n\x1a\n", 8)) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = (char)(seed + i * 7);
    return signature + s;
}

bool Download(const std::wstring& url, const std::wstring& file) {
    std::wstring type;
    return DownloadPicture(url, file, type);
}

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

class Downloads : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
    int FileCount() { return zt::CountFiles(dir); }
    zt::TempFolder folder{L"图片"};
    const std::wstring dir = folder.Path();
};

TEST_F(Downloads, OnlyRealPicturesAreSaved) {
    zt::HttpServer server;
    ASSERT_TRUE(server.Running());
    std::string gif = Picture('G', 3000, "GIF89a");
    server.Put(L"pics/a.gif", gif);
    EXPECT_TRUE(Download(server.Url(L"/pics/a.gif"), dir + L"a.gif"));
    EXPECT_EQ(Bytes(gif), zt::ReadBytes(dir + L"a.gif"));
    EXPECT_TRUE(Download(server.Url(L"/redirect/pics/a.gif"), dir + L"r.gif"));
    EXPECT_EQ(Bytes(gif), zt::ReadBytes(dir + L"r.gif"));
    // An error page is no picture; a closed port gives nothing either.
    EXPECT_FALSE(Download(server.Url(L"/pics/missing.gif"), dir + L"m.gif"));
    EXPECT_FALSE(zt::FileExists(dir + L"m.gif"));
    EXPECT_FALSE(Download(L"http://127.0.0.1:1/a.gif", dir + L"c.gif"));
    EXPECT_FALSE(zt::FileExists(dir + L"c.gif"));
    EXPECT_EQ(2, FileCount());
}

TEST_F(Downloads, LocalizedHtmlMatchesTheFilesSaved) {
    zt::HttpServer server;
    ASSERT_TRUE(server.Running());
    std::string jpeg = Picture('J', 5000, "\xFF\xD8\xFF\xE0"), webp = Picture('W', 800, std::string("RIFF\x20\x03\0\0WEBPVP8 ", 16)),
                php = Picture('P', 1200);
    server.Put(L"b.jpeg", jpeg);
    server.Put(L"c.webp", webp);
    server.Put(L"q.php", php);
    std::wstring html = L"<p>..<img src=\"" + server.Url(L"/b.jpeg") + L"\"> <img src=\"" + server.Url(L"/c.webp") +
                        L"\"> <img src=\"" + server.Url(L"/q.php?id=1&amp;t=.gif") + L"\"> <img src=\"" +
                        server.Url(L"/gone.png") + L"\"> <img src=\"http://127.0.0.1:1/x.gif\"> <img src=\"" +
                        server.Url(L"/b.jpeg") + L"\"></p>";
    LocalizeResult r = LocalizeImagesInto(dir, html, DownloadPicture);
    EXPECT_EQ(3, r.processed);
    EXPECT_EQ(2, r.failed);
    EXPECT_EQ(3, FileCount());
    // Every local reference names a saved file holding what the server served.
    std::vector<std::vector<unsigned char>> served = {Bytes(jpeg), Bytes(webp), Bytes(php)};
    size_t at = 0;
    int refs = 0;
    while ((at = html.find(L"\"images/", at)) != std::wstring::npos) {
        size_t end = html.find(L'"', at + 1);
        std::wstring name = html.substr(at + 8, end - at - 8);
        auto bytes = zt::ReadBytes(dir + name);
        EXPECT_NE(served.end(), std::find(served.begin(), served.end(), bytes)) << zt::Narrow(name);
        ++refs;
        at = end;
    }
    EXPECT_EQ(4, refs);   // b.jpeg twice
    EXPECT_NE(std::wstring::npos, html.find(server.Url(L"/gone.png")));
    EXPECT_NE(std::wstring::npos, html.find(L"http://127.0.0.1:1/x.gif"));
    EXPECT_NE(std::wstring::npos, html.find(L".jpeg\""));
    EXPECT_NE(std::wstring::npos, html.find(L".webp\""));
    EXPECT_NE(std::wstring::npos, html.find(L".png\""));   // q.php served a PNG
}

// A server that does not answer in time gives a failed picture and no file; the
// Content-Type of an answer is reported.
TEST_F(Downloads, SlowAnswersFailAfterTheTimeLimit) {
    zt::HttpServer slow(4000), quick;
    ASSERT_TRUE(slow.Running() && quick.Running());
    slow.Put(L"a.png", Picture('S', 100));
    quick.Put(L"t.png", Picture('T', 100));
    quick.Put(L"t.png.type", "image/png");
    std::wstring type;
    DWORD t0 = GetTickCount();
    EXPECT_FALSE(DownloadPictureWithin(slow.Url(L"/a.png"), dir + L"a.png", type, 1000));
    DWORD took = GetTickCount() - t0;
    EXPECT_LT(took, 3500u);
    EXPECT_FALSE(zt::FileExists(dir + L"a.png"));
    EXPECT_TRUE(DownloadPictureWithin(quick.Url(L"/t.png"), dir + L"t.png", type, 1000));
    EXPECT_EQ(L"image/png", type);
}

TEST_F(Downloads, ExistingPicturesAreNeverOverwritten) {
    zt::HttpServer server;
    ASSERT_TRUE(server.Running());
    server.Put(L"a.gif", Picture('A', 100, "GIF87a"));
    std::wstring html = L"<p>..<img src=\"" + server.Url(L"/a.gif") + L"\"></p>";
    // Occupy every name the stem could take in the next seconds.
    SYSTEMTIME t;
    GetLocalTime(&t);
    std::vector<std::wstring> planted;
    for (int s = 0; s < 5; ++s) {
        FILETIME ft;
        SystemTimeToFileTime(&t, &ft);
        ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
        u.QuadPart += (ULONGLONG)s * 10000000ULL;
        ft = {u.LowPart, u.HighPart};
        SYSTEMTIME st;
        FileTimeToSystemTime(&ft, &st);
        std::wstring name = std::to_wstring(st.wYear) + std::to_wstring(st.wMonth) + std::to_wstring(st.wDay) +
                            std::to_wstring(st.wHour) + std::to_wstring(st.wMinute) + std::to_wstring(st.wSecond) +
                            L"5.gif";
        zt::WriteBytes(dir + name, "older picture");
        planted.push_back(name);
    }
    LocalizeResult r = LocalizeImagesInto(dir, html, DownloadPicture);
    EXPECT_EQ(1, r.processed);
    for (auto& name : planted) EXPECT_EQ(Bytes("older picture"), zt::ReadBytes(dir + name)) << zt::Narrow(name);
    EXPECT_NE(std::wstring::npos, html.find(L"_1.gif\""));
}

TEST_F(Downloads, ParallelRunGivesTheSequentialResults) {
    zt::HttpServer server(50);
    ASSERT_TRUE(server.Running());
    std::vector<DownloadTask> one, many;
    for (int i = 0; i < 12; ++i) {
        if (i % 3) server.Put(std::to_wstring(i) + L".gif", Picture((char)i, 200 + i));
        std::wstring url = server.Url(L"/" + std::to_wstring(i) + L".gif");
        one.push_back({url, dir + L"s" + std::to_wstring(i) + L".gif", false, L"", L"", L""});
        many.push_back({url, dir + L"p" + std::to_wstring(i) + L".gif", false, L"", L"", L""});
    }
    std::vector<std::pair<int, int>> seen;
    RunDownloads(one, DownloadPicture, 1, nullptr);
    RunDownloads(many, DownloadPicture, 8, [&](int done, int total) { seen.push_back({done, total}); });
    for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_EQ(one[i].ok, many[i].ok) << i;
        EXPECT_EQ(i % 3 != 0, many[i].ok) << i;
        EXPECT_EQ(zt::ReadBytes(one[i].file), zt::ReadBytes(many[i].file)) << i;
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(std::make_pair(12, 12), seen.back());
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_LT(seen[i - 1].first, seen[i].first);
}

// Prints the figures; the bound is the one the program promises.
TEST_F(Downloads, FortyDelayedPicturesBenchmark) {
    const DWORD delay = 100;
    zt::HttpServer server(delay);
    ASSERT_TRUE(server.Running());
    std::wstring html = L"<p>..";
    for (int i = 0; i < 40; ++i) {
        server.Put(std::to_wstring(i) + L".png", Picture((char)i, 2000));
        html += L"<img src=\"" + server.Url(L"/" + std::to_wstring(i) + L".png") + L"\">";
    }
    html += L"</p>";
    // Warm urlmon up once, as a running program would be.
    ASSERT_TRUE(Download(server.Url(L"/0.png"), dir + L"warm.png"));
    std::wstring none = L"<p>no pictures</p>";
    DWORD t0 = GetTickCount();
    LocalizeImagesInto(dir, none, DownloadPicture);
    DWORD base = GetTickCount() - t0;
    t0 = GetTickCount();
    LocalizeResult r = LocalizeImagesInto(dir, html, DownloadPicture);
    DWORD took = GetTickCount() - t0;
    DWORD bound = delay * 15 / 10 + base;
    printf("40 pictures, %lu ms delay each: %lu ms (without pictures: %lu ms; bound %lu ms: %s)\n",
           (unsigned long)delay, (unsigned long)took, (unsigned long)base, (unsigned long)bound,
           took <= bound ? "within" : "over");
    EXPECT_EQ(40, r.processed);
}

}  // namespace
