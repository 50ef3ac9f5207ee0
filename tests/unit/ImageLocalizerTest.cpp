// Finding picture sources, naming local copies and rewriting the HTML.
#include <gtest/gtest.h>
#include "capture/ImageLocalizer.h"
#include "capture/ImageSource.h"
#include "capture/PictureType.h"
#include "capture/PictureTags.h"
#include "support/Harness.h"
#include <set>

namespace {

SYSTEMTIME At(int y, int mo, int d, int h, int mi, int s) {
    SYSTEMTIME t{};
    t.wYear = (WORD)y; t.wMonth = (WORD)mo; t.wDay = (WORD)d; t.wHour = (WORD)h; t.wMinute = (WORD)mi; t.wSecond = (WORD)s;
    return t;
}

LocalizePlan Plan(const std::wstring& html, SYSTEMTIME t = At(2024, 11, 2, 13, 4, 5),
                  std::set<std::wstring> taken = {}) {
    return PlanLocalization(html, [t] { return t; }, [taken](const std::wstring& n) { return taken.count(n) > 0; });
}

// The HTML as it is after every planned download succeeded.
std::wstring AllDone(std::wstring html, LocalizePlan plan) {
    for (auto& j : plan.jobs) j.ok = true;
    ApplyLocalization(html, plan);
    return html;
}

TEST(ExtractImageSource, TakesTheAttributeValueWhole) {
    EXPECT_EQ(L"http://h/a/b.gif", ExtractImageSource(L"<p><img src=\"http://h/a/b.gif\" alt=\"x.y\"></p>", 3));
    EXPECT_EQ(L"http://h/b.jpeg", ExtractImageSource(L"..<IMG SRC=http://h/b.jpeg width=3>", 2));
    EXPECT_EQ(L"http://h/q.png?a=1&amp;b=2", ExtractImageSource(L"..<img src='http://h/q.png?a=1&amp;b=2'>", 2));
    // Not closed inside the 200 characters from the tag: nothing.
    EXPECT_EQ(L"", ExtractImageSource(L"..<img src=\"http://h/" + std::wstring(200, L'x') + L".gif\">", 2));
    EXPECT_FALSE(IsHttpSource(ExtractImageSource(L"..<img alt=\"" + std::wstring(200, L'x') + L"\" src=\"http://h/a.gif\">", 2)));
    // A tag without src= takes the next one in its window.
    EXPECT_EQ(L"http://h/2.gif", ExtractImageSource(L"..<img><img src=\"http://h/2.gif\">", 2));
    // Without any src= the first three characters are dropped.
    EXPECT_EQ(L"http://h/t.gif", ExtractImageSource(L"<p>http://h/t.gif </p>", -1));
}

TEST(SafePictureExtension, LettersAndDigitsFromThePathOnly) {
    EXPECT_EQ(L".jpeg", SafePictureExtension(L"http://h/a/b.jpeg"));
    EXPECT_EQ(L".webp", SafePictureExtension(L"https://h/b.webp#top"));
    EXPECT_EQ(L".png", SafePictureExtension(L"http://h/q.png?x=a.b:c"));
    EXPECT_EQ(L"", SafePictureExtension(L"http://x/a.b:c"));
    EXPECT_EQ(L"", SafePictureExtension(L"http://x/a.b%5C..%5Cz"));
    EXPECT_EQ(L"", SafePictureExtension(L"http://x.com/photo"));
    EXPECT_EQ(L"", SafePictureExtension(L"http://x/a.toolong"));
    EXPECT_EQ(L"http://h/q.png?a=1&b=2", DownloadUrlOf(L"http://h/q.png?a=1&amp;b=2"));
}

TEST(PlanLocalization, StemFromTimeAndTagPosition) {
    std::wstring html = std::wstring(20, L'x') + L"<img src=\"http://h/a/b.gif\">";
    LocalizePlan plan = Plan(html);
    ASSERT_EQ(1u, plan.jobs.size());
    EXPECT_EQ(L"2024112134520.gif", plan.jobs[0].localName);
    EXPECT_EQ(L"http://h/a/b.gif", plan.jobs[0].url);
    EXPECT_EQ(std::wstring(20, L'x') + L"<img src=\"images/2024112134520.gif\">", AllDone(html, plan));
    EXPECT_EQ(L"2024357891234", PictureStem(At(2024, 3, 5, 7, 8, 9), 1234));
}

TEST(PlanLocalization, OneDownloadPerSourceEverySourceAttributeRewritten) {
    std::wstring html = L"<p>..<img src=\"http://h/a.gif\"> <IMG SRC=http://h/a.gif> http://h/a.gif</p>";
    LocalizePlan plan = Plan(html);
    ASSERT_EQ(1u, plan.jobs.size());
    std::wstring ref = L"images/" + plan.jobs[0].localName;
    // The address in the text is no reference.
    EXPECT_EQ(L"<p>..<img src=\"" + ref + L"\"> <IMG SRC=" + ref + L"> http://h/a.gif</p>", AllDone(html, plan));
}

TEST(PlanLocalization, WhichSourcesAreProcessed) {
    // A tag at index 0 is found only by the run after the failed search (position -1).
    LocalizePlan first = Plan(L"<img src=\"http://h/0.gif\">");
    ASSERT_EQ(1u, first.jobs.size());
    EXPECT_EQ(L"20241121345-1.gif", first.jobs[0].localName);
    // No picture tag: a frame's http source in the first 200 characters is still taken.
    EXPECT_EQ(1u, Plan(L"<iframe src=\"http://h/f.png\"></iframe>").jobs.size());
    // https in the upper-case pass is processed; HTTP, scheme-relative and relative sources are not.
    LocalizePlan upper = Plan(L"<p>..<IMG SRC=\"https://h/s.png\">");
    ASSERT_EQ(1u, upper.jobs.size());
    EXPECT_EQ(L"https://h/s.png", upper.jobs[0].source);
    EXPECT_TRUE(Plan(L"<p>..<img src=\"HTTP://h/u.png\"><img src=\"//h/r.png\"><img src=\"images/1.gif\">"
                     L"<img src=\"x/y.gif\">").jobs.empty());
    // Mixed-case tag names are found by neither pass.
    EXPECT_TRUE(Plan(L"<p>" + std::wstring(200, L' ') + L"<Img src=\"http://h/m.gif\">").jobs.empty());
}

TEST(PlanLocalization, LongExtensionsAndQueriesKeepFileAndReferenceAlike) {
    std::wstring html = L"<p>..<img src=\"http://h/b.jpeg\"><img src=\"http://h/c.webp\">"
                        L"<img src=\"http://h/q.php?id=1&amp;s=.gif\"></p>";
    LocalizePlan plan = Plan(html);
    ASSERT_EQ(3u, plan.jobs.size());
    EXPECT_EQ(L".jpeg", plan.jobs[0].localName.substr(plan.jobs[0].localName.size() - 5));
    EXPECT_EQ(L".webp", plan.jobs[1].localName.substr(plan.jobs[1].localName.size() - 5));
    EXPECT_EQ(plan.jobs[2].stem, plan.jobs[2].localName);   // no picture name: its kind decides later
    EXPECT_EQ(L"http://h/q.php?id=1&s=.gif", plan.jobs[2].url);
    std::wstring done = AllDone(html, plan);
    for (auto& j : plan.jobs) EXPECT_NE(std::wstring::npos, done.find(L"\"images/" + j.localName + L"\""));
    EXPECT_EQ(std::wstring::npos, done.find(L"http"));
}

TEST(PlanLocalization, NamesNeverCollideOrEscape) {
    // 11 Jan and 1 Nov run together alike; a picture saved earlier under that name is kept.
    LocalizePlan plan = Plan(L"..........<img src=\"http://h/a.gif\"><img src=\"http://h/b.gif\">",
                             At(2024, 1, 1, 1, 1, 1), {L"20241111110.gif"});
    ASSERT_EQ(2u, plan.jobs.size());
    EXPECT_EQ(L"20241111110_1.gif", plan.jobs[0].localName);
    EXPECT_NE(plan.jobs[0].localName, plan.jobs[1].localName);
    for (const wchar_t* hostile : {L"http://x/a.b:c", L"http://x/a.b%5C..%5Cz", L"http://x/..\\..\\con.gif?"}) {
        LocalizePlan p = Plan(std::wstring(L"<p>..<img src=\"") + hostile + L"\">");
        ASSERT_EQ(1u, p.jobs.size()) << hostile;
        const std::wstring& name = p.jobs[0].localName;
        EXPECT_EQ(std::wstring::npos, name.find_first_of(L"\\/:*?\"<>|")) << hostile;
        EXPECT_NE(L'.', name[0]);
    }
}

TEST(ApplyLocalization, FailedDownloadsKeepTheirAddress) {
    std::wstring html = L"<p>..<img src=\"http://h/a.gif\"><img src=\"http://h/gone.gif\"></p>";
    LocalizePlan plan = Plan(html);
    ASSERT_EQ(2u, plan.jobs.size());
    plan.jobs[0].ok = true;
    ApplyLocalization(html, plan);
    EXPECT_EQ(L"<p>..<img src=\"images/" + plan.jobs[0].localName + L"\"><img src=\"http://h/gone.gif\"></p>", html);
}

// The kind of a download comes from its bytes; the address and the server only
// name it where the bytes cannot (SVG) or spell it their way (.jpeg).
TEST(PictureType, ContentDecidesTheExtension) {
    const std::string png("\x89PNG\r\n\x1a\n\0\0", 10), jpeg("\xFF\xD8\xFF\xE0", 4);
    EXPECT_EQ(L".png", PictureExtensionFor(png, L"application/octet-stream", L""));
    EXPECT_EQ(L".png", PictureExtensionFor(png, L"", L".gif"));
    EXPECT_EQ(L".jpeg", PictureExtensionFor(jpeg, L"image/jpeg", L".JPEG"));
    EXPECT_EQ(L".jpg", PictureExtensionFor(jpeg, L"", L".php"));
    EXPECT_EQ(L".gif", PictureExtensionFor("GIF87a..", L"", L""));
    EXPECT_EQ(L".webp", PictureExtensionFor(std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), L"", L""));
    EXPECT_EQ(L".ico", PictureExtensionFor(std::string("\0\0\1\0\1\0", 6), L"", L""));
    EXPECT_EQ(L".avif", PictureExtensionFor(std::string("\0\0\0\x1c" "ftypavif", 12), L"", L""));
    EXPECT_EQ(L".tiff", PictureExtensionFor(std::string("II*\0", 4), L"", L".tiff"));
    EXPECT_EQ(L".bmp", PictureExtensionFor(std::string("BM\x36\0\0\0\0\0\0\0\x36\0\0\0", 14) + std::string(12, '\0'), L"", L""));
    EXPECT_EQ(L".svg", PictureExtensionFor("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- x -->\n<svg xmlns=\"\">", L"", L""));
    EXPECT_EQ(L".svg", PictureExtensionFor("<!DOCTYPE html><svg>", L"image/svg+xml; charset=utf-8", L""));
    // Programs, shortcuts and pages are no pictures, whatever they are called.
    EXPECT_EQ(L"", PictureExtensionFor("MZ\x90", L"image/gif", L".gif"));
    EXPECT_EQ(L"", PictureExtensionFor("[InternetShortcut]\r\nURL=file://x", L"image/png", L".png"));
    EXPECT_EQ(L"", PictureExtensionFor("<html><body>404</body></html>", L"text/html", L".svg"));
    EXPECT_EQ(L"", PictureExtensionFor("", L"image/png", L".png"));
}

TEST(DownloadUrl, EncodedAsBrowsersRequestIt) {
    EXPECT_EQ(L"http://h/img/%E5%9B%BE%E7%89%87%20%E4%B8%80.gif", DownloadUrlOf(L"http://h/img/图片 一.gif"));
    EXPECT_EQ(L"http://h/a%20b.png?q=%E5%AD%97&x=1", DownloadUrlOf(L"http://h/a%20b.png?q=字&amp;x=1"));
    EXPECT_EQ(L"http://h/%F0%9F%98%80.png", EncodeUrlForRequest(L"http://h/\U0001F600.png"));
    EXPECT_EQ(L"http://h:8/%25ok%2F", EncodeUrlForRequest(L"http://h:8/%25ok%2F"));
}

TEST(TaggedPictures, RealAddressesBehindPlaceholdersAndCandidates) {
    EXPECT_EQ(L"b 2x", LargestSrcsetCandidate(L"a, b 2x") + L" 2x");
    EXPECT_EQ(L"http://h/q.png?w=2,3", LargestSrcsetCandidate(L"http://h/q.png?w=2,3 900w, http://h/s.png 300w"));
    EXPECT_EQ(L"", LargestSrcsetCandidate(L" , "));
    EXPECT_EQ(L"http://p/a/x.gif", ResolveAgainstPage(L"x.gif", L"http://p/a/b.html?q=1"));
    EXPECT_EQ(L"https://c/x.gif", ResolveAgainstPage(L"//c/x.gif", L"https://p/a/b.html"));
    EXPECT_EQ(L"", ResolveAgainstPage(L"javascript:x()", L"http://p/"));
    EXPECT_EQ(L"", ResolveAgainstPage(L"x.gif", L""));
    std::string bytes;
    std::wstring type;
    EXPECT_TRUE(DecodePictureDataUrl(L"data:image/gif;base64,R0lG ODlh", bytes, type));
    EXPECT_EQ("GIF89a", bytes);
    EXPECT_EQ(L"image/gif", type);
    for (const wchar_t* bad : {L"data:text/html;base64,PGI+", L"data:image/svg+xml,<svg/>", L"data:image/png;base64,a=b",
                               L"data:image/png;base64,", L"data:image/png;base64,****"})
        EXPECT_FALSE(DecodePictureDataUrl(bad, bytes, type)) << zt::Narrow(bad);

    // One address shared by a lazy tag and a plain one is downloaded once; upper-case
    // tags and attributes count; a tag that fails keeps every byte.
    std::wstring html = L"<p><IMG SRC=\"data:image/gif;base64,R0lGODlh\" DATA-SRC=\"/a.png\" alt=x>"
                        L"<img src=\"http://p/a.png\"><img data-lazy-src='http://q/b.png' srcset=''></p>";
    LocalizePlan plan = PlanLocalization(html, [] { return At(2024, 1, 2, 3, 4, 5); }, nullptr, {L"", L"http://p/n/1.html"});
    ASSERT_EQ(2u, plan.jobs.size());
    EXPECT_EQ(L"http://p/a.png", plan.jobs[0].url);
    EXPECT_EQ(L"http://p/n/1.html", plan.jobs[0].referer);
    EXPECT_EQ(L"http://q/b.png", plan.jobs[1].url);
    std::wstring kept = html;
    ApplyLocalization(kept, plan);
    EXPECT_EQ(html, kept);
    for (auto& j : plan.jobs) j.ok = j.url == L"http://p/a.png";
    ApplyLocalization(html, plan);
    const std::wstring a = L"images/" + plan.jobs[0].localName;
    EXPECT_EQ(L"<p><IMG src=\"" + a + L"\" alt=x><img src=\"" + a +
              L"\"><img data-lazy-src='http://q/b.png' srcset=''></p>", html);
}

}  // namespace
