// Captures that paste the browser's selection into the editor, run in the test process.
#include "FrameFixture.h"

using namespace frame_test;

namespace {

TEST_F(FrameCapture, TwoCapturesAppendWithBalloonsAndEmptyTheClipboard) {
    TestBrowser first(L"--html", "<B>第一段</B> one", L"first page");
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(Capture(first));
    EXPECT_EQ(L"<P><B>第一段</B> one", Body());
    EXPECT_EQ(L"", Hidden());
    EXPECT_EQ(0, ClipboardFormatCount());
    auto b = Balloons();
    ASSERT_EQ(2u, b.size());
    ExpectBalloon(b[0], 1, L"", L"");
    ExpectBalloon(b[1], 1, L"成功", L"获取数据完成！");

    TestBrowser second(L"--html", "<I>two</I>", L"second page");
    ASSERT_TRUE(Capture(second));
    EXPECT_EQ(L"<P><B>第一段</B> one<P><I>two</I>", Body());
    EXPECT_EQ(0, ClipboardFormatCount());
    EXPECT_EQ(4u, Balloons().size());
    EXPECT_EQ(1, first.CopyCount());
    EXPECT_EQ(1, second.CopyCount());
}

TEST_F(FrameCapture, TextStartingWithTheProgramNameIsAccepted) {
    TestBrowser page(L"--html", "Pagewick \xE7\xA1\xAE\xE5\xAE\x9A ----- notes", L"name page");
    ASSERT_TRUE(Capture(page));
    EXPECT_EQ(L"<P>Pagewick 确定 ----- notes", Body());
    auto b = Balloons();
    ASSERT_EQ(2u, b.size());
    ExpectBalloon(b[1], 1, L"成功", L"获取数据完成！");
}

TEST_F(FrameCapture, RequestsDuringACaptureAreDroppedWithoutBalloon) {
    TestBrowser page(L"--html", "<P>held</P>", L"held page");
    ASSERT_TRUE(page.Focus());
    KeyDown(VK_SHIFT);   // the worker waits while Shift is down
    ASSERT_EQ(0, Send(WM_HOTKEY, kCaptureHotKeyId));
    EXPECT_FALSE(frame->m_ready);
    EXPECT_EQ(1, Send(WM_HOTKEY, kCaptureHotKeyId));
    EXPECT_EQ(1, Send(WM_HOTKEY, kSaveHotKeyId));
    Send(WM_CAPTURE_REQUEST);
    EXPECT_EQ(1u, Balloons().size());   // only the one of the accepted request
    KeyUp(VK_SHIFT);
    ASSERT_TRUE(WaitFor([&] { return frame->m_ready; }, 10000, 10));
    EXPECT_EQ(1, page.CopyCount());
    EXPECT_EQ(L"<P><P>held</P>", Body());
    EXPECT_EQ(2u, Balloons().size());
}

}  // namespace
