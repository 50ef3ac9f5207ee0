// Benchmark: a capture and typing with a 1 MB body, with the recovery writes and
// without them, side by side. Figures only; nothing here is a timed check.
// ctest --test-dir build/win64 -R RecoveryBenchmark -V
#include "FrameFixture.h"
#include "app/MainFrameRecovery.h"
#include <algorithm>
#include <cstdio>

using namespace frame_test;

namespace {

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}

double g_balloonAt = 0;
BOOL WINAPI StampCaptureBalloon(DWORD message, PNOTIFYICONDATAW record) {
    // The text may go on with a line saying where the same text was saved before.
    if (message == NIM_MODIFY && std::wstring(record->szInfo).rfind(kCapturedText, 0) == 0) g_balloonAt = Now();
    return RecordNotify(message, record);
}

// About a million characters of paragraphs, as a long collected text looks.
std::wstring OneMegabyteBody() {
    std::wstring body;
    const std::wstring line = L"<P>网文的一个段落，带着 <B>粗体</B> 和链接 <A href=\"http://example.test/p\">原文</A>。</P>\r\n";
    while (body.size() < 1000000) body += line;
    return body;
}

struct Figures { double toBalloon = 0, toIdle = 0, keyMean = 0, keyMax = 0, longestMessage = 0; int writes = 0; };

class RecoveryBenchmark : public FrameCapture {
protected:
    // Runs every message of the thread, timing each one; returns the longest.
    double Pump(double until) {
        double longest = 0;
        do {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                double a = Now();
                if (!frame->PreTranslateMessage(&msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
                longest = std::max(longest, Now() - a);
            }
            if (Now() < until) Sleep(1);
        } while (Now() < until);
        return longest;
    }
    Figures Run(bool recovery, TestBrowser& page, const std::wstring& body) {
        Figures f;
        frame->m_recoveryOn = recovery;
        int doneBefore = frame->m_recoveryWriter.Done();
        const int captures = 2;
        for (int i = 0; i < captures; ++i) {
            Main()->SetBodyHtml(body);
            frame->m_recoveryWriter.Flush();
            EXPECT_TRUE(page.Focus());
            g_balloonAt = 0;
            double start = Now();
            EXPECT_TRUE(Capture(page));
            double idle = Now();
            EXPECT_GT(g_balloonAt, start);
            f.toBalloon += (g_balloonAt - start) / captures;
            f.toIdle += (idle - start) / captures;
        }
        // Typing at the end of the text, 12 keys a second; the pause before a write
        // is made short so that a write falls between any two keystrokes.
        frame->m_typingPauseMs = 30;
        HWND edit = Main()->Window();
        SendMessageW(edit, EM_SETSEL, body.size(), body.size());
        const int keys = 40;
        double total = 0;
        for (int i = 0; i < keys; ++i) {
            double a = Now();
            PostMessageW(edit, WM_CHAR, L'x', 1);
            double key = Pump(0);
            f.keyMax = std::max(f.keyMax, Now() - a);
            total += Now() - a;
            f.longestMessage = std::max(f.longestMessage, std::max(key, Pump(a + 80)));
        }
        f.longestMessage = std::max(f.longestMessage, Pump(Now() + 200));
        f.keyMean = total / keys;
        frame->m_recoveryWriter.Flush();
        f.writes = frame->m_recoveryWriter.Done() - doneBefore;
        frame->m_typingPauseMs = 2000;
        return f;
    }
};

TEST_F(RecoveryBenchmark, CaptureAndTypingWithAOneMegabyteBody) {
    SetNotifyIconForTesting(StampCaptureBalloon);
    const std::wstring body = OneMegabyteBody();
    TestBrowser page(L"--html", "<B>\xE7\xBD\x91\xE6\x96\x87</B>", L"bench page", L"http://example.test/news/");
    // Two rounds each, alternating, so that neither side gets the warmer machine.
    Figures off, on;
    for (int round = 0; round < 2; ++round) {
        for (bool recovery : {false, true}) {
            Figures f = Run(recovery, page, body);
            Figures& sum = recovery ? on : off;
            sum.toBalloon += f.toBalloon / 2;
            sum.toIdle += f.toIdle / 2;
            sum.keyMean += f.keyMean / 2;
            sum.keyMax = std::max(sum.keyMax, f.keyMax);
            sum.longestMessage = std::max(sum.longestMessage, f.longestMessage);
            sum.writes += f.writes;
        }
    }
    EXPECT_EQ(0, off.writes);
    EXPECT_GT(on.writes, 3);   // every capture and several typing pauses were written
    RecoveryState read;
    ASSERT_EQ(RecoveryRead::Loaded, ReadRecoveryFile(frame->RecoveryPath(), read));
    EXPECT_EQ(body.size() + 12 + 40, read.body.size());   // the last capture, then the typing

    // What the frame's thread spends per write: a copy of the body handed to the writer.
    double snapshot = 0;
    for (int i = 0; i < 5; ++i) {
        Main()->SetBodyHtml(body + std::to_wstring(i));
        double a = Now();
        frame->WriteRecoveryNow();
        snapshot += (Now() - a) / 5;
        frame->m_recoveryWriter.Flush();
    }
    double a = Now();
    std::wstring copy;
    Main()->GetBodyHtml(copy);
    double bodyRead = Now() - a;
    a = Now();
    ASSERT_EQ(0u, WriteRecoveryFile(frame->RecoveryPath(), read));
    double fileWrite = Now() - a;

    printf("recovery benchmark, body of %u characters (%u bytes on disk)\n", unsigned(body.size()),
           unsigned(2 + EncodeRecovery(read).size() * 2));
    printf("%-44s %12s %12s %8s\n", "", "without", "with", "ratio");
    auto row = [](const char* name, double a, double b) { printf("%-44s %9.1f ms %9.1f ms %8.3f\n", name, a, b, b / a); };
    row("capture: request to balloon (mean of 4)", off.toBalloon, on.toBalloon);
    row("capture: request to idle again (mean of 4)", off.toIdle, on.toIdle);
    row("typing: one keystroke handled (mean of 80)", off.keyMean, on.keyMean);
    row("typing: slowest keystroke", off.keyMax, on.keyMax);
    row("typing: longest single message of the thread", off.longestMessage, on.longestMessage);
    printf("recovery files written: %d without, %d with\n", off.writes, on.writes);
    printf("frame thread per write: %.1f ms (of which reading the body: %.1f ms); "
           "the writer thread's encode and write: %.1f ms\n", snapshot, bodyRead, fileWrite);
    fflush(stdout);
}

}  // namespace
