// The decision on pasted HTML, and the capture worker's wait and timer.
#include <gtest/gtest.h>
#include "capture/CaptureWorker.h"
#include "capture/SelectionCapture.h"
#include "support/TestBrowser.h"
#include <thread>

namespace {

TEST(PastedHtml, EmptyFailsAndOwnMessageBoxIsRecognisedOnlyWithMarkersAfterTheStart) {
    EXPECT_EQ(CaptureOutcome::Empty, ClassifyPastedHtml(L""));
    // What a copied message box of the program pastes as.
    std::wstring box = L"<P>---------------------------<BR>Pagewick<BR>---------------------------<BR>"
                       L"网文的内容已被修改<BR>---------------------------<BR>确定 <BR>-----</P>";
    EXPECT_TRUE(IsCopiedMessageBox(box));
    EXPECT_EQ(CaptureOutcome::CopiedMessageBox, ClassifyPastedHtml(box));
    // Any marker missing: a web text.
    EXPECT_EQ(CaptureOutcome::Success, ClassifyPastedHtml(L"x Pagewick 确定"));
    EXPECT_EQ(CaptureOutcome::Success, ClassifyPastedHtml(L"x Pagewick -----"));
    EXPECT_EQ(CaptureOutcome::Success, ClassifyPastedHtml(L"x 确定 -----"));
    // A first occurrence at index 0 does not count, even with later occurrences.
    EXPECT_EQ(CaptureOutcome::Success, ClassifyPastedHtml(L"Pagewick 确定 ----- Pagewick"));
    EXPECT_EQ(CaptureOutcome::Success, ClassifyPastedHtml(L"-----Pagewick 确定 -----"));
    EXPECT_EQ(CaptureOutcome::Success, ClassifyPastedHtml(L"确定Pagewick-----"));
    // Case matters.
    EXPECT_EQ(CaptureOutcome::Success, ClassifyPastedHtml(L"x pagewick 确定 -----"));
}

TEST(PastedHtml, AppendsWithTheSeparatorOnly) {
    EXPECT_EQ(L"<P>abc", AppendCapture(L"", L"abc"));
    EXPECT_EQ(L"<P>one<P>two", AppendCapture(AppendCapture(L"", L"one"), L"two"));
    EXPECT_EQ(L"old text<P><B>x</B>", AppendCapture(L"old text", L"<B>x</B>"));
}

// A plain window that records the timers and messages a worker leaves on it.
struct Recorder {
    static std::vector<std::pair<UINT, WPARAM>>& Seen() { static std::vector<std::pair<UINT, WPARAM>> s; return s; }
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_TIMER) { KillTimer(h, wp); Seen().push_back({msg, wp}); return 0; }
        if (msg == WM_CAPTURE_NOT_ARMED) { Seen().push_back({msg, wp}); return 0; }
        return DefWindowProcW(h, msg, wp, lp);
    }
    HWND hwnd = nullptr;
    Recorder() {
        Seen().clear();
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZelvaneWorkerRecorder";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~Recorder() { DestroyWindow(hwnd); }
    bool Saw(UINT msg, WPARAM wp) const {
        for (auto& s : Seen()) if (s.first == msg && s.second == wp) return true;
        return false;
    }
};

TEST(CaptureWorker, WaitsForEveryHeldModifierThenArmsTimer2) {
    Recorder frame;
    ASSERT_TRUE(frame.hwnd);
    // Alt and Shift of a hot key like Alt+Shift+A, let go one after the other.
    zt::KeyDown(VK_MENU);
    zt::KeyDown(VK_SHIFT);
    ASSERT_TRUE(zt::WaitFor([] { return (GetAsyncKeyState(VK_SHIFT) & GetAsyncKeyState(VK_MENU) & 0x8000) != 0; }, 2000));
    ASSERT_TRUE(StartCaptureWorker(frame.hwnd));
    EXPECT_FALSE(zt::WaitFor([&] { return frame.Saw(WM_TIMER, kCaptureTimerId); }, 500, 20));
    zt::KeyUp(VK_SHIFT);
    // Alt alone would still turn the copy into Ctrl+Alt+C.
    EXPECT_FALSE(zt::WaitFor([&] { return frame.Saw(WM_TIMER, kCaptureTimerId); }, 500, 20));
    zt::KeyUp(VK_MENU);
    EXPECT_TRUE(zt::WaitFor([&] { return frame.Saw(WM_TIMER, kCaptureTimerId); }, 3000, 10));
    EXPECT_FALSE(frame.Saw(WM_CAPTURE_NOT_ARMED, 0));
}

// The copy's wait ends on the clipboard's change, but only once its writer closed it.
TEST(CopyWait, EndsWhenTheClipboardWasWrittenAndClosedOrAtItsBound) {
    Recorder opener;
    const DWORD before = GetClipboardSequenceNumber();
    auto landed = [&] { return ClipboardChangedSince(before, opener.hwnd); };
    EXPECT_FALSE(landed());
    DWORD t0 = GetTickCount();
    EXPECT_FALSE(WaitAnsweringSentMessages(150, landed));
    EXPECT_GE(GetTickCount() - t0, 140u);

    // Another thread empties and fills the clipboard, holding it open a while.
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr), release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread writer([&] {
        if (!OpenClipboard(nullptr)) return;
        EmptyClipboard();
        SetEvent(opened);
        WaitForSingleObject(release, 5000);
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
        memcpy(GlobalLock(mem), L"new", 4 * sizeof(wchar_t));
        GlobalUnlock(mem);
        SetClipboardData(CF_UNICODETEXT, mem);
        CloseClipboard();
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opened, 5000));
    EXPECT_NE(before, GetClipboardSequenceNumber());
    EXPECT_FALSE(landed());   // still being written
    SetEvent(release);
    EXPECT_TRUE(WaitAnsweringSentMessages(5000, landed));
    writer.join();
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE text = GetClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(L"new", std::wstring(text ? static_cast<const wchar_t*>(GlobalLock(text)) : L""));
    if (text) GlobalUnlock(text);
    CloseClipboard();
    CloseHandle(opened);
    CloseHandle(release);
}

TEST(CaptureWorker, HandsTheFrameBackWhenTheTimerCannotBeArmed) {
    Recorder frame;
    static int polls, arms;
    polls = arms = 0;
    // Held, read up once (a gap between two presses), held again, then let go for good.
    CaptureWorkerHooks hooks{[] { ++polls; return polls < 4 || polls == 5; }, [](HWND) { ++arms; return false; }};
    EXPECT_EQ(0u, RunCaptureWorker(frame.hwnd, hooks));
    EXPECT_EQ(12, polls);   // seven readings in a row after the last press
    EXPECT_GE(arms, 2);   // tried again before giving up
    EXPECT_TRUE(frame.Saw(WM_CAPTURE_NOT_ARMED, 0));

    Recorder::Seen().clear();
    CaptureWorkerHooks works{[] { return false; }, [](HWND) { return true; }};
    RunCaptureWorker(frame.hwnd, works);
    EXPECT_FALSE(frame.Saw(WM_CAPTURE_NOT_ARMED, 0));
}

}  // namespace
