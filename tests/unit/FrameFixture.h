// The real main frame in the test process, capturing from the stand-in browser,
// with every Shell_NotifyIconW record it passes kept for the checks.
#pragma once
#include <gtest/gtest.h>
#include <algorithm>
#include "app/MainFrame.h"
#include "app/TrayIcon.h"
#include "capture/CaptureWorker.h"
#include "capture/SelectionCapture.h"
#include "settings/AppDir.h"
#include "support/TestBrowser.h"

namespace frame_test {

using namespace zt;

inline const wchar_t kSimpleEditorNotice[] = L"正在使用简易编辑器：系统的网页编辑控件不可用（错误 0x";
struct NotifyCall { DWORD message; NOTIFYICONDATAW record; };
inline std::vector<NotifyCall>& Calls() { static std::vector<NotifyCall> c; return c; }
inline BOOL WINAPI RecordNotify(DWORD message, PNOTIFYICONDATAW record) {
    Calls().push_back({message, *record});
    return Shell_NotifyIconW(message, record);
}

struct Balloon { DWORD kind; std::wstring title, text; };

class FrameCapture : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES |
                                                  ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        dir = std::make_unique<ProgramDir>(L"frame ");
        dir->WriteDefaultConfig();
        CreateDirectoryW((*dir / L"新闻").c_str(), nullptr);   // a library with one category
        SetAppDirForTesting(dir->Path());
        Calls().clear();
        SetNotifyIconForTesting(RecordNotify);
        doc = std::make_unique<CPagewickDoc>();
        frame = std::make_unique<CMainFrame>();
        ASSERT_TRUE(frame->LoadFrame(doc.get()));
        SetMainFrame(frame.get());
        doc->OnNewDocument();
        if (showAtStart) {
            frame->ShowWindow(SW_SHOW);
            // Wine has no HTML engine: the start tells once that the simple editor is in
            // use, and why. That notice is set aside; the checks after it count the other
            // balloons (a start may also have said that a hot key is taken).
            auto& calls = Calls();
            auto notice = std::find_if(calls.begin(), calls.end(), [](const NotifyCall& c) {
                return c.message == NIM_MODIFY && std::wstring(c.record.szInfoTitle) == L"提示";
            });
            ASSERT_NE(calls.end(), notice) << "no notice that the simple editor is in use";
            EXPECT_EQ(DWORD(NIIF_WARNING), notice->record.dwInfoFlags);
            EXPECT_EQ(0u, std::wstring(notice->record.szInfo).find(kSimpleEditorNotice)) << Narrow(notice->record.szInfo);
            calls.erase(notice);
            ASSERT_TRUE(StartShown());
        }
    }
    // The start-up is over once the message it posts while showing the window comes back
    // (the program's message loop; here the wait's).
    bool StartShown() { return WaitFor([&] { return frame->m_startShown; }, 5000, 1); }
    void ExpectSimpleEditorNotice() {
        auto b = Balloons();
        ASSERT_FALSE(b.empty());
        EXPECT_EQ(DWORD(NIIF_WARNING), b[0].kind);
        EXPECT_EQ(L"提示", b[0].title);
        EXPECT_EQ(0u, b[0].text.find(kSimpleEditorNotice)) << Narrow(b[0].text);
    }
    void TearDown() override {
        KeyUp(VK_SHIFT);   // never left held for the tests after a failed one
        frame->DestroyWindow();
        SetMainFrame(nullptr);
        SetNotifyIconForTesting(nullptr);
        SetAppDirForTesting(L"");
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    }
    std::vector<Balloon> Balloons() const {
        std::vector<Balloon> out;
        for (auto& c : Calls())
            if (c.message == NIM_MODIFY) {
                EXPECT_EQ(952u, c.record.cbSize);
                EXPECT_EQ(UINT(NIF_INFO), c.record.uFlags);
                EXPECT_EQ(3u, c.record.uTimeout);
                EXPECT_EQ(100u, c.record.uID);
                EXPECT_EQ(frame->m_hWnd, c.record.hWnd);
                out.push_back({c.record.dwInfoFlags, c.record.szInfoTitle, c.record.szInfo});
            }
        return out;
    }
    HtmlEngine* Main() { return frame->m_mainView->Engine(); }
    std::wstring Body() { std::wstring b; Main()->GetBodyHtml(b); return b; }
    std::wstring Hidden() { std::wstring b; g_pasteView->Engine()->GetBodyHtml(b); return b; }
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return frame->SendMessage(msg, wp, lp); }
    // Captures from the browser in front; true once the frame is idle again.
    bool Capture(TestBrowser& browser) {
        if (!browser.Focus()) return false;
        if (Send(WM_HOTKEY, kCaptureHotKeyId) != 0 || frame->m_ready) return false;
        return WaitFor([&] { return frame->m_ready; }, 10000, 10);
    }
    bool showAtStart = true;
    std::unique_ptr<ProgramDir> dir;
    std::unique_ptr<CPagewickDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};

inline void ExpectBalloon(const Balloon& b, DWORD kind, const wchar_t* title, const wchar_t* text) {
    EXPECT_EQ(kind, b.kind);
    EXPECT_EQ(std::wstring(title), b.title);
    EXPECT_EQ(std::wstring(text), b.text);
}

}  // namespace frame_test
