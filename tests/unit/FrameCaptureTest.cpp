// The main frame's tray icon and its refused captures, run in the test process.
#include "FrameFixture.h"

using namespace frame_test;

namespace {

TEST_F(FrameCapture, AddsItsTrayIconAtCreation) {
    ASSERT_FALSE(Calls().empty());
    const NotifyCall& add = Calls().front();
    EXPECT_EQ(DWORD(NIM_ADD), add.message);
    EXPECT_EQ(952u, add.record.cbSize);
    EXPECT_EQ(frame->m_hWnd, add.record.hWnd);
    EXPECT_EQ(100u, add.record.uID);
    EXPECT_EQ(UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP), add.record.uFlags);
    EXPECT_EQ(1125u, add.record.uCallbackMessage);
    EXPECT_TRUE(add.record.hIcon != nullptr);
    EXPECT_EQ(L"ZelvaneV1.3", std::wstring(add.record.szTip));
    HWND hwnd = frame->m_hWnd;
    frame->DestroyWindow();
    ASSERT_FALSE(Calls().empty());
    EXPECT_EQ(DWORD(NIM_DELETE), Calls().back().message);
    EXPECT_EQ(hwnd, Calls().back().record.hWnd);
    EXPECT_EQ(100u, Calls().back().record.uID);
}

TEST_F(FrameCapture, RefusedCapturesWarnAndLeaveEditorAndClipboard) {
    Main()->SetBodyHtml(L"kept <B>text</B>");
    {
        // A copied message box of the program: markers after the start.
        TestBrowser box(L"--html", "<DIV>---------------------------<BR>Pagewick<BR>---------------------------<BR>"
                                   "\xE7\xA1\xAE\xE5\xAE\x9A</DIV>", L"message box");
        ASSERT_TRUE(Capture(box));
        EXPECT_EQ(L"kept <B>text</B>", Body());
        EXPECT_EQ(L"", Hidden());
        EXPECT_TRUE(ClipboardHasHtml());
        auto b = Balloons();
        ASSERT_EQ(2u, b.size());
        ExpectBalloon(b[1], 2, L"警告", L"未获取到数据！");
    }
    {
        // Nothing selected: the browser copies nothing and the clipboard stays as it was.
        TestBrowser empty(L"", "", L"empty page");
        std::string before = ClipboardHtml();
        ASSERT_TRUE(Capture(empty));
        EXPECT_EQ(1, empty.CopyCount());
        EXPECT_EQ(L"kept <B>text</B>", Body());
        EXPECT_EQ(before, ClipboardHtml());
        auto b = Balloons();
        ASSERT_EQ(4u, b.size());
        ExpectBalloon(b[3], 2, L"警告", L"未获取到数据！");
    }
}

TEST_F(FrameCapture, AWorkerThatCannotArmTheTimerReturnsTheFrameToIdle) {
    frame->m_ready = false;
    CaptureWorkerHooks failing{[] { return false; }, [](HWND) { return false; }};
    RunCaptureWorker(frame->m_hWnd, failing);
    EXPECT_TRUE(frame->m_ready);
    auto b = Balloons();
    ASSERT_EQ(1u, b.size());
    ExpectBalloon(b[0], 2, L"警告", L"未获取到数据！");
}

}  // namespace
