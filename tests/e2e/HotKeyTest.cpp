// Global hot keys held by the running program.
#include <gtest/gtest.h>
#include "support/Pagewick.h"

using namespace zt;

namespace {

// True when another program holds the combination.
bool Taken(UINT mod, UINT vk) {
    if (RegisterHotKey(nullptr, 77, mod, vk)) {
        UnregisterHotKey(nullptr, 77);
        return false;
    }
    return true;
}

TEST(HotKeys, AnOlderSettingsFileKeepsShiftAAndShiftSReleasedAtExit) {
    // GETKEYPROV=2 and SAVEKEYPROV=2, as first starts wrote them before Alt+Shift.
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    EXPECT_TRUE(Taken(MOD_SHIFT, 'A'));
    EXPECT_TRUE(Taken(MOD_SHIFT, 'S'));
    EXPECT_FALSE(Taken(MOD_SHIFT, 'B'));
    EXPECT_EQ(0u, app.Exit());
    EXPECT_FALSE(Taken(MOD_SHIFT, 'A'));
    EXPECT_FALSE(Taken(MOD_SHIFT, 'S'));
}

TEST(HotKeys, LetterIndex25RegistersZ) {
    RunningPagewick app([](ProgramDir& d) {
        d.WriteConfig(L"HOTKEY", L"SAVEKEYPROV", L"1");
        d.WriteConfig(L"HOTKEY", L"SAVEKEYNEXT", L"25");
    });
    ASSERT_TRUE(app.Started());
    EXPECT_TRUE(Taken(MOD_CONTROL, 'Z'));
    EXPECT_FALSE(Taken(MOD_SHIFT, 'S'));
}

TEST(HotKeys, ATakenSaveKeyIsReportedAndTheProgramRunsOn) {
    ASSERT_TRUE(RegisterHotKey(nullptr, 5, MOD_SHIFT, 'S'));
    ProgramDir dir;
    dir.WriteDefaultConfig();
    Process p;
    ASSERT_TRUE(p.Start(dir.Exe()));
    HWND box = WaitForDialog(p.Id(), 20000, L"Pagewick");
    UnregisterHotKey(nullptr, 5);
    ASSERT_TRUE(box);
    EXPECT_EQ(L"注册热键失败！", MessageBoxText(box));
    PressButton(box, IDOK);
    HWND frame = WaitForWindow(kMainCaption, p.Id(), 20000);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(Taken(MOD_SHIFT, 'A'));
    PostMessageW(frame, WM_COMMAND, kExitCommand, 0);
    EXPECT_EQ(0u, p.Wait(10000));
}

TEST(HotKeys, BadSettingsStartSafely) {
    // Garbage, an out-of-range modifier and an overlong letter index: the capture
    // key is refused (never a bare letter), the save key is reported.
    RunningPagewick app([](ProgramDir& d) {
        d.WriteConfig(L"HOTKEY", L"GETKEYPROV", L"9");
        d.WriteConfig(L"HOTKEY", L"GETKEYNEXT", L"garbage");
        d.WriteConfig(L"HOTKEY", L"SAVEKEYPROV", L"1");
        d.WriteConfig(L"HOTKEY", L"SAVEKEYNEXT", L"123456789012345678901234567890");
        d.WriteConfig(L"FILENAME", L"LEN", std::wstring(300, L'9'));
    }, true);
    // The save key message comes before the window shows.
    HWND box = WaitForDialog(app.Proc().Id(), 20000, L"Pagewick");
    ASSERT_TRUE(box);
    EXPECT_EQ(L"注册热键失败！", MessageBoxText(box));
    PressButton(box, IDOK);
    HWND frame = app.WaitShown();
    ASSERT_TRUE(frame);
    EXPECT_FALSE(Taken(0, 'A'));
    EXPECT_EQ(STILL_ACTIVE, app.Proc().Wait(0));
}

TEST(HotKeys, AGarbageSettingsFileStartsWithEveryKeyMissing) {
    // Missing keys read as 0: both hot keys become Alt+A, so the save key is
    // reported as taken and the program runs with the capture key only.
    RunningPagewick app([](ProgramDir& d) {
        std::string junk = "\x01\x02[HOTKEY\xff\xfe=\x00\x00garbage\r\n";
        for (int i = 0; i < 2000; ++i) junk += char((i * 37) & 0xFF);
        WriteBytes(d / L"Config.ini", junk);
        CreateDirectoryW((d / L"新闻").c_str(), nullptr);
    }, false);
    HWND box = WaitForDialog(app.Proc().Id(), 20000, L"Pagewick");
    ASSERT_TRUE(box);
    EXPECT_EQ(L"注册热键失败！", MessageBoxText(box));
    PressButton(box, IDOK);
    ASSERT_TRUE(app.WaitShown());
    EXPECT_TRUE(Taken(MOD_ALT, 'A'));
    EXPECT_EQ(0u, app.Exit());
}

}  // namespace
