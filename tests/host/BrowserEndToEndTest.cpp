// The whole road from today's browsers: Debian's Chromium on the test display with the
// unpacked extension, a page from 127.0.0.1 with a selection and two frames (one of another
// site), the extension's keyboard command and menu entries, its notifications as the
// desktop's notification server receives them, the host under Wine, Pagewick's editor, and
// a save that downloads the pictures.
#include <gtest/gtest.h>
#include "support/HttpServer.h"
#include "support/Pagewick.h"
#include "resources/resource.h"

using namespace zt;

namespace {

// The Linux path of a Windows path (Wine's own conversion).
std::string UnixPath(const std::wstring& path) {
    using Fn = char*(CDECL*)(const wchar_t*);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!fn) return "";
    char* unix = fn(path.c_str());
    if (!unix) return "";
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

std::wstring Wide(const std::string& utf8) {
    std::wstring w(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &w[0], int(w.size()));
    w.resize(w.size() - 1);
    return w;
}

// Runs tests/browser/session.sh (a Linux program: Wine starts it as one) and waits until it
// has marked the command done in the work folder.
bool Session(const TempFolder& work, const std::wstring& command, const std::wstring& args = L"") {
    std::wstring done = work.Path() + command + L".done";
    DeleteFileW(done.c_str());
    std::wstring script = std::wstring(SOURCE_DIR_W) + L"tests\\browser\\session.sh";
    std::wstring cmd = L"\"" + script + L"\" " + command + L" \"" + Wide(UnixPath(work.NoSlash())) + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(script.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    return WaitFor([&] { return FileExists(done); }, 60000, 50);
}

std::wstring Quoted(const std::string& s) { return L"\"" + Wide(s) + L"\""; }

// The notifications Chromium has sent to the session's notification server, one
// "summary<TAB>body" line each (UTF-8).
std::string Notifications(const TempFolder& work) {
    auto bytes = ReadBytes(work.Path() + L"notifications.txt");
    return std::string(bytes.begin(), bytes.end());
}

bool WindowNamed(const TempFolder& work, const std::string& name) {
    auto bytes = ReadBytes(work.Path() + L"windows.txt");
    return std::string(bytes.begin(), bytes.end()).find("|" + name + "|") != std::string::npos;
}

std::string Picture(char seed, size_t size) {
    std::string s = "\x89PNG\r\n\x1a\n";
    for (size_t i = 0; i < size; ++i) s += char(seed + i * 11);
    return s;
}

TEST(BrowserEndToEnd, TheKeyAndTheMenuCaptureIntoPagewickAndASaveDownloadsThePictures) {
    ASSERT_FALSE(FindWindowW(nullptr, kMainCaption)) << "a program window is left from elsewhere";
    HttpServer server;
    ASSERT_TRUE(server.Running());
    const std::string a = Picture('a', 2000), b = Picture('b', 3000);
    server.Put(L"news/pics/a.png", a);
    server.Put(L"img/b.png", b);
    // The page selects its first block when S is pressed (large, at the top, for the menu's
    // click); around it an article of several paragraphs, a navigation bar and comments.
    std::string paragraphs;
    for (const char* n : {"one", "two", "three"}) {
        paragraphs += std::string("<p>Paragraph ") + n + " of the article.";
        for (int i = 0; i < 4; ++i) paragraphs += " It has words, commas, and sentences, so that a reader takes it as content.";
        if (std::string(n) == "two") paragraphs += " <img src=\"pics/a.png\" width=\"300\" height=\"200\">";
        paragraphs += "</p>";
    }
    server.Put(L"news/page.html",
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Zelvane e2e</title>"
               "<style>body{max-width:600px} #article p{font-size:40px;margin:0} "
               "iframe{position:fixed;left:620px;width:260px;height:50px;border:0}</style></head><body>"
               "<main><div id=\"article\"><p>\xE6\x96\xB0\xE9\x97\xBB\xE6\xA0\x87\xE9\xA2\x98"
               "ABCDEFGHIJ</p><img src=\"pics/a.png\"><img src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\" "
               "data-src=\"/img/b.png\"></div>" + paragraphs + "</main>"
               "<iframe src=\"frame-key.html\" style=\"top:10px\"></iframe>"
               "<iframe src=\"http://localhost:" + std::to_string(server.Port()) + "/news/frame-menu.html\" "
               "style=\"top:70px\"></iframe>"
               "<nav class=\"menu\"><a href=\"/a\">NAVLINK home</a> <a href=\"/b\">NAVLINK world</a></nav>"
               "<div class=\"comments\" id=\"comments\"><p>COMMENTTEXT: a reader's comment.</p></div>"
               "<script>addEventListener('keydown', (e) => { if (e.key === 's') "
               "getSelection().selectAllChildren(document.getElementById('article')); });</script></body></html>");
    server.Put(L"news/page.html.type", "text/html; charset=utf-8");
    // Two frames at the page's top right: one of the page's own site, and one of another site
    // (localhost for 127.0.0.1), which the extension may not script.
    const std::string frame = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
                              "<body style=\"margin:0;font-size:30px\"><p style=\"margin:0\">";
    server.Put(L"news/frame-key.html", frame + "FRAMEKEY</p></body></html>");
    server.Put(L"news/frame-menu.html", frame + "3 &lt; 5 &amp; &lt;b&gt;\xE7\xB2\x97&lt;/b&gt; \"q\"</p></body></html>");
    server.Put(L"news/frame-key.html.type", "text/html; charset=utf-8");
    server.Put(L"news/frame-menu.html.type", "text/html; charset=utf-8");
    const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());

    RunningPagewick app([](ProgramDir& d) { d.WriteConfig(L"SEL", L"ROUTE", L"新闻"); });
    ASSERT_TRUE(app.Started());
    std::string manifestUnix = UnixPath(app.Dir() / L"zelvane.host.chromium.json");
    std::string hostUnix = UnixPath(app.Dir() / L"ZelvaneHost.exe");

    // A fresh profile, where the browser gives the command no key: a notification says so
    // and the page where keys are set is opened.
    {
        TempFolder fresh(L"browser-nokey");
        ASSERT_TRUE(Session(fresh, L"start", Quoted(hostUnix) + L" " + Quoted(base + "/news/page.html") + L" " +
                                                 Quoted(manifestUnix) + L" nokey"));
        // It says where the key is set.
        EXPECT_TRUE(WaitFor([&] {
            std::string said = Notifications(fresh);
            return said.rfind("Zelvane\t", 0) == 0 && said.find("chrome://extensions/shortcuts") != std::string::npos &&
                   said.find("\xE4\xBD\xBF\xE7\x94\xA8Zelvane\xE6\x8D\x95\xE8\x8E\xB7\xE7\xBD\x91\xE6\x96\x87") != std::string::npos;
        }, 20000, 500)) << "notifications: " << Notifications(fresh);
        EXPECT_TRUE(WaitFor([&] { return Session(fresh, L"windows") && WindowNamed(fresh, "Extensions - Chromium"); },
                            10000, 500))
            << "the shortcut settings were not opened";
        Session(fresh, L"stop");
    }

    TempFolder work(L"browser");
    ASSERT_FALSE(UnixPath(work.NoSlash()).empty());
    ASSERT_TRUE(Session(work, L"start", Quoted(hostUnix) + L" " + Quoted(base + "/news/page.html") + L" " +
                                            Quoted(manifestUnix)));
    struct Stop {
        const TempFolder& work;
        ~Stop() { Session(work, L"stop"); }
    } stop{work};

    // With a key for the command nothing is said at the start; nothing selected is said.
    Sleep(3000);
    EXPECT_EQ("", Notifications(work));
    // Nothing selected: the extension sends nothing, so no host is started.
    ASSERT_TRUE(Session(work, L"press"));
    const std::string nothingSelected = "Zelvane\t\xE6\xB2\xA1\xE6\x9C\x89\xE9\x80\x89\xE4\xB8\xAD\xE7\x9A\x84\xE5\x86\x85\xE5\xAE\xB9\n";
    EXPECT_TRUE(WaitFor([&] { return Notifications(work) == nothingSelected; }, 10000, 500))
        << "notifications: " << Notifications(work);
    auto log = ReadBytes(work.Path() + L"session.log");
    EXPECT_EQ(std::string::npos, std::string(log.begin(), log.end()).find("host started"));
    EXPECT_EQ(L"", WindowText(app.EditorEdit()));

    ASSERT_TRUE(Session(work, L"press", L"s"));
    ASSERT_TRUE(Session(work, L"press"));
    const std::wstring expected = L"<P><p>新闻标题ABCDEFGHIJ</p><img src=\"" + Wide(base) + L"/news/pics/a.png\">"
                                  L"<img src=\"" + Wide(base) + L"/img/b.png\" data-src=\"" + Wide(base) + L"/img/b.png\">";
    bool captured = WaitFor([&] { return WindowText(app.EditorEdit()) == expected; }, 45000, 100);
    if (!captured) {
        log = ReadBytes(work.Path() + L"session.log");
        ADD_FAILURE() << "editor: " << Narrow(WindowText(app.EditorEdit())) << "\nsession: " << std::string(log.begin(), log.end());
        return;
    }

    // Through the context menu: the selection (the entry above Inspect), then, with nothing
    // selected, the whole article (the entry above View page source and Inspect).
    ASSERT_TRUE(Session(work, L"menu", L"40 180 2"));
    const std::wstring twice = expected + expected;
    if (!WaitFor([&] { return WindowText(app.EditorEdit()) == twice; }, 30000, 100))
        ADD_FAILURE() << "editor: " << Narrow(WindowText(app.EditorEdit()));
    // A new selection in a frame while the page keeps its old one: the key takes the frame
    // that has the focus, the menu the frame it was opened in. The frame of another site is
    // not scripted: the menu's text of the selection comes, its markup characters as text.
    ASSERT_TRUE(Session(work, L"click", L"680 178 2"));
    ASSERT_TRUE(Session(work, L"press"));
    const std::wstring framed = twice + L"<P>FRAMEKEY";
    if (!WaitFor([&] { return WindowText(app.EditorEdit()) == framed; }, 30000, 100))
        ADD_FAILURE() << "editor: " << Narrow(WindowText(app.EditorEdit()));
    ASSERT_TRUE(Session(work, L"click", L"680 238 3"));
    ASSERT_TRUE(Session(work, L"menu", L"680 238 2"));
    // (Quotes escaped show that the menu's text came, not the page's markup.)
    const std::wstring withFrames = framed + L"<P>3 &lt; 5 &amp; &lt;b&gt;粗&lt;/b&gt; &quot;q&quot;";
    if (!WaitFor([&] { return WindowText(app.EditorEdit()) == withFrames; }, 30000, 100))
        ADD_FAILURE() << "editor: " << Narrow(WindowText(app.EditorEdit()));

    ASSERT_TRUE(Session(work, L"menu", L"850 600 3 clear"));
    std::wstring withArticle;
    EXPECT_TRUE(WaitFor([&] {
        withArticle = WindowText(app.EditorEdit());
        return withArticle.find(L"Paragraph three") != std::wstring::npos;
    }, 30000, 100)) << "editor: " << Narrow(withArticle);
    std::wstring article = withArticle.substr(std::min(withArticle.size(), withFrames.size()));
    EXPECT_EQ(0u, article.find(L"<P><h1>Zelvane e2e</h1>")) << Narrow(article);
    for (const wchar_t* part : {L"Paragraph one", L"Paragraph two", L"/news/pics/a.png"})
        EXPECT_NE(std::wstring::npos, article.find(part)) << Narrow(part);
    for (const wchar_t* left : {L"NAVLINK", L"COMMENTTEXT"})
        EXPECT_EQ(std::wstring::npos, article.find(left)) << Narrow(left) << " in " << Narrow(article);

    // The capture began the text: the page's title is the proposed name.
    PostMessageW(app.Frame(), WM_HOTKEY, 13, 0);
    HWND dlg = WaitForDialog(app.Proc().Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);
    Sleep(500);
    EXPECT_EQ(L"Zelvane e2e", WindowText(GetDlgItem(dlg, IDC_FILE_NAME)));
    PressButton(dlg, IDOK);
    HWND done = WaitForDialog(app.Proc().Id(), 20000, L"保存");
    ASSERT_TRUE(done);
    PressButton(done, IDNO);
    std::wstring text = ReadTextFile(app.Dir() / L"新闻\\Zelvane e2e.htm");
    EXPECT_EQ(std::wstring::npos, text.find(L"src=\"http://")) << Narrow(text);
    const std::wstring images = app.Dir() / L"新闻\\images\\";
    EXPECT_LE(2, CountFiles(images));
    int matched = 0;
    for (size_t at = 0; (at = text.find(L"src=\"images/", at)) != std::wstring::npos; ++matched) {
        at += 12;
        auto got = ReadBytes(images + text.substr(at, text.find(L'"', at) - at));
        std::string content(got.begin(), got.end());
        EXPECT_TRUE(content == a || content == b);
    }
    // Both pictures of each selection, and of the article those two and the one in its second
    // paragraph; only whole src values are rewritten.
    EXPECT_EQ(7, matched) << Narrow(text);
    // Successes are not notified: the one notification is still the one of nothing selected.
    EXPECT_EQ(nothingSelected, Notifications(work));
}

}  // namespace
