// The file list pane of the running program: the stored folder at the start, a
// tree click, and a save adding its row.
#include <gtest/gtest.h>
#include "support/HttpServer.h"
#include "support/LibraryPanes.h"
#include "support/Pagewick.h"
#include "support/Remote.h"
#include <algorithm>
#include <commctrl.h>

using namespace zt;

namespace {

using Texts = std::vector<std::wstring>;

// The save command with the given name; the question about opening the saved
// file is answered No. False when a dialog did not come within its time.
bool SaveNamed(RunningPagewick& app, const wchar_t* name, DWORD saveMs) {
    PostMessageW(app.Frame(), WM_COMMAND, 32794, 0);
    HWND dlg = WaitForDialog(app.Proc().Id(), 10000, L"文件名");
    if (!dlg) return false;
    SendMessageW(GetDlgItem(dlg, 1001), WM_SETTEXT, 0, (LPARAM)name);
    PressButton(dlg, IDOK);
    HWND done = WaitForDialog(app.Proc().Id(), saveMs, L"保存");
    if (!done) return false;
    PressButton(done, IDNO);
    return true;
}

// The names of the list's rows, sorted, as the running list shows them.
Texts Names(HWND list) {
    Texts names;
    int n = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) names.push_back(RowText(list, i, 1));
    std::sort(names.begin(), names.end());
    return names;
}

std::string Joined(const Texts& names) {
    std::string out;
    for (auto& n : names) out += Narrow(n) + " ";
    return out;
}

// The picture files a web text refers to in its images folder.
std::vector<std::wstring> PictureRefs(const std::wstring& text) {
    std::vector<std::wstring> refs;
    for (size_t at = 0; (at = text.find(L"src=\"images/", at)) != std::wstring::npos; ++at)
        refs.push_back(text.substr(at + 12, text.find(L'"', at + 12) - at - 12));
    return refs;
}

// Characters of several scripts, one outside the basic plane.
std::wstring HandCopiedBody() { return L"<P>新闻 café — ½ 𝄞 “引号” 한국어 &amp; &lt;b&gt;</P>"; }

std::wstring Count(int n) { return L"此文件夹中含有：" + std::to_wstring(n) + L" 个网页文件！"; }

TEST(FileListPane, ShowsTheStoredFolderThenTheClickedOneAndASavedFile) {
    RunningPagewick app([](ProgramDir& d) {
        WriteBytes(d / L"新闻\\甲.htm", "x");
        // Copied in by hand: UTF-8 without a byte-order mark or a charset.
        WriteBytes(d / L"新闻\\乙.htm", Narrow(L"<html><head><title>乙</title></head><body>" + HandCopiedBody() +
                                               L"</body></html>"));
        WriteBytes(d / L"小说\\丙.htm", "x");
        d.WriteConfig(L"SEL", L"ROUTE", L"新闻");
    });
    ASSERT_TRUE(app.Started());
    HWND frame = app.Frame();
    HWND list = ChildById(ChildById(frame, 133), 231);
    HWND tree = ChildById(ChildById(frame, 132), 124);
    ASSERT_TRUE(list && tree);
    EXPECT_TRUE(WaitFor([&] { return Names(list) == Texts{L"乙.htm", L"甲.htm"}; }, 5000)) << Joined(Names(list));
    EXPECT_EQ(Count(2), StatusText(frame));
    // The hand-copied text opened for editing and saved again keeps every character.
    SelectOnly(list, RowOf(list, L"乙.htm"));
    PostMessageW(ChildById(frame, 133), WM_COMMAND, 32802, 0);
    ASSERT_TRUE(WaitFor([&] { return WindowText(app.EditorEdit()).find(L"한국어") != std::wstring::npos; }, 5000))
        << Narrow(WindowText(app.EditorEdit()));
    PostMessageW(frame, WM_COMMAND, 32794, 0);
    HWND saved = WaitForDialog(app.Proc().Id(), 10000, L"保存");
    ASSERT_TRUE(saved);
    PressButton(saved, IDNO);
    std::wstring resaved = ReadTextFile(app.Dir() / L"新闻\\乙.htm");
    auto bytes = ReadBytes(app.Dir() / L"新闻\\乙.htm");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(0xFF, bytes[0]);   // written back as UTF-16
    EXPECT_EQ(L"<HTML><HEAD><TITLE>乙</TITLE></HEAD><BODY>" + HandCopiedBody() + L"</BODY></HTML>", resaved)
        << Narrow(resaved);
    // ...in a message pane wide enough to be read.
    HWND status = ChildById(frame, 0xE801);
    RemoteBuffer parts(status, 4 * sizeof(int));
    ASSERT_EQ(4, (int)SendMessageW(status, SB_GETPARTS, 4, (LPARAM)parts.Address()));
    auto edges = parts.Read(4 * sizeof(int));
    ASSERT_EQ(4 * sizeof(int), edges.size());
    RECT bar{};
    GetClientRect(status, &bar);
    EXPECT_EQ(bar.right - 200, reinterpret_cast<int*>(edges.data())[0]);

    // A click the tree took for the start of a drag (the pointer still moving) is clicked again.
    bool listed = false;
    for (int attempt = 0; attempt < 3 && !listed; ++attempt) {
        ASSERT_TRUE(ClickFolder(frame, tree, L"小说"));
        listed = WaitFor([&] { return Names(list) == Texts{L"丙.htm"}; }, 3000);
    }
    EXPECT_TRUE(listed) << Joined(Names(list));
    EXPECT_EQ(Count(1), StatusText(frame));

    // A save into the clicked folder adds its row and is counted.
    HWND editor = app.EditorEdit();
    ASSERT_TRUE(editor);
    SendMessageW(editor, EM_REPLACESEL, TRUE, (LPARAM)L"新的网文正文");
    ASSERT_TRUE(SaveNamed(app, L"新存网文", 10000));
    EXPECT_TRUE(FileExists(app.Dir() / L"小说\\新存网文.htm"));
    EXPECT_TRUE(WaitFor([&] { return Names(list) == Texts{L"丙.htm", L"新存网文.htm"}; }, 5000)) << Joined(Names(list));
    EXPECT_EQ(Count(2), StatusText(frame));
}

TEST(FileListPane, AWebTextCutAndPastedTakesItsPicturesAndItsDeleteKeepsAShared) {
    HttpServer server;
    ASSERT_TRUE(server.Running());
    const std::string png("\x89PNG\r\n\x1a\n", 8), a = png + std::string(300, 'a'), b = png + std::string(400, 'b');
    server.Put(L"a.png", a);
    server.Put(L"b.png", b);
    RunningPagewick app([](ProgramDir& d) { d.WriteConfig(L"SEL", L"ROUTE", L"新闻"); });
    ASSERT_TRUE(app.Started());
    HWND frame = app.Frame();
    HWND pane = ChildById(frame, 133);
    HWND list = ChildById(pane, 231);
    HWND tree = ChildById(ChildById(frame, 132), 124);
    ASSERT_TRUE(list && tree);

    // Saved into 新闻 with both pictures downloaded beside it.
    std::wstring html = L"<p>两张图</p><img src=\"" + server.Url(L"/a.png") + L"\"><img src=\"" + server.Url(L"/b.png") + L"\">";
    SendMessageW(app.EditorEdit(), EM_REPLACESEL, TRUE, (LPARAM)html.c_str());
    ASSERT_TRUE(SaveNamed(app, L"双图", 45000));
    std::vector<std::wstring> refs = PictureRefs(ReadTextFile(app.Dir() / L"新闻\\双图.htm"));
    ASSERT_EQ(2u, refs.size());
    ASSERT_TRUE(WaitFor([&] { return RowOf(list, L"双图.htm") >= 0; }, 5000));

    // Cut in 新闻, pasted in 小说.
    SelectOnly(list, RowOf(list, L"双图.htm"));
    PostMessageW(pane, WM_COMMAND, 32803, 0);
    bool listed = false;
    for (int attempt = 0; attempt < 3 && !listed; ++attempt) {
        ASSERT_TRUE(ClickFolder(frame, tree, L"小说"));
        listed = WaitFor([&] { return Names(list).empty(); }, 3000);
    }
    ASSERT_TRUE(listed) << Joined(Names(list));
    PostMessageW(pane, WM_COMMAND, 32804, 0);
    ASSERT_TRUE(WaitFor([&] { return Names(list) == Texts{L"双图.htm"}; }, 5000)) << Joined(Names(list));
    EXPECT_FALSE(FileExists(app.Dir() / L"新闻\\双图.htm"));
    std::wstring moved = ReadTextFile(app.Dir() / L"小说\\双图.htm");
    EXPECT_EQ(refs, PictureRefs(moved));   // every reference resolves in the new folder
    for (size_t i = 0; i < refs.size(); ++i) {
        auto bytes = ReadBytes(app.Dir() / (L"小说\\images\\" + refs[i]));
        EXPECT_EQ(i ? b : a, std::string(bytes.begin(), bytes.end())) << Narrow(refs[i]);
        EXPECT_FALSE(FileExists(app.Dir() / (L"新闻\\images\\" + refs[i])));
    }

    // Another web text of 小说 shows the first picture: deleting 双图 keeps that one.
    std::wstring other = L"<HTML><HEAD><TITLE>旁文</TITLE></HEAD><BODY><img src=\"images/" + refs[0] + L"\"></BODY></HTML>";
    WriteBytes(app.Dir() / L"小说\\旁文.htm",
               std::string("\xFF\xFE", 2) + std::string((const char*)other.c_str(), other.size() * 2));
    SelectOnly(list, RowOf(list, L"双图.htm"));
    PostMessageW(pane, WM_COMMAND, 32782, 0);
    HWND question = WaitForDialog(app.Proc().Id(), 10000, L"提示");
    ASSERT_TRUE(question);
    EXPECT_EQ(L"真的要删除这些项？", MessageBoxText(question));
    PressButton(question, IDYES);
    EXPECT_TRUE(WaitFor([&] { return !FileExists(app.Dir() / L"小说\\双图.htm"); }, 5000));
    EXPECT_TRUE(WaitFor([&] { return RowOf(list, L"双图.htm") < 0; }, 5000));
    EXPECT_TRUE(FileExists(app.Dir() / (L"小说\\images\\" + refs[0])));
    EXPECT_FALSE(FileExists(app.Dir() / (L"小说\\images\\" + refs[1])));
}

}  // namespace
