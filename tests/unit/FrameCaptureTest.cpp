// The main frame's tray icon and the balloons of its captures, run in the test process.
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

TEST_F(FrameCapture, EachOutcomeShowsItsBalloonAndDroppedRequestsNone) {
    TestBrowser page(L"--html", "<B>\xE7\xBD\x91\xE6\x96\x87</B>", L"web page");   // 网文
    ASSERT_TRUE(page.Focus());
    KeyDown(VK_SHIFT);   // keeps the capture waiting
    ASSERT_EQ(0, Send(WM_HOTKEY, kCaptureHotKeyId));
    EXPECT_EQ(1, Send(WM_HOTKEY, kCaptureHotKeyId));
    EXPECT_EQ(1, Send(WM_HOTKEY, kSaveHotKeyId));
    Send(WM_CAPTURE_REQUEST);
    EXPECT_EQ(1u, Balloons().size());   // only the accepted request's
    KeyUp(VK_SHIFT);
    ASSERT_TRUE(WaitFor([&] { return frame->m_ready; }, 10000, 10));
    EXPECT_EQ(L"<P><B>网文</B>", Body());
    auto b = Balloons();
    ASSERT_EQ(2u, b.size());
    ExpectBalloon(b[0], 1, L"", L"");
    ExpectBalloon(b[1], 1, L"成功", L"获取数据完成！");

    // A copied message box of the program, then a page with nothing selected.
    TestBrowser box(L"--html", "<DIV>---------------------------<BR>Pagewick<BR>---------------------------<BR>"
                               "\xE7\xA1\xAE\xE5\xAE\x9A</DIV>", L"message box");
    ASSERT_TRUE(Capture(box));
    TestBrowser empty(L"", "", L"empty page");
    ASSERT_TRUE(Capture(empty));
    EXPECT_EQ(1, empty.CopyCount());
    EXPECT_EQ(L"<P><B>网文</B>", Body());
    EXPECT_EQ(L"", Hidden());
    b = Balloons();
    ASSERT_EQ(6u, b.size());
    for (int i : {2, 4}) ExpectBalloon(b[i], 1, L"", L"");
    for (int i : {3, 5}) ExpectBalloon(b[i], 2, L"警告", L"未获取到数据！");
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

// The extension finds the window by its caption while the start-up is still building it.
class FrameStarting : public FrameCapture {
public:
    FrameStarting() { showAtStart = false; }
};

TEST_F(FrameStarting, ARequestBeforeTheWindowIsShownIsTakenOnceItIs) {
    TestBrowser page(L"--html", "<B>early</B>", L"early page");
    ASSERT_TRUE(page.Focus());
    // The extension names the browser that was in front; the kept request keeps it.
    Send(WM_CAPTURE_AFTER_START, HandleToULong(page.Window()));
    EXPECT_FALSE(WaitFor([&] { return page.CopyCount() > 0 || !frame->m_ready; }, 800, 10));
    EXPECT_TRUE(Balloons().empty());
    frame->ShowWindow(SW_SHOW);
    // Then it hides the window and captures from the page that comes back in front.
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(frame->m_hWnd); }, 5000, 10));
    ASSERT_TRUE(WaitFor([&] { return frame->m_ready && Body() == L"<P><B>early</B>"; }, 10000, 10)) << Narrow(Body());
    EXPECT_EQ(1, page.CopyCount());
    EXPECT_FALSE(IsWindowVisible(frame->m_hWnd));
    EXPECT_EQ(page.Window(), GetForegroundWindow());
}

// Wine's tray balloon waits in a message sent to the tray, and so do the start's other
// steps: a request from the extension may come in while the window is being shown.
HWND g_midwayFrame;
WPARAM g_midwayBrowser;
bool g_midwaySent;
DWORD WINAPI SendMidwayRequest(void*) {
    SendMessageW(g_midwayFrame, WM_CAPTURE_AFTER_START, g_midwayBrowser, 0);
    return 0;
}
BOOL WINAPI NotifyAndTakeARequest(DWORD message, PNOTIFYICONDATAW record) {
    if (message == NIM_MODIFY && !g_midwaySent) {
        g_midwaySent = true;
        HANDLE sender = CreateThread(nullptr, 0, SendMidwayRequest, nullptr, 0, nullptr);
        while (MsgWaitForMultipleObjects(1, &sender, FALSE, 5000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        CloseHandle(sender);
    }
    return RecordNotify(message, record);
}

TEST_F(FrameStarting, ARequestWhileTheWindowIsBeingShownHidesItAfterwards) {
    TestBrowser page(L"--html", "<B>midway</B>", L"midway page");
    ASSERT_TRUE(page.Focus());
    g_midwayFrame = frame->m_hWnd;
    g_midwayBrowser = HandleToULong(page.Window());
    g_midwaySent = false;
    SetNotifyIconForTesting(NotifyAndTakeARequest);
    frame->ShowWindow(SW_SHOW);
    ASSERT_TRUE(g_midwaySent);
    ASSERT_TRUE(WaitFor([&] { return frame->m_ready && Body() == L"<P><B>midway</B>"; }, 10000, 10)) << Narrow(Body());
    EXPECT_FALSE(IsWindowVisible(frame->m_hWnd));
    EXPECT_EQ(1, page.CopyCount());
    EXPECT_EQ(page.Window(), GetForegroundWindow());
}

// Another program holds the capture key before the frame starts.
class FrameWithTakenKey : public FrameCapture {
protected:
    void SetUp() override {
        ASSERT_TRUE(holder.Start(ToolFile(L"TestBrowser.exe"), L"--title \"key holder\" --hotkey 4 65"));   // Shift+A
        ASSERT_TRUE(WaitForWindow(L"key holder", holder.Id(), 15000));
        FrameCapture::SetUp();
    }
    Process holder;
};

TEST_F(FrameWithTakenKey, SaysWhichCaptureKeyIsTakenAndWhereToChangeIt) {
    auto b = Balloons();
    ASSERT_EQ(1u, b.size());
    ExpectBalloon(b[0], 2, L"热键被占用", L"捕获网文快捷键 Shift+A 已被其他程序占用，可在“系统设置”中更改。");
    // The save key was free: nothing else is said, and requests still capture.
    TestBrowser page(L"--html", "<B>still</B>", L"page still");
    ASSERT_TRUE(Capture(page));
    EXPECT_EQ(L"<P><B>still</B>", Body());
}

}  // namespace
