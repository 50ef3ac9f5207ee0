// The real program running in a fresh program folder, with its editor and hidden
// paste view reachable from the test.
#pragma once
#include <gtest/gtest.h>
#include "support/TestBrowser.h"

namespace e2e {

using namespace zt;

constexpr UINT kMsgAfterStart = 1027, kMsgCapture = 1028, kMsgTray = 1125;

class RunningProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir.WriteDefaultConfig();
        if (captureModifier) dir.WriteConfig(L"HOTKEY", L"GETKEYPROV", captureModifier);
        CreateDirectoryW((dir / L"新闻").c_str(), nullptr);   // a library with one category
        ASSERT_TRUE(app.Start(dir.Exe()));
        frame = WaitForWindow(L"ZelvaneV1.3", app.Id(), 20000);
        ASSERT_TRUE(frame) << "no main window";
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(frame) != FALSE; }, 10000));
        // Requests that come before the start-up is over are kept until it is, and the
        // tests' checks follow each request at once: they wait for the end of the start,
        // which a hand-off is told ("starting", 4) until then.
        ASSERT_TRUE(WaitFor([&] {
            COPYDATASTRUCT probe{};
            DWORD_PTR reply = 4;
            SendMessageTimeoutW(frame, WM_COPYDATA, 0, (LPARAM)&probe, SMTO_BLOCK, 2000, &reply);
            return reply != 4;
        }, 10000, 10));
        auto edits = ChildWindows(GetDlgItem(frame, 0xE900), L"Edit");
        ASSERT_FALSE(edits.empty()) << "no editor";
        editor = edits.front();
        auto hiddenEdits = ChildWindows(GetDlgItem(frame, 323), L"Edit");
        ASSERT_FALSE(hiddenEdits.empty()) << "no hidden paste view";
        hidden = hiddenEdits.front();
    }
    void TearDown() override {
        // A failed check must not leave keys held for the tests after it.
        KeyUp(VK_SHIFT);
        KeyUp(VK_CONTROL);
        KeyUp(VK_MENU);
    }
    std::wstring Body() const { return WindowText(editor); }
    // The hidden paste view keeps its text in memory: its window stays empty.
    std::wstring Hidden() const { return WindowText(hidden); }
    bool Running() { return app.Wait(0) == STILL_ACTIVE; }
    // Waits until the editor body reads as expected.
    bool BodyBecomes(const std::wstring& expected, DWORD ms = 10000) {
        return WaitFor([&] { return Body() == expected; }, ms, 20);
    }
    // After the browser saw the copy keystroke, the capture's remaining waits take
    // about half a second; a sent message then returns once the capture is over.
    void SettleAfterCopy(TestBrowser& browser, int copies = 1) {
        ASSERT_TRUE(WaitFor([&] { return browser.CopyCount() >= copies; }, 10000, 20));
        Sleep(900);
        SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    }
    // The category folder (with backslash) holding a saved web text, "" when none does.
    std::wstring FolderOf(const std::wstring& fileName) const {
        for (const wchar_t* f : {L"新闻", L"小说", L"散文", L"诗歌", L"天文", L"地理", L"历史"})
            if (FileExists(dir / (std::wstring(f) + L"\\" + fileName))) return dir / (std::wstring(f) + L"\\");
        return L"";
    }
    void PressCaptureHotKey() {
        KeyDown(VK_SHIFT);
        KeyDown('A');
        KeyUp('A');
        KeyUp(VK_SHIFT);
    }
    const wchar_t* captureModifier = nullptr;   // GETKEYPROV other than the test file's 2 (Shift)
    ProgramDir dir;
    Process app;
    HWND frame = nullptr, editor = nullptr, hidden = nullptr;
};

}  // namespace e2e
