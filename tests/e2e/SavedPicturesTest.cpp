// What a saved web text keeps of its pictures, and the names it proposes,
// through the real program.
#include "RunningProgram.h"
#include "support/HttpServer.h"
#include <map>

using namespace e2e;

namespace {

const std::string kGif = std::string("GIF89a\x02\x00\x02\x00\x80\x00\x00", 13) + std::string(40, '\x11');
const std::string kGif2 = std::string("GIF87a\x03\x00\x01\x00\x80\x00\x00", 13) + std::string(50, '\x22');
const std::string kPng = std::string("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR", 16) + std::string(60, '\x33');

// Every src value of the saved text, in order (data-src and the like are no src).
std::vector<std::wstring> Sources(const std::wstring& text) {
    std::vector<std::wstring> out;
    for (size_t at = 0; (at = text.find(L"src=\"", at)) != std::wstring::npos;) {
        at += 5;
        if (at > 5 && text[at - 6] == L'-') continue;
        out.push_back(text.substr(at, text.find(L'"', at) - at));
    }
    return out;
}

std::string Bytes(const std::wstring& path) {
    auto b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

TEST_F(RunningProgram, FailedPicturesKeepTheirAddressAndOnlyPicturesAreWritten) {
    HttpServer server;
    ASSERT_TRUE(server.Running());
    server.Put(L"img/a.gif", kGif);
    server.Put(L"img/evil.exe", "MZ\x90\x00 this program cannot be run");
    server.Put(L"img/x.url", "[InternetShortcut]\r\nURL=file://attacker/share\r\n");
    server.Put(L"show.php", kPng);
    server.Put(L"show.php.type", "image/png");
    server.Put(L"img/图片 一.gif", kGif2);
    const std::wstring base = server.Url(L"");
    // In the order of the page: a failing source that the others start with, a failing
    // source the next one is part of, programs and shortcuts named as pictures, a picture
    // without a picture name, and one whose address has Chinese characters and a space.
    const std::vector<std::wstring> addresses = {
        base + L"/img/a",      base + L"/img/a.gifx",  base + L"/img/a.gif",        base + L"/img/evil.exe",
        base + L"/img/x.url",  base + L"/show.php?id=3", base + L"/img/图片 一.gif"};
    std::wstring fragment = L"<P>图片网文ABCDEFG</P>";
    for (const auto& a : addresses) fragment += L"<IMG src=\"" + a + L"\">";
    TestBrowser page(L"--html", Narrow(fragment), L"pictures page");
    ASSERT_TRUE(page.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    ASSERT_TRUE(BodyBecomes(L"<P>" + fragment)) << Narrow(Body());

    PostMessageW(frame, WM_COMMAND, 32771, 0);
    HWND dlg = WaitForDialog(app.Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(L"图片网文ABCDEF", WindowText(GetDlgItem(dlg, 1001)));
    PressButton(dlg, IDOK);
    HWND done = WaitForDialog(app.Id(), 30000, L"保存");
    ASSERT_TRUE(done);
    std::wstring question = MessageBoxText(done);
    PressButton(done, IDNO);
    EXPECT_NE(std::wstring::npos, question.find(L"有 4 张图片未能保存")) << Narrow(question);

    const std::wstring folder = FolderOf(L"图片网文ABCDEF.htm");
    ASSERT_NE(L"", folder);
    std::wstring text = ReadTextFile(folder + L"图片网文ABCDEF.htm");
    auto sources = Sources(text);
    ASSERT_EQ(addresses.size(), sources.size()) << Narrow(text);
    const std::wstring images = folder + L"images\\";
    std::map<size_t, std::pair<std::string, std::wstring>> saved = {
        {2, {kGif, L".gif"}}, {5, {kPng, L".png"}}, {6, {kGif2, L".gif"}}};
    for (size_t i = 0; i < addresses.size(); ++i) {
        auto it = saved.find(i);
        if (it == saved.end()) {
            EXPECT_EQ(addresses[i], sources[i]) << i;   // byte for byte as it was
            continue;
        }
        ASSERT_EQ(0u, sources[i].find(L"images/")) << Narrow(sources[i]);
        std::wstring name = sources[i].substr(7);
        EXPECT_EQ(it->second.second, name.substr(name.rfind(L'.'))) << Narrow(name);
        EXPECT_EQ(it->second.first, Bytes(images + name)) << Narrow(name);
    }
    EXPECT_EQ(3, CountFiles(images));
}

TEST_F(RunningProgram, TheProposedNameNeverCutsACharacterInHalf) {
    // U+1F600 stands at the tenth character: two code units.
    const std::wstring text = L"一二三四五六七八九\U0001F600后面的文字";
    SendMessageW(editor, EM_REPLACESEL, TRUE, (LPARAM)text.c_str());
    PostMessageW(frame, WM_COMMAND, 32771, 0);
    HWND dlg = WaitForDialog(app.Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(L"一二三四五六七八九\U0001F600", WindowText(GetDlgItem(dlg, 1001)));
    PressButton(dlg, IDOK);
    HWND done = WaitForDialog(app.Id(), 10000, L"保存");
    ASSERT_TRUE(done);
    PressButton(done, IDNO);
    EXPECT_NE(L"", FolderOf(L"一二三四五六七八九\U0001F600.htm"));
    EXPECT_EQ(L"", Body());
}

}  // namespace

// A page as real sites write it: a host that wants its own site as Referer, lazy
// loading, srcset and <picture>, data: pictures, a server that fails once and a
// picture that is gone. Captured from the browser with its page address, saved.
TEST_F(RunningProgram, PicturesOfARealPageAreSavedAsTheBrowserShowedThem) {
    HttpServer server;
    ASSERT_TRUE(server.Running());
    const std::string big = kPng + std::string(30, 'B'), wide = kPng + std::string(40, 'W'),
                      large = std::string("RIFF\x20\x03\0\0WEBPVP8 ", 16) + std::string(30, 'L'), lazy = kGif + "lazy";
    const std::map<std::wstring, std::string> files = {
        {L"pics/r.gif", kGif}, {L"pics/lazy1.png", kPng}, {L"pics/lazy2.gif", lazy}, {L"news/img3.gif", kGif2},
        {L"pics/small.png", kPng + "small"}, {L"pics/big.png", big}, {L"pics/w400.png", kPng + "400"},
        {L"pics/w800.png", kPng + "800"}, {L"pics/w1200.png", wide}, {L"pics/p-small.webp", large + "s"},
        {L"pics/p-large.webp", large}, {L"pics/p-fallback.png", kPng + "fallback"}, {L"pics/f.gif", kGif2 + "f"},
        {L"pics/blank.gif", kGif + "placeholder"}};
    for (const auto& f : files) server.Put(f.first, f.second);
    const std::wstring base = server.Url(L"");
    const std::wstring malformed = L"data:image/png;base64,@@not*base64@@";
    std::wstring fragment =
        L"<p>懒加载网文ABCDEFG</p>"
        L"<img src=\"" + base + L"/referer/pics/r.gif\">"
        L"<img src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\" data-src=\"" + base + L"/pics/lazy1.png\">"
        L"<img src=\"" + base + L"/pics/blank.gif\" data-original=\"" + base + L"/pics/lazy2.gif\">"
        L"<img data-src=\"img3.gif\" alt=\"only data-src\">"
        L"<img src=\"" + base + L"/pics/small.png\" srcset=\"" + base + L"/pics/small.png 1x, " + base + L"/pics/big.png 2x\">"
        L"<img srcset=\"" + base + L"/pics/w400.png 400w, " + base + L"/pics/w1200.png 1200w, " + base +
        L"/pics/w800.png 800w\" src=\"" + base + L"/pics/w400.png\">"
        L"<picture><source srcset=\"" + base + L"/pics/p-large.webp 1600w, " + base +
        L"/pics/p-small.webp 600w\" type=\"image/webp\"><img src=\"" + base + L"/pics/p-fallback.png\"></picture>"
        L"<img src=\"data:image/png;base64,iVBORw0KGgoAAAANSUhEUjMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMz"
        L"MzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMw==\">"
        L"<img src=\"" + malformed + L"\">"
        L"<img src=\"" + base + L"/fail-once/pics/f.gif\">"
        L"<img src=\"" + base + L"/pics/gone.gif\"><p>文末</p>";
    TestBrowser page(L"--html", Narrow(fragment), L"lazy page", base + L"/news/a.html");
    ASSERT_TRUE(page.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    for (int i = 0; i < 100 && Body().find(L"文末") == std::wstring::npos; ++i) Sleep(100);
    ASSERT_NE(std::wstring::npos, Body().find(L"文末")) << Narrow(Body());

    PostMessageW(frame, WM_COMMAND, 32771, 0);
    HWND dlg = WaitForDialog(app.Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);
    const std::wstring name = WindowText(GetDlgItem(dlg, 1001)) + L".htm";
    PressButton(dlg, IDOK);
    HWND done = WaitForDialog(app.Id(), 30000, L"保存");
    ASSERT_TRUE(done);
    std::wstring question = MessageBoxText(done);
    PressButton(done, IDNO);
    // Only the missing picture failed, and the message says which and why.
    EXPECT_NE(std::wstring::npos, question.find(L"有 1 张图片未能保存")) << Narrow(question);
    EXPECT_NE(std::wstring::npos, question.find(base + L"/pics/gone.gif（HTTP 404）")) << Narrow(question);
    EXPECT_EQ(1, server.Requests("/pics/gone.gif"));
    EXPECT_EQ(2, server.Requests("/fail-once/pics/f.gif"));

    const std::wstring folder = FolderOf(name);
    ASSERT_NE(L"", folder);
    std::wstring text = ReadTextFile(folder + name);
    auto sources = Sources(text);
    const std::vector<std::string> expected = {kGif, kPng, lazy, kGif2, big, wide, large, kPng};
    ASSERT_EQ(expected.size() + 3, sources.size()) << Narrow(text);
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(0u, sources[i].find(L"images/")) << i << Narrow(text);
        EXPECT_EQ(expected[i], Bytes(folder + L"images\\" + sources[i].substr(7))) << i;
    }
    EXPECT_EQ(malformed, sources[8]);
    EXPECT_EQ(0u, sources[9].find(L"images/"));
    EXPECT_EQ(base + L"/pics/gone.gif", sources[10]);
    EXPECT_EQ(9, CountFiles(folder + L"images\\"));
    // No placeholder, no remote candidate a browser could prefer.
    for (const wchar_t* gone : {L"blank.gif", L"R0lGOD", L"srcset", L"<source", L"small.png"})
        EXPECT_EQ(std::wstring::npos, text.find(gone)) << Narrow(gone) << Narrow(text);
}
