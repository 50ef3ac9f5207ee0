// Captures handed over by the native messaging host (WM_COPYDATA) in the real frame:
// the balloons of a 1028 capture and the requests that are refused (the host tests show
// the appended text and the untouched clipboard with the real program).
#include "FrameFixture.h"
#include "capture/BrowserHandoff.h"
#include "capture/WebTextSaver.h"
#include "resources/resource.h"
#include <thread>

using namespace frame_test;

namespace {

LRESULT SendCapture(HWND frame, ULONG_PTR tag, const std::wstring& payload, DWORD bytes = DWORD(-1)) {
    COPYDATASTRUCT data{tag, bytes == DWORD(-1) ? DWORD(payload.size() * sizeof(wchar_t)) : bytes,
                        const_cast<wchar_t*>(payload.c_str())};
    return SendMessageW(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

TEST_F(FrameCapture, BrowserCapturesAppendWithBalloonsAndAreRefusedWhileBusy) {
    HWND hwnd = frame->m_hWnd;
    const std::wstring page = L"http://127.0.0.1:8000/a/page.html";
    EXPECT_EQ(kReplyTaken, SendCapture(hwnd, kBrowserCaptureTag,
                                       PackBrowserCapture(page, L"<IMG src=\"p/1.png\"><A href=\"../b.htm\">网文</A>")));
    const std::wstring first = L"<P><IMG src=\"http://127.0.0.1:8000/a/p/1.png\"><A href=\"http://127.0.0.1:8000/b.htm\">网文</A>";
    EXPECT_EQ(first, Body());
    EXPECT_TRUE(frame->m_ready);
    auto b = Balloons();
    ASSERT_EQ(2u, b.size());
    ExpectBalloon(b[0], 1, L"", L"");
    ExpectBalloon(b[1], 1, L"成功", L"获取数据完成！");

    // A terminator sent along is no part of the HTML.
    EXPECT_EQ(kReplyTaken, SendCapture(hwnd, kBrowserCaptureTag, PackBrowserCapture(page, L"<B>二</B>") + L'\0',
                                       DWORD((page.size() + 10) * sizeof(wchar_t))));
    EXPECT_EQ(first + L"<P><B>二</B>", Body());

    // A save dialog or another capture in progress: refused, nothing shown, nothing changed.
    frame->m_ready = false;
    EXPECT_EQ(kReplyBusy, SendCapture(hwnd, kBrowserCaptureTag, PackBrowserCapture(page, L"<B>三</B>")));
    frame->m_ready = true;
    EXPECT_EQ(4u, Balloons().size());

    // Nothing to take: the warning, the editor unchanged.
    EXPECT_EQ(kReplyNothing, SendCapture(hwnd, kBrowserCaptureTag, PackBrowserCapture(page, L"")));
    b = Balloons();
    ASSERT_EQ(6u, b.size());
    ExpectBalloon(b[5], 2, L"警告", L"未获取到数据！");

    // Not a capture: another tag, an odd byte count, no separator.
    std::wstring good = PackBrowserCapture(page, L"<B>x</B>");
    EXPECT_EQ(kReplyNotUnderstood, SendCapture(hwnd, 0x1234, good));
    EXPECT_EQ(kReplyNotUnderstood, SendCapture(hwnd, kBrowserCaptureTag, good, DWORD(good.size() * 2 - 1)));
    EXPECT_EQ(kReplyNotUnderstood, SendCapture(hwnd, kBrowserCaptureTag, page));
    EXPECT_EQ(6u, Balloons().size());
    EXPECT_EQ(first + L"<P><B>二</B>", Body());
    EXPECT_TRUE(IsWindowVisible(hwnd));

    // Sent by a host that has just started the program: the window goes out of the way.
    EXPECT_EQ(kReplyTaken, SendCapture(hwnd, kBrowserCaptureAfterStartTag, PackBrowserCapture(page, L"<I>四</I>")));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(first + L"<P><B>二</B><P><I>四</I>", Body());
}

// The name the save proposes for the editor's text (the dialog is then closed: nothing saved).
std::wstring ProposedName(CMainFrame& frame) {
    std::wstring shown = L"(no dialog)";
    std::thread answer([&] {
        HWND dlg = WaitForDialog(GetCurrentProcessId(), 10000, L"文件名");
        if (!dlg) return;
        Sleep(300);
        shown = WindowText(GetDlgItem(dlg, IDC_FILE_NAME));
        PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    RunSaveWebText(frame, [] { return std::wstring(L"新闻"); });
    answer.join();
    return shown;
}

// A page title names the text its capture began, also after more captures; once the user
// has emptied the editor and begun again with the hot key, the text's own words do.
TEST_F(FrameCapture, APageTitleNamesOnlyTheTextItsCaptureBegan) {
    frame->m_nameLength = 4;
    const std::wstring page = L"http://127.0.0.1:8000/a/page.html";
    EXPECT_EQ(kReplyTaken, SendCapture(frame->m_hWnd, kBrowserCaptureTag,
                                       PackBrowserCapture(page, L"<B>第一篇的字</B>", L"第一篇标题")));
    EXPECT_EQ(kReplyTaken, SendCapture(frame->m_hWnd, kBrowserCaptureTag,
                                       PackBrowserCapture(page, L"<B>又一段</B>", L"别的页")));
    EXPECT_EQ(L"第一篇标题", ProposedName(*frame));
    Main()->SetBodyHtml(L"");   // emptied by hand
    TestBrowser next(L"--html", "<B>\xE7\xAC\xAC\xE4\xBA\x8C\xE7\xAF\x87\xE7\x9A\x84\xE5\xAD\x97</B>", L"web page");
    ASSERT_TRUE(Capture(next));
    EXPECT_EQ(L"<P><B>第二篇的字</B>", Body());
    EXPECT_EQ(L"第二篇的", ProposedName(*frame));
}

class FrameStartingBrowser : public FrameCapture {
public:
    FrameStartingBrowser() { showAtStart = false; }
};

TEST_F(FrameStartingBrowser, ABrowserCaptureBeforeTheWindowIsShownIsAskedAgainLater) {
    std::wstring payload = PackBrowserCapture(L"http://h/", L"<B>early</B>");
    EXPECT_EQ(kReplyStarting, SendCapture(frame->m_hWnd, kBrowserCaptureAfterStartTag, payload));
    EXPECT_TRUE(Balloons().empty());
    frame->ShowWindow(SW_SHOW);
    // Still starting until the showing is over.
    EXPECT_EQ(kReplyStarting, SendCapture(frame->m_hWnd, kBrowserCaptureAfterStartTag, payload));
    ASSERT_TRUE(StartShown());
    EXPECT_EQ(kReplyTaken, SendCapture(frame->m_hWnd, kBrowserCaptureAfterStartTag, payload));
    EXPECT_EQ(L"<P><B>early</B>", Body());
}

}  // namespace
