#include <gtest/gtest.h>
#include "editor/HtmlText.h"
#include "support/Harness.h"

using namespace htmltext;

namespace {

// Replaces the 10-digit value of a header key in a block built by BuildCfHtml.
std::string WithHeader(std::string block, const std::string& key, const std::string& value) {
    size_t at = block.find(key + ":");
    size_t eol = block.find("\r\n", at);
    return block.replace(at + key.size() + 1, eol - at - key.size() - 1, value);
}

long long HeaderValue(const std::string& block, const std::string& key) {
    return std::stoll(block.substr(block.find(key + ":") + key.size() + 1, 10));
}

TEST(CfHtml, WellFormedBlockGivesFragmentAndSource) {
    std::string block = BuildCfHtml(L"<B>新闻</B> &amp; “引号”", L"http://example.com/a/page.html");
    block += '\0';
    block += "garbage after the terminator";
    CfHtml cf;
    ASSERT_TRUE(ParseCfHtml(block, cf));
    EXPECT_EQ(L"<B>新闻</B> &amp; “引号”", cf.fragment);
    EXPECT_EQ(L"http://example.com/a/page.html", cf.sourceUrl);
    // The offsets written are byte offsets of the UTF-8 text.
    EXPECT_EQ(block.find("<B>"), size_t(HeaderValue(block, "StartFragment")));
    EXPECT_EQ(block.find("<!--EndFragment"), size_t(HeaderValue(block, "EndFragment")));
}

TEST(CfHtml, BadOffsetsFallBackToTheFragmentComments) {
    const std::string good = BuildCfHtml(L"<I>片段</I>");
    const std::pair<const char*, const char*> tampered[] = {
        {"EndFragment", "9999999999"},    // beyond the block
        {"StartFragment", "0000000005"},  // inside the header
        {"StartFragment", "abc"},         // not a number
        {"StartFragment", "-1"},
    };
    for (const auto& t : tampered) {
        CfHtml cf;
        ASSERT_TRUE(ParseCfHtml(WithHeader(good, t.first, t.second), cf)) << t.first << "=" << t.second;
        EXPECT_EQ(L"<I>片段</I>", cf.fragment) << t.first << "=" << t.second;
    }
    // Start after end.
    std::string swapped = WithHeader(good, "StartFragment", std::to_string(HeaderValue(good, "EndFragment") + 1));
    CfHtml cf;
    ASSERT_TRUE(ParseCfHtml(swapped, cf));
    EXPECT_EQ(L"<I>片段</I>", cf.fragment);
}

TEST(CfHtml, OffsetsInsideAMultiByteCharacterKeepWholeCharacters) {
    std::string block = BuildCfHtml(L"新闻稿");   // 3 bytes per character
    long long start = HeaderValue(block, "StartFragment"), end = HeaderValue(block, "EndFragment");
    char buf[11];
    snprintf(buf, sizeof buf, "%010lld", start + 1);
    block = WithHeader(block, "StartFragment", buf);
    snprintf(buf, sizeof buf, "%010lld", end - 1);
    block = WithHeader(block, "EndFragment", buf);
    CfHtml cf;
    ASSERT_TRUE(ParseCfHtml(block, cf));
    EXPECT_EQ(L"闻", cf.fragment);
}

TEST(CfHtml, BlocksWithoutUsableOffsets) {
    CfHtml cf;
    // Comments only, with the spacing some browsers write, and no end comment.
    ASSERT_TRUE(ParseCfHtml("Version:1.0\r\n<html><body><!--StartFragment -->abc<b>d</b></body></html>", cf));
    EXPECT_EQ(L"abc<b>d</b></body></html>", cf.fragment);
    // No header and no comments: the body of the document.
    ASSERT_TRUE(ParseCfHtml("<html><head><title>t</title></head><body class=x>正文</body></html>", cf));
    EXPECT_EQ(L"正文", cf.fragment);
    // A block cut short inside the fragment keeps what arrived.
    std::string cut = BuildCfHtml(L"0123456789");
    cut = cut.substr(0, cut.find("56789"));
    ASSERT_TRUE(ParseCfHtml(cut, cf));
    EXPECT_EQ(L"01234", cf.fragment);
    EXPECT_FALSE(ParseCfHtml("Version:0.9\r\nStartFragment:5\r\n", cf));
    EXPECT_FALSE(ParseCfHtml("", cf));
}

TEST(HtmlText, EscapeTextKeepsLinesAndSpaces) {
    EXPECT_EQ(L"a&lt;b&gt; &amp; \"c\"<BR>d<BR><BR>e &nbsp;f<BR>&nbsp;g",
              EscapeText(L"a<b> & \"c\"\r\nd\n\ne  f\r g"));
    EXPECT_EQ(L"", EscapeText(L""));
}

TEST(HtmlText, InnerText) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"<P>第一段</P><P>second <B>bold</B></P>", L"第一段\r\nsecond bold"},
        {L"a<BR>b<br/><BR>c", L"a\r\nb\r\n\r\nc"},
        {L"<DIV>  lots   of\r\n  space </DIV><div>x</div>", L"lots of space\r\nx"},
        {L"&lt;tag&gt; &amp;amp; &#20013;&#x6587; &#128512; &nbsp;&copy;&bogus; & x &#;", L"<tag> &amp; 中文 \U0001F600 \u00A0\u00A9&bogus; & x &#;"},
        {L"<UL><LI>one<LI>two</UL>after", L"one\r\ntwo\r\nafter"},
        {L"<TABLE><TR><TD>a</TD><TD>b</TD></TR><TR><TD>c</TD></TR></TABLE>", L"a\tb\r\nc"},
        {L"x<SCRIPT>var s = '<P>no</P>';</SCRIPT><style>p{}</style><!-- c -->y", L"xy"},
        {L"<H1>Title</H1>text", L"Title\r\ntext"},
        {L"<PRE>a  b\r\n c</PRE>", L"a  b\r\n c"},
        {L"<P><IMG src=\"a.jpg\"></P><P>&nbsp;</P>", L"\u00A0"},
        {L"<P><IMG src=\"a.jpg\"><BR></P>  ", L""},
        {L"3 < 4 and 5 > 2", L"3 < 4 and 5 > 2"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, InnerText(c.first)) << zt::Narrow(c.first);
}

TEST(HtmlText, DecodeFileBytesAndBody) {
    std::wstring text = L"<html><body>新闻</body></html>";
    std::vector<unsigned char> utf16 = {0xFF, 0xFE};
    for (wchar_t c : text) { utf16.push_back(c & 0xFF); utf16.push_back(c >> 8); }
    EXPECT_EQ(text, DecodeFileBytes(utf16));
    std::string u8 = WideToUtf8(text);
    EXPECT_EQ(text, DecodeFileBytes(std::vector<unsigned char>(u8.begin(), u8.end())));
    u8 = "\xEF\xBB\xBF" + u8;
    EXPECT_EQ(text, DecodeFileBytes(std::vector<unsigned char>(u8.begin(), u8.end())));
    // Not UTF-8: the charset the page names, else GBK (never the machine's code page).
    std::string gbk = "<P>\xD0\xC2\xCE\xC5</P>";   // 新闻 in GBK
    EXPECT_EQ(L"<P>新闻</P>", DecodeFileBytes(std::vector<unsigned char>(gbk.begin(), gbk.end())));
    std::string latin = "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">caf\xE9";
    std::wstring decoded = DecodeFileBytes(std::vector<unsigned char>(latin.begin(), latin.end()));
    EXPECT_EQ(L"café", decoded.substr(decoded.size() - 4));

    EXPECT_EQ(L"<P>x</P>", BodyContent(L"<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY bgcolor=\"#fff\"><P>x</P></BODY></HTML>"));
    EXPECT_EQ(L"<P>x</P>\r\n", BodyContent(L"<html><head><meta charset=utf-8></head><P>x</P>\r\n</html>"));
    EXPECT_EQ(L"plain", BodyContent(L"plain"));
    EXPECT_EQ(L"<bodyguard>x", BodyContent(L"<body><bodyguard>x"));
}

TEST(HtmlText, ResolveUrl) {
    const wchar_t* http = L"http://example.com/news/2024/page.html?id=3#top";
    const wchar_t* file = L"file:///C:/Lib/新闻/page.htm";
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
        {http, L"img/a.jpg", L"http://example.com/news/2024/img/a.jpg"},
        {http, L"./img/a.jpg", L"http://example.com/news/2024/img/a.jpg"},
        {http, L"../a.jpg", L"http://example.com/news/a.jpg"},
        {http, L"../../../../a.jpg", L"http://example.com/a.jpg"},
        {http, L"/root.png", L"http://example.com/root.png"},
        {http, L"//cdn.example.net/x.png", L"http://cdn.example.net/x.png"},
        {http, L"#sec", L"http://example.com/news/2024/page.html?id=3#sec"},
        {http, L"?p=2", L"http://example.com/news/2024/page.html?p=2"},
        {http, L"a/../b/./c.htm?x=../y#z", L"http://example.com/news/2024/b/c.htm?x=../y#z"},
        {http, L"img\\b.png", L"http://example.com/news/2024/img/b.png"},
        {http, L"  spaced.png ", L"http://example.com/news/2024/spaced.png"},
        {http, L"https://other.org/x", L"https://other.org/x"},
        {http, L"data:image/png;base64,AAAA", L"data:image/png;base64,AAAA"},
        {http, L"javascript:void(0)", L"javascript:void(0)"},
        {http, L"mailto:a@b.c", L"mailto:a@b.c"},
        {http, L"", L""},
        {L"https://h.org", L"x.png", L"https://h.org/x.png"},
        {file, L"images/x.jpg", L"file:///C:/Lib/新闻/images/x.jpg"},
        {file, L"../../../x.jpg", L"file:///C:/x.jpg"},
        {file, L"/top.jpg", L"file:///C:/top.jpg"},
        {file, L"D:\\pics\\y.jpg", L"file:///D:/pics/y.jpg"},
        {L"about:blank", L"x.jpg", L"x.jpg"},
        {L"", L"x.jpg", L"x.jpg"},
        {L"not a url", L"x.jpg", L"x.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::get<2>(c), ResolveUrl(std::get<0>(c), std::get<1>(c)))
            << zt::Narrow(std::get<0>(c)) << " + " << zt::Narrow(std::get<1>(c));
}

TEST(HtmlText, RewriteUrlsTouchesOnlySrcAndHrefValues) {
    auto mark = [](const std::wstring& v) { return L"[" + v + L"]"; };
    EXPECT_EQ(L"<IMG SRC=\"[a.jpg]\" alt='src=b'><a href='[b c.htm]' title=x>src=\"t\"</a>",
              RewriteUrls(L"<IMG SRC=\"a.jpg\" alt='src=b'><a href='b c.htm' title=x>src=\"t\"</a>", mark));
    EXPECT_EQ(L"<img src=[u.png]><img src = \"[v.png]\"/><img data-src=\"w.png\" src=\"[]\">",
              RewriteUrls(L"<img src=u.png><img src = \"v.png\"/><img data-src=\"w.png\" src=\"\">", mark));
    EXPECT_EQ(L"<!-- <img src=\"c.png\"> --><script src=\"[s.js]\">x = '<img src=\"d.png\">';</script>",
              RewriteUrls(L"<!-- <img src=\"c.png\"> --><script src=\"s.js\">x = '<img src=\"d.png\">';</script>",
                          mark));
    // An unquoted value that needs quoting afterwards gets them; a cut tag is left as it is.
    EXPECT_EQ(L"<a href=\"x y\">", RewriteUrls(L"<a href=q>", [](const std::wstring&) { return L"x y"; }));
    EXPECT_EQ(L"a < b <img src=\"z", RewriteUrls(L"a < b <img src=\"z", mark));
}

TEST(HtmlText, FolderFileUrlAndExpansionRoundTrip) {
    EXPECT_EQ(L"file:///C:/Lib/新闻/", FolderFileUrl(L"C:\\Lib\\新闻"));
    EXPECT_EQ(L"file:///C:/Lib/新闻/", FolderFileUrl(L"C:\\Lib\\新闻\\"));
    EXPECT_EQ(L"file:///C:/My Lib/C#/", FolderFileUrl(L"C:\\My Lib\\C#"));

    const std::wstring body = L"<IMG src=\"images/x.jpg\"><A href='sub/b.htm'>b</A><IMG src=\"http://e.com/y.png\">";
    for (const wchar_t* folder : {L"C:\\Lib\\新闻", L"C:\\My Lib\\C#"}) {
        std::wstring prefix = FolderFileUrl(folder);
        std::wstring expanded = ExpandRelativeToFolder(body, folder);
        EXPECT_NE(std::wstring::npos, expanded.find(L"src=\"" + prefix + L"images/x.jpg\"")) << zt::Narrow(expanded);
        // What the save step does: removing the prefix restores the relative references.
        std::wstring restored = expanded;
        for (size_t at; (at = restored.find(prefix)) != std::wstring::npos;) restored.erase(at, prefix.size());
        EXPECT_EQ(body, restored);
    }
}

// Captured fragments from hostile pages: nothing that loads, runs or reaches a share stays.
TEST(CleanCapturedHtml, HostileFragments) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        // elements dropped (with their content where it is code or a frame's fallback)
        {L"a<script>alert(1)</script>b<SCRIPT src=x.js></SCRIPT>c", L"abc"},
        {L"<style>p{}</style><link rel=stylesheet href=x.css><meta http-equiv=refresh content=0;url=x><base href=x>t",
         L"t"},
        {L"<iframe src=\"http://a/\">fallback</iframe><frame src=x><object data=x><param name=a></object>"
         L"<embed src=x.swf>k", L"k"},
        {L"<scriptx>not a script</scriptx>", L"<scriptx>not a script</scriptx>"},
        {L"<!--[if IE]><script>x()</script><![endif]-->c<!DOCTYPE html>", L"c"},
        // handlers and code addresses; the space before a dropped attribute goes too
        {L"<img src=\"http://h/a.gif\" onerror=\"x()\" ONLOAD=y alt=\"a b\">", L"<img src=\"http://h/a.gif\" alt=\"a b\">"},
        {L"<a href=\"javascript:go()\">l</a><a href=' JaVa&#x09;ScRiPt:x'>m</a><a href=\"vbscript:x\">n</a>",
         L"<a>l</a><a>m</a><a>n</a>"},
        {L"<a href=\"jav&#97;script&colon;x\">o</a>", L"<a>o</a>"},
        // shares, with any slashes, and file addresses with a host
        {L"<img src=\"\\\\host\\x.gif\"><img src=//host/x.gif><img src=\"file://host/x.gif\"><img src='/\\host/x'>",
         L"<img><img><img><img>"},
        {L"<img src=\"file:////host/x.gif\">", L"<img>"},
        // local files: dropped from a web page's capture
        {L"<img src=\"file:///C:/Windows/x.gif\"><img src=\"C:\\x.gif\">", L"<img><img>"},
        // kept: http, https, data:, relative, fragments, ordinary attributes and safe inline styles
        {L"<img src=\"https://h/a.png\" srcset=\"a.png 1x, https://h/b.png 2x\"><img src=\"data:image/png;base64,AA\">"
         L"<a href=\"../x.htm#p\" title=t>r</a><a href=#top>s</a><p style=\"color:red\">u</p>",
         L"<img src=\"https://h/a.png\" srcset=\"a.png 1x, https://h/b.png 2x\"><img src=\"data:image/png;base64,AA\">"
         L"<a href=\"../x.htm#p\" title=t>r</a><a href=#top>s</a><p style=\"color:red\">u</p>"},
        // styles and srcsets that would load a share or run code
        {L"<p style=\"background:url(\\\\host\\x.gif)\">v</p><p style=\"width:expression(x())\">w</p>"
         L"<img srcset=\"a.png 1x, \\\\host\\b.png 2x\">", L"<p>v</p><p>w</p><img>"},
        // text that only looks like markup, and a tag cut off at the end
        {L"3 < 4 <b>x</b> <img src=\"http://h/a", L"3 &lt; 4 <b>x</b> "},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, CleanCapturedHtml(c.first, false)) << zt::Narrow(c.first);

    // A capture from a page that is itself a local file keeps its local pictures, never a share.
    EXPECT_EQ(L"<img src=\"file:///C:/Lib/a.gif\"><img>",
              CleanCapturedHtml(L"<img src=\"file:///C:/Lib/a.gif\"><img src=\"file://host/a.gif\">", true));
    EXPECT_TRUE(IsLocalFileAddress(L"file:///C:/x.htm"));
    EXPECT_TRUE(IsLocalFileAddress(L"C:\\x.htm"));
    EXPECT_FALSE(IsLocalFileAddress(L"https://h/x.htm"));
    EXPECT_FALSE(IsLocalFileAddress(L""));
}

TEST(HtmlText, WrapInFont) {
    FontChoice f;
    f.face = L"宋体";
    f.points = 14;
    f.color = 0x0000FF;   // red
    f.bold = f.underline = true;
    EXPECT_EQ(L"<B><U><FONT face=\"宋体\" size=4 color=#ff0000>x</FONT></U></B>", WrapInFont(L"x", f));
    EXPECT_EQ(L"y", WrapInFont(L"y", FontChoice{}));
}

}  // namespace
