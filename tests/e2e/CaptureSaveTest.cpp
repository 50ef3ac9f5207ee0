// A whole clipping: a selection with pictures captured from the browser, then
// saved into a category folder with its pictures beside it.
#include <gtest/gtest.h>
#include "support/HttpServer.h"
#include "support/Pagewick.h"
#include "support/TestBrowser.h"

using namespace zt;

namespace {

std::string Picture(char seed, size_t size) {
    std::string s("\x89PNG\r\n\x1a\n", 8);
    for (size_t i = 0; i < size; ++i) s += char(seed + i * 7);
    return s;
}

TEST(CaptureThenSave, PicturesAreDownloadedBesideTheWebTextAndEveryReferenceRewritten) {
    HttpServer server;
    ASSERT_TRUE(server.Running());
    const std::string a = Picture('a', 3000), b = Picture('b', 4000), c = Picture('c', 5000);
    server.Put(L"pics/a.png", a);
    server.Put(L"news/pics/b.jpeg", b);   // beside the page, for the relative address
    server.Put(L"pics/c.gif", c);
    const std::string port = std::to_string(server.Port());
    const std::string base = "http://127.0.0.1:" + port;
    // One picture relative to the page's address, one with a query string.
    std::string fragment = "<P>新闻标题ABCDEFGHIJ</P>"   // UTF-8, as the page copies it
                           "<IMG src=\"" + base + "/pics/a.png\"><IMG src=\"pics/b.jpeg\">"
                           "<IMG src='" + base + "/pics/c.gif?size=2'><IMG src=\"" + base + "/pics/a.png\">"
                           // hostile: a picture on a network share, a frame, a handler
                           "<IMG src=\"\\\\127.0.0.1\\share\\x.gif\" onerror=\"alert(1)\">"
                           "<IFRAME src=\"" + base + "/frame.htm\">frame text</IFRAME>";

    RunningPagewick app([](ProgramDir& d) { d.WriteConfig(L"SEL", L"ROUTE", L"新闻"); });
    ASSERT_TRUE(app.Started());
    TestBrowser page(L"--html", fragment, L"article", L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/news/");
    ASSERT_TRUE(page.Focus());
    SendMessageW(app.Frame(), 1028, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return WindowText(app.EditorEdit()).rfind(L"<P>", 0) == 0; }, 15000));
    std::wstring captured = WindowText(app.EditorEdit());
    EXPECT_NE(std::wstring::npos, captured.find(L"/news/pics/b.jpeg")) << Narrow(captured);
    // Cleaned before it entered the editor, and so in the saved file too.
    auto expectClean = [](const std::wstring& html) {
        for (const wchar_t* hostile : {L"127.0.0.1/share", L"\\\\", L"file:", L"IFRAME", L"frame text", L"onerror"})
            EXPECT_EQ(std::wstring::npos, html.find(hostile)) << Narrow(hostile) << " in " << Narrow(html);
    };
    expectClean(captured);
    EXPECT_NE(std::wstring::npos, captured.find(L"<IMG>")) << Narrow(captured);


    PostMessageW(app.Frame(), WM_HOTKEY, 13, 0);
    HWND dlg = WaitForDialog(app.Proc().Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(L"新闻标题ABCDEF", WindowText(GetDlgItem(dlg, 1001)));
    PressButton(dlg, IDOK);
    HWND done = WaitForDialog(app.Proc().Id(), 20000, L"保存");
    ASSERT_TRUE(done);
    EXPECT_EQ(L"保存网文：“新闻标题ABCDEF.htm”完毕，是否查看文件？", MessageBoxText(done));
    PressButton(done, IDNO);

    const std::wstring file = app.Dir() / L"新闻\\新闻标题ABCDEF.htm";
    auto bytes = ReadBytes(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    std::wstring text = ReadTextFile(file);
    const std::wstring head = L"<HTML><HEAD><TITLE>新闻标题ABCDEF</TITLE></HEAD><BODY>";
    ASSERT_EQ(0u, text.find(head)) << Narrow(text);
    EXPECT_EQ(text.size() - 14, text.rfind(L"</BODY></HTML>"));
    EXPECT_EQ(std::wstring::npos, text.find(L"http://")) << Narrow(text);
    expectClean(text);

    // Three pictures, byte for byte as served, each referenced as images/<name>.
    const std::wstring images = app.Dir() / L"新闻\\images\\";
    EXPECT_EQ(3, CountFiles(images));
    std::vector<std::string> served = {a, b, c};
    int matched = 0;
    size_t at = 0;
    while ((at = text.find(L"src=", at)) != std::wstring::npos) {
        at += 5;   // past the quote
        std::wstring value = text.substr(at, text.find_first_of(L"\"'", at) - at);
        ASSERT_EQ(0u, value.find(L"images/")) << Narrow(value);
        auto got = ReadBytes(images + value.substr(7));
        std::string content(got.begin(), got.end());
        EXPECT_NE(served.end(), std::find(served.begin(), served.end(), content)) << Narrow(value);
        ++matched;
    }
    EXPECT_EQ(4, matched);   // a.png is referenced twice, downloaded once
    EXPECT_EQ(L"", WindowText(app.EditorEdit()));
}

}  // namespace
