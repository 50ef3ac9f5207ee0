// Starting the real program in a fresh program folder.
#include <gtest/gtest.h>
#include "support/Harness.h"

using namespace zt;

namespace {

const wchar_t kCaption[] = L"ZelvaneV1.3";
const wchar_t kMenuExt[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt\\使用\"Zelvane\"捕获网文";

std::vector<BYTE> RegValue(const wchar_t* name, DWORD* type = nullptr) {
    std::vector<BYTE> data(4096);
    DWORD size = (DWORD)data.size(), t = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kMenuExt, name, RRF_RT_ANY | RRF_NOEXPAND, &t, data.data(), &size) != ERROR_SUCCESS)
        return {};
    data.resize(size);
    if (type) *type = t;
    return data;
}

TEST(FirstStart, WritesDefaultsFoldersAndMenuEntryThenAsksForRestart) {
    ProgramDir dir(L"first ");
    CreateDirectoryW((dir / L"小说").c_str(), nullptr);
    WriteBytes(dir / L"小说\\keep.txt", "kept");
    RegDeleteTreeW(HKEY_CURRENT_USER, kMenuExt);

    Process p;
    ASSERT_TRUE(p.Start(dir.Exe()));
    HWND box = WaitForDialog(p.Id(), 20000, L"提示");
    ASSERT_TRUE(box) << "no restart message";
    EXPECT_EQ(L"配置文件：config.ini已重新生成，请重新启动软件！", MessageBoxText(box));
    // The settings and folders exist while the message is up.
    EXPECT_EQ(L"0", dir.ReadConfig(L"SEL", L"ROUTE"));
    EXPECT_EQ(L"10", dir.ReadConfig(L"FILENAME", L"LEN"));
    EXPECT_EQ(L"true", dir.ReadConfig(L"OPENMSG", L"BSHOW"));
    // Alt+Shift+A and Alt+Shift+S: no capital letter is taken from other programs.
    EXPECT_EQ(L"4", dir.ReadConfig(L"HOTKEY", L"GETKEYPROV"));
    EXPECT_EQ(L"0", dir.ReadConfig(L"HOTKEY", L"GETKEYNEXT"));
    EXPECT_EQ(L"4", dir.ReadConfig(L"HOTKEY", L"SAVEKEYPROV"));
    EXPECT_EQ(L"18", dir.ReadConfig(L"HOTKEY", L"SAVEKEYNEXT"));
    for (const wchar_t* f : {L"新闻", L"小说", L"散文", L"诗歌", L"天文", L"地理", L"历史"})
        EXPECT_TRUE(DirExists(dir / f)) << Narrow(f);
    EXPECT_TRUE(FileExists(dir / L"小说\\keep.txt"));
    EXPECT_FALSE(FindWindowByCaption(kCaption, p.Id()));
    PressButton(box, IDOK);
    EXPECT_EQ(0u, p.Wait(15000));

    DWORD type = 0;
    auto appPath = RegValue(L"AppPath", &type);
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(dir.Path(), std::wstring((const wchar_t*)appPath.data()));
    auto appName = RegValue(L"AppName");
    EXPECT_EQ(128u, appName.size());
    EXPECT_EQ(L"Pagewick.exe", std::wstring((const wchar_t*)appName.data()));
    auto def = RegValue(nullptr);
    EXPECT_EQ(dir.Path() + L"geturl.htm", std::wstring((const wchar_t*)def.data()));
    auto contexts = RegValue(L"Contexts", &type);
    EXPECT_EQ((DWORD)REG_DWORD, type);
    ASSERT_EQ(4u, contexts.size());
    EXPECT_EQ(0x12u, *(DWORD*)contexts.data());
}

// The installer's finish page starts the program with /installed: the first start
// writes the same settings and folders and shows the window instead of asking.
TEST(FirstStart, StartedByTheInstallerGoesOnToTheWindow) {
    ProgramDir dir(L"installed ");
    Process p;
    ASSERT_TRUE(p.Start(dir.Exe(), L"/installed"));
    HWND frame = WaitForWindow(kCaption, p.Id(), 20000);
    ASSERT_TRUE(frame) << "no main window";
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(frame) != 0; }, 20000));
    EXPECT_EQ(nullptr, WaitForDialog(p.Id(), 500, L"提示")) << "the restart message was shown";
    EXPECT_EQ(L"10", dir.ReadConfig(L"FILENAME", L"LEN"));
    for (const wchar_t* f : {L"新闻", L"小说", L"散文", L"诗歌", L"天文", L"地理", L"历史"})
        EXPECT_TRUE(DirExists(dir / f)) << Narrow(f);
    PostMessageW(frame, WM_COMMAND, 32777, 0);   // the toolbar's exit
    EXPECT_EQ(0u, p.Wait(15000));
}

}  // namespace
