// Close-to-tray, the tray icon's clicks and menu, with the real program.
#include "RunningProgram.h"

using namespace e2e;

namespace {

bool MenuShown(DWORD pid) {
    for (HWND h = FindWindowW(L"#32768", nullptr); h; h = FindWindowExW(nullptr, h, L"#32768", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == pid && IsWindowVisible(h)) return true;
    }
    return false;
}

TEST_F(RunningProgram, CloseMinimisesThenHidesAndTheHotKeyStillWorks) {
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(frame) != FALSE; }, 5000, 10)) << "not minimised";
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(frame); }, 5000, 10)) << "not hidden";
    EXPECT_TRUE(Running());
    // The system menu's close takes the same way.
    SendMessageW(frame, kMsgTray, 100, WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(frame) && !IsIconic(frame); }, 5000));
    PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(frame); }, 5000, 10));
    EXPECT_TRUE(IsIconic(frame));
    EXPECT_TRUE(Running());

    // Hidden, the capture hot key still sends the copy keystroke to the window in front.
    TestBrowser page(L"--html", "<B>hidden</B>", L"page while hidden");
    ASSERT_TRUE(page.Focus());
    PressCaptureHotKey();
    EXPECT_TRUE(WaitFor([&] { return page.CopyCount() == 1; }, 10000, 20));
    EXPECT_EQ("copy shift=0\r\n", page.Log());
    EXPECT_TRUE(Running());
}

TEST_F(RunningProgram, TrayClicksAlternateAndTheMenuCarriesCommands) {
    SendMessageW(frame, kMsgTray, 100, WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(frame); }, 5000, 10));
    SendMessageW(frame, kMsgTray, 100, WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(frame) && !IsIconic(frame); }, 5000, 10));
    SendMessageW(frame, kMsgTray, 100, WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(frame); }, 5000, 10));
    // Other mouse messages do nothing.
    SendMessageW(frame, kMsgTray, 100, WM_MOUSEMOVE);
    SendMessageW(frame, kMsgTray, 100, WM_LBUTTONDBLCLK);
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_FALSE(MenuShown(app.Id()));

    // Right button: the menu; closing it without a choice changes nothing.
    PostMessageW(frame, kMsgTray, 100, WM_RBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return MenuShown(app.Id()); }, 5000)) << "no tray menu";
    KeyDown(VK_ESCAPE);
    KeyUp(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !MenuShown(app.Id()); }, 5000));
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_TRUE(Running());

    // Its first entry, chosen by its mnemonic, shows the window again.
    PostMessageW(frame, kMsgTray, 100, WM_RBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return MenuShown(app.Id()); }, 5000));
    KeyDown('S');
    KeyUp('S');
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(frame) && !MenuShown(app.Id()); }, 5000));

    // Only the exit command ends the program (the editor is empty: no question).
    PostMessageW(frame, WM_COMMAND, 32777, 0);
    EXPECT_EQ(0u, app.Wait(15000));
}

TEST(TestBrowserTool, CopiesHtmlFormatWithFragmentOffsetsAndText) {
    std::string fragment = "<B>\xE7\xBD\x91\xE6\x96\x87</B> text";   // 网文
    TestBrowser page(L"--html", fragment, L"format page");
    ASSERT_TRUE(page.Focus());
    KeyDown(VK_CONTROL);
    KeyDown('C');
    KeyUp('C');
    KeyUp(VK_CONTROL);
    ASSERT_TRUE(WaitFor([&] { return page.CopyCount() == 1 && ClipboardHasHtml(); }, 5000));
    std::string cf = ClipboardHtml();
    auto field = [&](const char* name) {
        size_t at = cf.find(name);
        return at == std::string::npos ? std::string::npos : (size_t)std::stoul(cf.substr(at + strlen(name)));
    };
    size_t start = field("StartFragment:"), end = field("EndFragment:");
    ASSERT_NE(std::string::npos, start);
    ASSERT_NE(std::string::npos, end);
    EXPECT_EQ(fragment, cf.substr(start, end - start));
    EXPECT_EQ(cf.size(), field("EndHTML:"));
    EXPECT_EQ("<html>", cf.substr(field("StartHTML:"), 6));
    EXPECT_NE(std::string::npos, cf.find("SourceURL:http://"));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE text = GetClipboardData(CF_UNICODETEXT);
    std::wstring copied = text ? static_cast<const wchar_t*>(GlobalLock(text)) : L"";
    if (text) GlobalUnlock(text);
    CloseClipboard();
    EXPECT_EQ(L"网文 text", copied);
}

}  // namespace
