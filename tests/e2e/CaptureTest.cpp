// Captures from the stand-in browser into the real program, triggered the three ways.
#include "RunningProgram.h"

using namespace e2e;

namespace {

TEST_F(RunningProgram, EachTriggerAppendsTheSelectionInFront) {
    TestBrowser a(L"--html", "<B>\xE7\xAC\xAC\xE4\xB8\x80</B> one", L"page a");   // 第一
    ASSERT_TRUE(a.Focus());
    // As the extension does when the program already runs.
    EXPECT_EQ(0, SendMessageW(frame, kMsgCapture, 0, 0));
    ASSERT_TRUE(BodyBecomes(L"<P><B>第一</B> one")) << Narrow(Body());
    EXPECT_TRUE(WaitFor([] { return ClipboardFormatCount() == 0; }, 3000));
    EXPECT_TRUE(IsWindowVisible(frame));

    TestBrowser b(L"--html", "<I>two</I>", L"page b");
    ASSERT_TRUE(b.Focus());
    SendMessageW(frame, WM_HOTKEY, 12, 0);
    ASSERT_TRUE(BodyBecomes(L"<P><B>第一</B> one<P><I>two</I>")) << Narrow(Body());

    // The hot key pressed on the keyboard.
    TestBrowser c(L"--html", "<U>three</U>", L"page c");
    ASSERT_TRUE(c.Focus());
    PressCaptureHotKey();
    ASSERT_TRUE(BodyBecomes(L"<P><B>第一</B> one<P><I>two</I><P><U>three</U>")) << Narrow(Body());
    EXPECT_TRUE(WaitFor([] { return ClipboardFormatCount() == 0; }, 3000));
    EXPECT_EQ(L"", Hidden());
    for (TestBrowser* page : {&a, &b, &c}) EXPECT_EQ("copy shift=0\r\n", page->Log());
}

TEST_F(RunningProgram, AfterStartMessageHidesTheWindowThenCaptures) {
    TestBrowser a(L"--html", "<P>started</P>", L"page after start");
    ASSERT_TRUE(a.Focus());
    SendMessageW(frame, kMsgAfterStart, 0, 0);
    EXPECT_FALSE(IsWindowVisible(frame));
    ASSERT_TRUE(BodyBecomes(L"<P><P>started</P>")) << Narrow(Body());
    EXPECT_FALSE(IsWindowVisible(frame));
}

TEST_F(RunningProgram, HeldShiftDelaysTheCopyAndRequestsMeanwhileAreDropped) {
    TestBrowser a(L"--html", "<P>held</P>", L"page held");
    ASSERT_TRUE(a.Focus());
    HeldKey shift(VK_SHIFT);
    ASSERT_TRUE((GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0);
    EXPECT_EQ(0, SendMessageW(frame, kMsgCapture, 0, 0));
    EXPECT_EQ(1, SendMessageW(frame, WM_HOTKEY, 12, 0));   // dropped
    EXPECT_EQ(1, SendMessageW(frame, WM_HOTKEY, 13, 0));   // save ignored during a capture
    SendMessageW(frame, kMsgAfterStart, 0, 0);              // only hides
    EXPECT_FALSE(IsWindowVisible(frame));
    // Nothing is copied while Shift is down, however long.
    EXPECT_FALSE(WaitFor([&] { return a.CopyCount() > 0; }, 1200, 20));
    EXPECT_EQ(L"", Body());
    shift.Release();
    ASSERT_TRUE(BodyBecomes(L"<P><P>held</P>")) << Narrow(Body());
    EXPECT_EQ("copy shift=0\r\n", a.Log());
    // The dropped requests never come back.
    EXPECT_FALSE(WaitFor([&] { return a.CopyCount() > 1; }, 1500, 50));
    EXPECT_EQ(L"<P><P>held</P>", Body());
}

// A settings file of a first start today: capture Alt+Shift+A.
class RunningWithAltShiftA : public RunningProgram {
protected:
    void SetUp() override {
        captureModifier = L"4";
        RunningProgram::SetUp();
    }
};

TEST_F(RunningWithAltShiftA, TheHotKeyCapturesOnceAltIsLetGoAndCapitalsStayFree) {
    auto taken = [](UINT mod) {
        if (!RegisterHotKey(nullptr, 79, mod, 'A')) return true;
        UnregisterHotKey(nullptr, 79);
        return false;
    };
    EXPECT_TRUE(taken(MOD_ALT | MOD_SHIFT));
    EXPECT_FALSE(taken(MOD_SHIFT));
    TestBrowser page(L"--html", "<B>alt</B> shift", L"page alt shift");
    ASSERT_TRUE(page.Focus());
    // Pressed as people do: A let go first, then Shift, Alt last, a moment later.
    KeyDown(VK_MENU);
    KeyDown(VK_SHIFT);
    KeyDown('A');
    KeyUp('A');
    KeyUp(VK_SHIFT);
    Sleep(600);
    KeyUp(VK_MENU);
    // A copy sent with Alt still down would be Ctrl+Alt+C, which copies nothing.
    ASSERT_TRUE(BodyBecomes(L"<P><B>alt</B> shift")) << Narrow(Body()) << page.Log();
    EXPECT_EQ("copy shift=0\r\n", page.Log());   // neither Shift nor Alt ("ctrl+alt+c") with the C
    EXPECT_TRUE(WaitFor([] { return ClipboardFormatCount() == 0; }, 3000));
}

TEST_F(RunningProgram, ARequestArrivingWhileTheCopyIsReadIsTakenAfterwards) {
    TestBrowser a(L"--html", "<P>again</P>", L"page again");
    ASSERT_TRUE(a.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    // The copy keystroke has come: the capture is in its waits for about half a second.
    ASSERT_TRUE(WaitFor([&] { return a.CopyCount() == 1; }, 10000, 5));
    SendMessageW(frame, kMsgCapture, 0, 0);
    ASSERT_TRUE(BodyBecomes(L"<P><P>again</P><P><P>again</P>")) << Narrow(Body());
    EXPECT_EQ(2, a.CopyCount());
}

TEST_F(RunningProgram, RefusedCapturesLeaveEditorAndClipboardAsTheyWere) {
    TestBrowser first(L"--html", "Pagewick \xE7\xA1\xAE\xE5\xAE\x9A ----- kept", L"page first");   // 确定
    ASSERT_TRUE(first.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    // Beginning with the program's name it is a web text, markers or not.
    ASSERT_TRUE(BodyBecomes(L"<P>Pagewick 确定 ----- kept")) << Narrow(Body());
    const std::wstring kept = Body();

    // The copied message box of the program.
    TestBrowser box(L"--html", "<DIV>---------------------------<BR>Pagewick<BR>---------------------------<BR>"
                               "\xE7\xA1\xAE\xE5\xAE\x9A<BR>---------------------------</DIV>", L"page box");
    ASSERT_TRUE(box.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    SettleAfterCopy(box);
    EXPECT_EQ(kept, Body());
    EXPECT_EQ(L"", Hidden());
    EXPECT_NE(std::string::npos, ClipboardHtml().find("Pagewick<BR>"));

    // Nothing selected: the browser leaves the clipboard alone.
    TestBrowser empty(L"", "", L"page empty");
    ASSERT_TRUE(empty.Focus());
    SendMessageW(frame, WM_HOTKEY, 12, 0);
    SettleAfterCopy(empty);
    EXPECT_EQ(kept, Body());
    EXPECT_EQ(L"", Hidden());
    EXPECT_NE(std::string::npos, ClipboardHtml().find("Pagewick<BR>"));
}

// A real copy of a message box is plain text: its first dash line stands at the start.
TEST_F(RunningProgram, ACopiedMessageBoxIsRefusedAsPlainTextButDashedWebTextIsTaken) {
    const std::string dashes = "---------------------------\r\n";
    TestBrowser box(L"--text", dashes + "Pagewick\r\n" + dashes + "\xE5\xB7\xB2\xE4\xBF\x9D\xE5\xAD\x98\r\n" + dashes +
                                   "\xE7\xA1\xAE\xE5\xAE\x9A   \r\n" + dashes, L"page box text");   // 已保存, 确定
    ASSERT_TRUE(box.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    SettleAfterCopy(box);
    EXPECT_EQ(L"", Body());
    EXPECT_EQ(L"", Hidden());
    EXPECT_NE(0, ClipboardFormatCount());   // a refused capture leaves the clipboard

    TestBrowser dashed(L"--text", "-----\r\nPagewick \xE7\xA1\xAE\xE5\xAE\x9A\r\n-----", L"page dashed");
    ASSERT_TRUE(dashed.Focus());
    SendMessageW(frame, kMsgCapture, 0, 0);
    ASSERT_TRUE(BodyBecomes(L"<P>-----<BR>Pagewick 确定<BR>-----")) << Narrow(Body());
}

}  // namespace
