#include <gtest/gtest.h>
#include "settings/AppDir.h"
#include "settings/Config.h"
#include "settings/HotKeys.h"
#include "support/Harness.h"

namespace {

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override { SetAppDirForTesting(folder.Path()); }
    void TearDown() override { SetAppDirForTesting(L""); }
    zt::TempFolder folder{L"设置"};
};

TEST_F(ConfigFile, FirstRunWritesSevenKeysInOrderAsUtf16) {
    ASSERT_FALSE(config::Exists());
    config::WriteFirstRunDefaults();
    std::wstring text = zt::ReadTextFile(config::Path());
    auto bytes = zt::ReadBytes(config::Path());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    const wchar_t* keys[] = {L"ROUTE=0", L"LEN=10", L"BSHOW=true", L"GETKEYPROV=4", L"GETKEYNEXT=0",
                             L"SAVEKEYPROV=4", L"SAVEKEYNEXT=18"};
    size_t pos = 0;
    for (const wchar_t* k : keys) {
        size_t at = text.find(k, pos);
        ASSERT_NE(std::wstring::npos, at) << zt::Narrow(k) << " missing or out of order in " << zt::Narrow(text);
        pos = at;
    }
    // Alt+Shift+A and Alt+Shift+S: no letter is taken from other programs.
    HotKeyIndexes k = ReadHotKeyIndexes();
    EXPECT_EQ(L"Alt+Shift+A", HotKeyText(k.captureModifier, k.captureLetter));
    EXPECT_EQ(L"Alt+Shift+S", HotKeyText(k.saveModifier, k.saveLetter));
    EXPECT_EQ(L"", ShiftLetterWarning(k));
}

TEST_F(ConfigFile, ChineseRouteSurvivesTheRoundTrip) {
    // Meaningful only where the ANSI code page cannot hold Chinese (as here).
    EXPECT_NE(936u, GetACP());
    config::Write(L"SEL", L"ROUTE", L"新闻\\国内");
    EXPECT_EQ(L"新闻\\国内", config::Read(L"SEL", L"ROUTE", config::kRouteChars));
}

TEST_F(ConfigFile, AFileWithoutTheUnicodeMarkBecomesUnicodeKeepingEveryValue) {
    EXPECT_NE(936u, GetACP());
    // Made by hand in the ANSI code page (é is one byte there), or as UTF-8 with its mark.
    for (std::string start : {"", "\xEF\xBB\xBF"}) {
        std::string e = start.empty() ? "\xE9" : "\xC3\xA9";
        zt::WriteBytes(config::Path(), start + "; mine\r\n[SEL]\r\nROUTE=0\r\n[FILENAME]\r\nLEN=12\r\n[X]\r\nY=caf" + e +
                                           "\r\n");
        config::Write(L"SEL", L"ROUTE", L"新闻\\国内");
        auto bytes = zt::ReadBytes(config::Path());
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(0xFF, bytes[0]);
        EXPECT_EQ(0xFE, bytes[1]);
        EXPECT_EQ(L"新闻\\国内", config::Read(L"SEL", L"ROUTE", config::kRouteChars));
        EXPECT_EQ(L"12", config::Read(L"FILENAME", L"LEN", config::kShortChars));
        EXPECT_EQ(L"café", config::Read(L"X", L"Y", config::kShortChars));
        EXPECT_NE(std::wstring::npos, zt::ReadTextFile(config::Path()).find(L"; mine"));
    }
}

TEST_F(ConfigFile, BuffersBoundValuesAndMissingKeysReadEmpty) {
    config::Write(L"FILENAME", L"LEN", L"123456789012345");
    EXPECT_EQ(L"123456789", config::Read(L"FILENAME", L"LEN", config::kShortChars));
    EXPECT_EQ(L"", config::Read(L"FILENAME", L"NOPE", config::kShortChars));
    EXPECT_EQ(0, config::ReadInt(L"HOTKEY", L"GETKEYPROV"));
}

TEST(ConfigNumbers, PlainDecimalConversion) {
    EXPECT_EQ(0, config::ToInt(L""));
    EXPECT_EQ(0, config::ToInt(L"00"));
    EXPECT_EQ(25, config::ToInt(L"25"));
    EXPECT_EQ(12, config::ToInt(L"12abc"));
    EXPECT_EQ(0, config::ToInt(L"garbage"));
    EXPECT_EQ(-3, config::ToInt(L"-3"));
    EXPECT_EQ(0x7FFFFFFF, config::ToInt(L"99999999999999"));
}

TEST(HotKeyEncoding, ModifiersAndLetters) {
    EXPECT_EQ((UINT)MOD_ALT, ModifierFromIndex(0));
    EXPECT_EQ((UINT)MOD_CONTROL, ModifierFromIndex(1));
    EXPECT_EQ((UINT)MOD_SHIFT, ModifierFromIndex(2));
    // The combined modifiers come after the old three, whose meaning stays.
    EXPECT_EQ(UINT(MOD_CONTROL | MOD_SHIFT), ModifierFromIndex(3));
    EXPECT_EQ(UINT(MOD_ALT | MOD_SHIFT), ModifierFromIndex(4));
    EXPECT_EQ(UINT(MOD_CONTROL | MOD_ALT), ModifierFromIndex(5));
    EXPECT_EQ(0u, ModifierFromIndex(6));
    EXPECT_EQ(0u, ModifierFromIndex(-1));
    EXPECT_EQ(nullptr, ModifierComboText(6));
    EXPECT_EQ(L"Ctrl+Alt+Z", HotKeyText(5, 25));
    EXPECT_EQ(L"", HotKeyText(6, 0));
    EXPECT_EQ(L"", HotKeyText(4, 26));
    EXPECT_EQ((UINT)'A', VirtualKeyFromLetterIndex(0));
    EXPECT_EQ((UINT)'Z', VirtualKeyFromLetterIndex(25));
    EXPECT_EQ(0u, VirtualKeyFromLetterIndex(26));
}

TEST(HotKeyEncoding, ShiftAndALetterAloneIsWarnedOfAndATakenKeyNamed) {
    HotKeyIndexes k;
    k.captureModifier = 2;   // Shift+A
    EXPECT_EQ(L"Shift+A 会使其他程序无法输入大写字母 A", ShiftLetterWarning(k));
    k.saveModifier = 2;      // and Shift+S
    EXPECT_EQ(L"Shift+A、Shift+S 会使其他程序无法输入大写字母 A、S", ShiftLetterWarning(k));
    k.saveLetter = 0;        // the same key twice is named once
    EXPECT_EQ(L"Shift+A 会使其他程序无法输入大写字母 A", ShiftLetterWarning(k));
    k.captureModifier = 3;   // Ctrl+Shift keeps the capital letters
    k.saveModifier = -1;     // a combo left without a selection
    EXPECT_EQ(L"", ShiftLetterWarning(k));

    k.captureModifier = 4;
    k.captureLetter = 2;
    EXPECT_EQ(L"捕获网文快捷键 Alt+Shift+C 已被其他程序占用，可在“系统设置”中更改。", TakenCaptureKeyText(k));
    k.captureModifier = 9;   // a hand-edited file: no key to name
    EXPECT_EQ(L"捕获网文快捷键的设置无效，可在“系统设置”中更改。", TakenCaptureKeyText(k));
}

TEST(HotKeyEncoding, OutOfRangeIndexesAreNeverRegistered) {
    // A bare letter as a global hot key would swallow that letter everywhere.
    EXPECT_FALSE(RegisterIndexedHotKey(nullptr, 40, 7, 1));
    EXPECT_FALSE(RegisterIndexedHotKey(nullptr, 40, 6, 1));
    EXPECT_FALSE(RegisterIndexedHotKey(nullptr, 40, 1, 30));
    ASSERT_TRUE(RegisterIndexedHotKey(nullptr, 40, 1, 25));   // Ctrl+Z
    UnregisterHotKey(nullptr, 40);
}

}  // namespace
