// The collected text survives a killed process: the real program, killed with
// TerminateProcess and started again in the same program folder.
#include <gtest/gtest.h>
#include "support/Pagewick.h"
#include "support/Remote.h"
#include "support/TestBrowser.h"

using namespace zt;

namespace {

const wchar_t kRecoveryFile[] = L"Pagewick.recovery";

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        dir.WriteDefaultConfig();
        dir.WriteConfig(L"SEL", L"ROUTE", L"新闻");
        dir.WriteConfig(L"OPENMSG", L"BSHOW", L"true");
        CreateDirectoryW((dir / L"新闻").c_str(), nullptr);
    }
    void TearDown() override {
        if (app) app->Kill();
    }
    // Starts the program and waits until its window is shown.
    bool Start() {
        if (app) app->Kill();
        app = std::make_unique<Process>();
        if (!app->Start(dir.Exe())) return false;
        frame = WaitForWindow(kMainCaption, app->Id(), 20000);
        if (!frame || !WaitFor([&] { return IsWindowVisible(frame) != 0; }, 20000)) return false;
        HWND view = ChildById(frame, 0xE900);
        editor = view ? GetWindow(view, GW_CHILD) : nullptr;
        return editor != nullptr;
    }
    void Kill() {
        app->Kill();
        app.reset();
    }
    std::wstring Body() const { return WindowText(editor); }
    std::wstring RecoveryPath() const { return dir / kRecoveryFile; }
    std::wstring RecoveryText() const { return FileExists(RecoveryPath()) ? ReadTextFile(RecoveryPath()) : L""; }
    // The writer runs beside the window: wait until the file holds `part`.
    bool RecoveryHolds(const std::wstring& part, DWORD ms = 8000) {
        return WaitFor([&] { return RecoveryText().find(part) != std::wstring::npos; }, ms, 50);
    }
    void CaptureFrom(TestBrowser& page, const std::wstring& expectedBody) {
        ASSERT_TRUE(page.Focus());
        SendMessageW(frame, 1028, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return Body() == expectedBody; }, 15000)) << Narrow(Body());
    }
    // Answers the exit question (if it comes) and returns the program's exit code.
    std::wstring ExitAnswering(int button, DWORD* code) {
        PostMessageW(frame, WM_COMMAND, kExitCommand, 0);
        std::wstring text;
        if (HWND box = WaitForDialog(app->Id(), 5000, L"保存网文")) {
            text = MessageBoxText(box);
            PressButton(box, button);
        }
        *code = app->Wait(10000);
        return text;
    }
    void TypeIntoEditor(const std::wstring& text) {
        SetForegroundWindow(frame);
        SendMessageW(frame, WM_SETFOCUS, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == frame; }, 5000));
        TypeText(text);
        ASSERT_TRUE(WaitFor([&] { return Body().find(text) != std::wstring::npos; }, 5000)) << Narrow(Body());
    }
    ProgramDir dir{L"recovery "};
    std::unique_ptr<Process> app;
    HWND frame = nullptr, editor = nullptr;
};

TEST_F(Recovery, TwoCapturesSurviveAKillAndAreSavedAfterTheRestart) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(FileExists(RecoveryPath()));
    TestBrowser first(L"--html", "<B>\xE7\xAC\xAC\xE4\xB8\x80\xE6\xAE\xB5</B>", L"first page", L"http://127.0.0.1:9/a/");  // 第一段
    TestBrowser second(L"--html", "<I>second part</I>", L"second page", L"http://127.0.0.1:9/b/");
    CaptureFrom(first, L"<P><B>第一段</B>");
    CaptureFrom(second, L"<P><B>第一段</B><P><I>second part</I>");
    ASSERT_TRUE(RecoveryHolds(L"<I>second part</I>")) << Narrow(RecoveryText());
    // What a save needs besides the text: the page of each capture, in order.
    std::wstring kept = RecoveryText();
    size_t a = kept.find(L"http://127.0.0.1:9/a/"), b = kept.find(L"http://127.0.0.1:9/b/");
    EXPECT_TRUE(a != std::wstring::npos && b != std::wstring::npos && a < b) << Narrow(kept);
    EXPECT_EQ(0xFF, ReadBytes(RecoveryPath())[0]);
    EXPECT_EQ(0xFE, ReadBytes(RecoveryPath())[1]);
    Kill();

    ASSERT_TRUE(Start());
    EXPECT_EQ(L"<P><B>第一段</B><P><I>second part</I>", Body());
    // Modified: the exit command asks; Cancel keeps the program running.
    PostMessageW(frame, WM_COMMAND, kExitCommand, 0);
    HWND question = WaitForDialog(app->Id(), 10000, L"保存网文");
    ASSERT_TRUE(question);
    PressButton(question, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(question); }, 5000));

    PostMessageW(frame, WM_HOTKEY, 13, 0);
    HWND dlg = WaitForDialog(app->Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(0u, WindowText(GetDlgItem(dlg, 1001)).find(L"第一段"));
    PressButton(dlg, IDOK);
    HWND done = WaitForDialog(app->Id(), 20000, L"保存");
    ASSERT_TRUE(done);
    PressButton(done, IDNO);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((dir / L"新闻\\*.htm").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    FindClose(search);
    std::wstring saved = ReadTextFile(dir / (std::wstring(L"新闻\\") + found.cFileName));
    EXPECT_NE(std::wstring::npos, saved.find(L"<BODY><P><B>第一段</B><P><I>second part</I></BODY>")) << Narrow(saved);
    EXPECT_TRUE(WaitFor([&] { return !FileExists(RecoveryPath()); }, 5000));
    DWORD code = 1;
    EXPECT_EQ(L"", ExitAnswering(IDNO, &code));   // nothing unsaved: no question
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(FileExists(RecoveryPath()));
}

TEST_F(Recovery, TypedTextIsBackAfterAKill) {
    ASSERT_TRUE(Start());
    TypeIntoEditor(L"typed 网文");
    // Nothing is written while typing goes on; about two seconds after it stops it is.
    EXPECT_FALSE(RecoveryHolds(L"typed 网文", 800));
    ASSERT_TRUE(RecoveryHolds(L"typed 网文", 6000));
    Kill();
    ASSERT_TRUE(Start());
    EXPECT_EQ(L"typed 网文", Body());
}

TEST_F(Recovery, ExitWithNoThrowsTheTextAwayAndAFailedSaveKeepsIt) {
    ASSERT_TRUE(Start());
    TypeIntoEditor(L"throw away");
    ASSERT_TRUE(RecoveryHolds(L"throw away", 6000));
    DWORD code = 1;
    EXPECT_EQ(L"网文的内容已被修改，是否需要保存？", ExitAnswering(IDNO, &code));
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(FileExists(RecoveryPath()));
    ASSERT_TRUE(Start());
    EXPECT_EQ(L"", Body());

    // The tree's folder is gone from disk: the save fails and the text stays recoverable.
    TypeIntoEditor(L"keep me");
    RemoveTree(dir / L"新闻");
    ASSERT_FALSE(DirExists(dir / L"新闻"));
    PostMessageW(frame, WM_HOTKEY, 13, 0);
    HWND dlg = WaitForDialog(app->Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);
    PressButton(dlg, IDOK);
    HWND error = WaitForDialog(app->Id(), 10000, L"Pagewick");
    ASSERT_TRUE(error);
    PressButton(error, IDOK);
    ASSERT_TRUE(RecoveryHolds(L"keep me", 6000));
    // Yes at the exit runs the same failing save; the program ends and the file stays.
    PostMessageW(frame, WM_COMMAND, kExitCommand, 0);
    HWND question = WaitForDialog(app->Id(), 10000, L"保存网文");
    ASSERT_TRUE(question);
    PressButton(question, IDYES);
    dlg = WaitForDialog(app->Id(), 10000, L"文件名");
    ASSERT_TRUE(dlg);
    PressButton(dlg, IDOK);
    error = WaitForDialog(app->Id(), 10000, L"Pagewick");
    ASSERT_TRUE(error);
    PressButton(error, IDOK);
    EXPECT_EQ(0u, app->Wait(10000));
    EXPECT_NE(std::wstring::npos, RecoveryText().find(L"keep me"));
    ASSERT_TRUE(Start());
    EXPECT_EQ(L"keep me", Body());
}

TEST_F(Recovery, ADamagedFileIsPutAsideAndTheProgramStartsWithAMessage) {
    // A file cut short in its body, as a power cut during a write outside ours could leave it.
    std::wstring whole = L"ZelvaneRecovery 1\r\nmode 1 0\r\nfolder 0 \r\nname 0 \r\nbody 20 <P>cut off in the mi";
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(whole.data()), whole.size() * 2);
    WriteBytes(RecoveryPath(), bytes);
    app = std::make_unique<Process>();
    ASSERT_TRUE(app->Start(dir.Exe()));
    HWND box = WaitForDialog(app->Id(), 20000, L"Pagewick");
    ASSERT_TRUE(box);
    const std::wstring aside = RecoveryPath() + L".damaged";
    EXPECT_NE(std::wstring::npos, MessageBoxText(box).find(aside)) << Narrow(MessageBoxText(box));
    frame = FindWindowByCaption(kMainCaption, app->Id());
    ASSERT_TRUE(frame);
    // While the message waits, neither the exit nor a save starts.
    PostMessageW(frame, WM_COMMAND, kExitCommand, 0);
    PostMessageW(frame, WM_HOTKEY, 13, 0);
    EXPECT_FALSE(WaitForDialog(app->Id(), 1000, L"文件名"));
    PressButton(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, 5000));
    EXPECT_EQ(STILL_ACTIVE, app->Wait(500));
    EXPECT_FALSE(FileExists(RecoveryPath()));
    auto kept = ReadBytes(aside);
    EXPECT_EQ(bytes, std::string(kept.begin(), kept.end()));
    HWND view = ChildById(frame, 0xE900);
    editor = view ? GetWindow(view, GW_CHILD) : nullptr;
    EXPECT_EQ(L"", Body());
    DWORD code = 1;
    EXPECT_EQ(L"", ExitAnswering(IDNO, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(FileExists(aside));
}

}  // namespace
