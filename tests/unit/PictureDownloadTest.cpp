// Picture downloads from a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>
#include "capture/ImageLocalizer.h"
#include "capture/PictureDownloader.h"
#include "support/Harness.h"
#include "support/HttpServer.h"
#include <objbase.h>
#include <algorithm>
#include <map>
#include <mutex>

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

// Which requests are made again, with which Referer, and how many run at once per host.
TEST_F(Downloads, RetriesRefererAndHostLimit) {
    zt::HttpServer server;
    ASSERT_TRUE(server.Running());
    std::string gif = Picture('R', 500, "GIF89a");
    server.Put(L"r.gif", gif);
    auto task = [&](const std::wstring& path, const std::wstring& referer, const wchar_t* name) {
        DownloadTask t{server.Url(path), dir + name, false, L"", referer, L""};
        DownloadTaskWithin(t, 5000);
        return t;
    };
    // Without a page, a refusal is tried again with the picture's own site.
    DownloadTask anonymous = task(L"/referer/r.gif", L"", L"a.gif");
    EXPECT_TRUE(anonymous.ok);
    EXPECT_EQ(Bytes(gif), zt::ReadBytes(dir + L"a.gif"));
    EXPECT_EQ(2, server.Requests("/referer/r.gif"));
    // A page of another site is what the user saw: refused once, not retried.
    DownloadTask foreign = task(L"/referer/r.gif?2", L"http://elsewhere.example/page.html", L"f.gif");
    EXPECT_FALSE(foreign.ok);
    EXPECT_EQ(L"HTTP 403", foreign.reason);
    EXPECT_EQ(1, server.Requests("/referer/r.gif?2"));
    EXPECT_TRUE(task(L"/referer/r.gif?3", server.Url(L"/news/1.html"), L"p.gif").ok);
    EXPECT_EQ(1, server.Requests("/referer/r.gif?3"));
    // A 5xx is tried once more, a 404 never; a closed port is no picture either.
    EXPECT_TRUE(task(L"/fail-once/r.gif", L"", L"o.gif").ok);
    EXPECT_EQ(2, server.Requests("/fail-once/r.gif"));
    EXPECT_EQ(L"HTTP 404", task(L"/gone.gif", L"", L"g.gif").reason);
    EXPECT_EQ(1, server.Requests("/gone.gif"));
    EXPECT_FALSE(zt::FileExists(dir + L"g.gif"));
    DownloadTask closed{L"http://127.0.0.1:1/a.gif", dir + L"c.gif", false, L"", L"", L""};
    EXPECT_FALSE(DownloadTaskWithin(closed, 5000));
    EXPECT_EQ(L"连接失败", closed.reason);

    // 20 tasks on one host and 4 on another under 16 threads.
    std::vector<DownloadTask> tasks;
    for (int i = 0; i < 24; ++i)
        tasks.push_back({(i < 20 ? L"http://one/" : L"http://TWO/") + std::to_wstring(i), L"", false, L"", L"", L""});
    std::mutex m;
    std::map<std::wstring, int> now, most;
    RunTaskDownloads(tasks, [&](DownloadTask& t) {
        std::wstring host = t.url.substr(0, t.url.find(L'/', 7));
        { std::lock_guard<std::mutex> h(m); most[host] = std::max(most[host], ++now[host]); }
        Sleep(30);
        { std::lock_guard<std::mutex> h(m); --now[host]; }
        return true;
    }, 16, nullptr);
    EXPECT_EQ(kDownloadsPerHost, most[L"http://one"]);
    EXPECT_EQ(4, most[L"http://TWO"]);
    EXPECT_TRUE(std::all_of(tasks.begin(), tasks.end(), [](const DownloadTask& t) { return t.ok; }));
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
    // The same pictures under two host names: the per-host limit is what the figure above waits for.
    std::wstring two = L"<p>..";
    for (int i = 0; i < 40; ++i)
        two += L"<img src=\"http://" + std::wstring(i % 2 ? L"localhost" : L"127.0.0.1") + L":" +
               std::to_wstring(server.Port()) + L"/" + std::to_wstring(i) + L".png\">";
    t0 = GetTickCount();
    r = LocalizeImagesInto(dir, two, DownloadPicture);
    printf("the same under two host names: %lu ms (%d per host at once)\n", (unsigned long)(GetTickCount() - t0),
           kDownloadsPerHost);
    EXPECT_EQ(40, r.processed);
}

}  // namespace
