// The program's own texts: menus, about box and the context-menu values.
#include <gtest/gtest.h>
#include "support/Pagewick.h"

using namespace zt;

namespace {

struct Item { UINT id; std::wstring text; };

// Items of a popup (separators have id 0 and no text), read from the program file.
std::vector<Item> MenuItems(HMENU menu) {
    std::vector<Item> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t buf[128] = {};
        GetMenuStringW(menu, i, buf, 128, MF_BYPOSITION);
        UINT id = GetMenuItemID(menu, i);
        out.push_back({id == (UINT)-1 ? 0 : id, buf});
    }
    return out;
}

bool operator==(const Item& a, const Item& b) { return a.id == b.id && a.text == b.text; }
void PrintTo(const Item& i, std::ostream* os) { *os << i.id << " " << Narrow(i.text); }

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override { module = LoadLibraryExW(DistFile(L"Pagewick.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE); }
    void TearDown() override { if (module) FreeLibrary(module); }
    HMENU Menu(UINT id) { return LoadMenuW(module, MAKEINTRESOURCEW(id)); }
    HMODULE module = nullptr;
};

TEST_F(ProgramResources, MainMenuTexts) {
    ASSERT_TRUE(module);
    HMENU menu = Menu(128);
    ASSERT_TRUE(menu);
    std::vector<std::wstring> tops;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t buf[64] = {};
        GetMenuStringW(menu, i, buf, 64, MF_BYPOSITION);
        tops.push_back(buf);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"文件(&F)", L"编辑(&E)", L"视图(&V)", L"帮助(&H)"}), tops);
    EXPECT_EQ((std::vector<Item>{{32794, L"保存网文(&S)"}, {32793, L"浏览网文(&O)"}, {32797, L"打开文件夹(&F)"},
                                 {0, L""}, {32795, L"退出程序(&X)"}}), MenuItems(GetSubMenu(menu, 0)));
    EXPECT_EQ((std::vector<Item>{{57643, L"撤消(&U)\tCtrl+Z"}, {0, L""}, {57635, L"剪切(&T)\tCtrl+X"},
                                 {57634, L"复制(&C)\tCtrl+C"}, {57637, L"粘贴(&P)\tCtrl+V"}}), MenuItems(GetSubMenu(menu, 1)));
    EXPECT_EQ((std::vector<Item>{{59392, L"文件浏览栏(&W)"}, {59393, L"文件列表栏(&S)"}}), MenuItems(GetSubMenu(menu, 2)));
    EXPECT_EQ((std::vector<Item>{{32801, L"内容(&C)"}, {0, L""}, {57664, L"关于(&A)..."}}), MenuItems(GetSubMenu(menu, 3)));
    DestroyMenu(menu);
}

TEST_F(ProgramResources, PopupMenuTexts) {
    ASSERT_TRUE(module);
    HMENU tray = Menu(160), tree = Menu(156), list = Menu(159);
    ASSERT_TRUE(tray && tree && list);
    EXPECT_EQ((std::vector<Item>{{32786, L"显示(&S)"}, {32800, L"保存网文(&W)"}, {32798, L"浏览文件(&V)"},
                                 {32799, L"打开文件夹(&F)"}, {0, L""}, {32787, L"退出程序(&X)"}}), MenuItems(GetSubMenu(tray, 0)));
    EXPECT_EQ((std::vector<Item>{{32785, L"打开目录(&O)"}, {32780, L"删除目录(&D)"}, {32778, L"重命名目录(&R)"},
                                 {0, L""}, {32805, L"添加子目录(&S)"}, {32779, L"添加同级目录(&A)"}}), MenuItems(GetSubMenu(tree, 0)));
    EXPECT_EQ((std::vector<Item>{{32781, L"打开(&O)"}, {32802, L"编辑(&E)"}, {0, L""}, {32803, L"剪切(&X)"},
                                 {32804, L"粘贴(&P)"}, {32782, L"删除(&D)"}, {0, L""}, {32784, L"文件夹(&O)"},
                                 {32783, L"重命名(&R)"}}), MenuItems(GetSubMenu(list, 0)));
    DestroyMenu(tray); DestroyMenu(tree); DestroyMenu(list);
}

TEST(AboutBox, ShowsNameAndVersionAndCloses) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    PostMessageW(app.Frame(), WM_COMMAND, 32776, 0);
    HWND dlg = WaitForDialog(app.Proc().Id(), 10000, L"关于");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(L"软件名称：Zelvane", WindowText(GetDlgItem(dlg, 1012)));
    std::vector<std::wstring> texts;
    for (HWND h : ChildWindows(dlg)) texts.push_back(WindowText(h));
    EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), L"版本：V1.3(ForNT/2000/XP)"));
    EXPECT_EQ(L"确定", WindowText(GetDlgItem(dlg, IDOK)));
    PressButton(dlg, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dlg); }, 5000));
}

TEST(ContextMenuEntry, ALongProgramFolderIsStoredWhole) {
    // A cut AppPath would leave the extension unable to start the program.
    std::wstring tag(40, L'长');
    ProgramDir dir(tag + L" ");
    ASSERT_GT(dir.Path().size(), 64u);
    dir.WriteDefaultConfig();
    Process p;
    ASSERT_TRUE(p.Start(dir.Exe()));
    HWND frame = WaitForWindow(kMainCaption, p.Id(), 20000);
    ASSERT_TRUE(frame);
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf);
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER,
        L"Software\\Microsoft\\Internet Explorer\\MenuExt\\使用\"Zelvane\"捕获网文", L"AppPath", RRF_RT_REG_SZ,
        nullptr, buf, &size));
    EXPECT_EQ(dir.Path(), std::wstring(buf));
    EXPECT_EQ((dir.Path().size() + 1) * 2, size);
    PostMessageW(frame, WM_COMMAND, kExitCommand, 0);
    EXPECT_EQ(0u, p.Wait(10000));
}

}  // namespace
