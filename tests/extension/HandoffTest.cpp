// The context-menu script in the platform's script host handing a capture to the
// program: the recorder shows what the program is sent and in which order, the real
// Pagewick shows the capture that follows from the stand-in browser.
#include <gtest/gtest.h>
#include "ExtensionSupport.h"
#include "support/Pagewick.h"
#include "support/Remote.h"
#include "support/TestBrowser.h"

using namespace zt;
using namespace lt;

namespace {

std::vector<std::string> Filtered(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        for (const auto& p : prefixes)
            if (l.compare(0, p.size(), p) == 0) { out.push_back(l); break; }
    return out;
}

std::wstring RegisteredServer() {
    return RegString(HKEY_CURRENT_USER, kUserClasses + std::wstring(L"CLSID\\") + kClsid + L"\\InprocServer32", nullptr);
}

// The program's editor body: the edit control inside its view.
std::wstring EditorBody(HWND frame) {
    HWND view = ChildById(frame, 0xE900);
    return view ? WindowText(GetWindow(view, GW_CHILD)) : L"<no editor>";
}

// The capture that follows the hand-off: the body gets the page once, the window
// ends hidden, and no further copy comes.
void ExpectOneCapture(HWND frame, const std::wstring& body, TestBrowser& page) {
    EXPECT_TRUE(WaitFor([&] { return EditorBody(frame) == body; }, 10000, 20)) << Narrow(EditorBody(frame));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(frame); }, 5000)) << "the window should end up hidden";
    int copies = page.CopyCount();
    EXPECT_FALSE(WaitFor([&] { return page.CopyCount() > copies; }, 1500));
    EXPECT_EQ(body, EditorBody(frame));
    EXPECT_FALSE(IsWindowVisible(frame));
}

class Handoff : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(FindWindowW(nullptr, kCaption)) << "a program window is left from elsewhere";
        ASSERT_EQ(0u, Regsvr32(m_server.Path() + L"Linkmoss.dll", false));
        MirrorUserClassesToMachine();
        WriteCatchScript(m_script);
        m_pagewicksBefore = ProcessIds(L"Pagewick.exe");
    }
    void TearDown() override {
        KillNewProcesses(L"Pagewick.exe", m_pagewicksBefore);
        RemoveMachineMirror();
        Regsvr32(m_server.Path() + L"Linkmoss.dll", true);
        DeleteMenuExt();
    }
    DWORD RunCatch(DWORD* ms = nullptr) { return RunScriptHost(m_script, 60000, ms); }

    ProgramDir m_server{L"server "};
    std::wstring m_script = m_server / L"catch.js";
    std::vector<DWORD> m_pagewicksBefore;
};

TEST_F(Handoff, RunningProgramHiddenInTheTrayGetsOneCaptureAndNoSecondStart) {
    RecorderDir rec(L"running ", L"window", /*hidden=*/true);
    SetMenuExt(rec.Path(), L"msgrecorder.exe");
    Process program;
    ASSERT_TRUE(program.Start(rec.Path() + L"msgrecorder.exe"));
    ASSERT_TRUE(rec.WaitForLine("window"));
    HWND wnd = FindWindowW(nullptr, kCaption);
    ASSERT_TRUE(wnd);
    ASSERT_FALSE(IsWindowVisible(wnd));

    DWORD ms = 0;
    EXPECT_EQ(0u, RunCatch(&ms));
    EXPECT_EQ(std::vector<std::string>{"msg 1028 visible=0 wp=0 lp=0"}, Filtered(rec.Lines(), {"msg", "key"}));
    EXPECT_EQ(1, rec.Count("start"));
    EXPECT_LT(ms, 10000u);
}

TEST_F(Handoff, ProgramNotRunningIsStartedAwaitedGivenCtrlCThenTold) {
    // A long folder name: AppPath is longer than 64 characters and must be read whole.
    RecorderDir rec(L"a program folder whose name is rather long, to pass sixty-four characters ");
    ASSERT_GT(rec.Path().size(), 64u);
    WritePrivateProfileStringW(L"recorder", L"delay", L"1500", (rec.Path() + L"recorder.ini").c_str());
    SetMenuExt(rec.Path(), L"msgrecorder.exe");
    TestBrowser page(L"--html", "<I>x</I>", L"page in front");
    ASSERT_TRUE(page.Focus());

    DWORD ms = 0;
    EXPECT_EQ(0u, RunCatch(&ms));
    EXPECT_GE(ms, 1500u) << "returned before the program's window existed";
    // 1027 names the browser window that was in front when the call came.
    const std::string told = "msg 1027 visible=1 wp=" + std::to_string(HandleToULong(page.Window())) + " lp=0";
    const std::vector<std::string> expected = {
        "start", "window", "key down 17", "key down 67", "key up 17", "key up 67", told};
    std::vector<std::string> got = Filtered(rec.Lines(), {"start", "window", "key", "msg"});
    if (!got.empty() && got[0].compare(0, 6, "start ") == 0) got[0] = "start";
    EXPECT_EQ(expected, got);
    HWND wnd = FindWindowW(nullptr, kCaption);
    ASSERT_TRUE(wnd);
    EXPECT_FALSE(IsWindowVisible(wnd)) << "the window should end up hidden";
}

TEST_F(Handoff, ShippedScriptPageHandsOverToo) {
    // The script of geturl.htm, run by the script host instead of the browser.
    std::wstring page = ReadTextFile(DistFile(L"geturl.htm"));
    size_t open = page.find(L'>', page.find(L"<script"));
    size_t close = page.find(L"</script>");
    ASSERT_NE(std::wstring::npos, open);
    ASSERT_NE(std::wstring::npos, close);
    std::wstring script = page.substr(open + 1, close - open - 1);
    EXPECT_NE(std::wstring::npos, script.find(L"new ActiveXObject(\"Linkmoss.MyComOut\")"));
    WriteBytes(m_server / L"geturl.js", Narrow(script));

    RecorderDir rec(L"page ");
    SetMenuExt(rec.Path(), L"msgrecorder.exe");
    Process program;
    ASSERT_TRUE(program.Start(rec.Path() + L"msgrecorder.exe"));
    ASSERT_TRUE(rec.WaitForLine("window"));
    EXPECT_EQ(0u, RunScriptHost(m_server / L"geturl.js", 60000));
    EXPECT_EQ(1, rec.Count("msg 1028"));
}

TEST_F(Handoff, MissingValuesOrAProgramThatCannotStartEndTheCallAtOnce) {
    DeleteMenuExt();
    DWORD ms = 0;
    EXPECT_EQ(0u, RunCatch(&ms));
    EXPECT_LT(ms, 5000u);

    RecorderDir rec(L"missing ");
    SetMenuExt(L"", L"msgrecorder.exe");
    EXPECT_EQ(0u, RunCatch(&ms));
    EXPECT_LT(ms, 5000u);
    SetMenuExt(rec.Path(), L"");
    EXPECT_EQ(0u, RunCatch(&ms));
    EXPECT_LT(ms, 5000u);
    SetMenuExt(rec.Path(), L"not there.exe");
    EXPECT_EQ(0u, RunCatch(&ms));
    EXPECT_LT(ms, 5000u);
    EXPECT_EQ(0, rec.Count("start"));
    EXPECT_FALSE(FindWindowW(nullptr, kCaption));
}

TEST_F(Handoff, ProgramThatEndsWithoutAWindowEndsTheWait) {
    RecorderDir rec(L"first run ", L"exit");
    SetMenuExt(rec.Path(), L"msgrecorder.exe");
    DWORD ms = 0;
    EXPECT_EQ(0u, RunCatch(&ms));
    EXPECT_LT(ms, 5000u);
    EXPECT_EQ(1, rec.Count("start"));
    EXPECT_EQ(0, rec.Count("key"));
}

TEST_F(Handoff, ProgramThatNeverShowsItsWindowIsAwaitedFifteenSeconds) {
    RecorderDir rec(L"silent ", L"silent");
    SetMenuExt(rec.Path(), L"msgrecorder.exe");
    DWORD ms = 0;
    EXPECT_EQ(0u, RunCatch(&ms));
    EXPECT_GE(ms, 14500u);
    EXPECT_LT(ms, 30000u);
    EXPECT_EQ(1, rec.Count("start"));
    EXPECT_EQ(0, rec.Count("key"));
}

TEST_F(Handoff, RealProgramFirstRunRegistersTheLibraryAndDoesNotHoldTheScript) {
    ProgramDir dir(L"pagewick first ");
    SetMenuExt(dir.Path(), L"Pagewick.exe");
    Process host;
    StartScriptHost(host, m_script);
    // The started program's first run asks for a restart; answering it ends the program and the wait.
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (DWORD pid : ProcessIds(L"Pagewick.exe"))
            if ((box = WaitForDialog(pid, 0, L"提示"))) return true;
        return false;
    }, 20000));
    EXPECT_EQ(STILL_ACTIVE, host.Wait(0));
    // Every start, the first included, registers the library beside the program.
    EXPECT_TRUE(WaitFor([&] { return RegisteredServer() == dir / L"Linkmoss.dll"; }, 15000)) << Narrow(RegisteredServer());
    DWORD answered = GetTickCount();
    PressButton(box, IDOK);
    EXPECT_EQ(0u, host.Wait(10000));
    EXPECT_LT(GetTickCount() - answered, 5000u);
    EXPECT_TRUE(FileExists(dir / L"Config.ini"));
}

TEST_F(Handoff, RealProgramHiddenInTheTrayCapturesOnceAndIsNotStartedAgain) {
    Regsvr32(m_server.Path() + L"Linkmoss.dll", true);
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    HWND frame = app.Frame();
    // Its start registers the library beside it.
    EXPECT_TRUE(WaitFor([&] { return RegisteredServer() == app.Dir() / L"Linkmoss.dll"; }, 15000));
    MirrorUserClassesToMachine();
    SetMenuExt(app.Dir().Path(), L"Pagewick.exe");
    // Closing the window sends the program to the tray.
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(frame); }, 5000));

    TestBrowser page(L"--html", "<B>\xE6\x89\x98\xE7\x9B\x98</B> tray", L"page tray");   // 托盘
    ASSERT_TRUE(page.Focus());
    EXPECT_EQ(0u, RunCatch());
    EXPECT_EQ(1u, ProcessIds(L"Pagewick.exe").size() - m_pagewicksBefore.size());
    EXPECT_EQ(STILL_ACTIVE, app.Proc().Wait(0));
    EXPECT_EQ(frame, FindWindowW(nullptr, kCaption));
    ExpectOneCapture(frame, L"<P><B>托盘</B> tray", page);
    // Only the capture copied: the request came once.
    EXPECT_EQ("copy shift=0\r\n", page.Log());
    app.Proc().Kill();   // an exit would ask whether to save the captured text
}

// Wine puts the windows of a desktop that has no size in its settings straight on the X
// display, without a virtual desktop and without a window manager: there hiding the window
// in front activates nothing. The hand-off above is run again on such a desktop.
constexpr wchar_t kPlainDesktop[] = L"ZelvanePlainDisplay";

TEST_F(Handoff, RealProgramNotRunningIsStartedFromTheMenuValuesHiddenAndCaptures) {
    ProgramDir dir(L"pagewick start ");
    dir.WriteDefaultConfig();
    SetMenuExt(dir.Path(), L"Pagewick.exe");
    TestBrowser page(L"--html", "<I>\xE5\x90\xAF\xE5\x8A\xA8</I> started", L"page start");   // 启动
    ASSERT_TRUE(page.Focus());

    EXPECT_EQ(0u, RunCatch());
    EXPECT_EQ(1u, ProcessIds(L"Pagewick.exe").size() - m_pagewicksBefore.size());
    HWND frame = FindWindowW(nullptr, kCaption);
    ASSERT_TRUE(frame);
    // Started from the menu values: its start registered the library of that folder.
    EXPECT_TRUE(WaitFor([&] { return RegisteredServer() == dir / L"Linkmoss.dll"; }, 15000));
    ExpectOneCapture(frame, L"<P><I>启动</I> started", page);
    // The started window takes the foreground when shown. The extension's own Ctrl+C
    // reaches the page only when it comes before that; the capture's copy, after 1027
    // hid the window and gave the page named in it the foreground back, always does.
    EXPECT_TRUE(page.Log() == "copy shift=0\r\n" || page.Log() == "copy shift=0\r\ncopy shift=0\r\n")
        << page.Log();
    EXPECT_EQ(page.Window(), GetForegroundWindow());
    KillNewProcesses(L"Pagewick.exe", m_pagewicksBefore);   // before its folder goes
}

TEST(HandoffPlainDisplay, StartedProgramCapturesFromTheBrowserThatWasInFront) {
    HDESK desktop = CreateDesktopW(kPlainDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_TRUE(desktop);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    // Several tries: on the old program most of them failed there.
    std::wstring cmd = std::wstring(L"\"") + self +
                       L"\" --gtest_repeat=3 "
                       L"--gtest_filter=Handoff.RealProgramNotRunningIsStartedFromTheMenuValuesHiddenAndCaptures";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring name = kPlainDesktop;
    si.lpDesktop = &name[0];
    PROCESS_INFORMATION pi{};
    std::vector<DWORD> explorers = ProcessIds(L"explorer.exe");
    ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 150000));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &code);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    EXPECT_EQ(0u, code) << "the hand-off failed on the plain display (its output is above)";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // The desktop's own process (Wine's explorer) is not left behind for later tests.
    KillNewProcesses(L"explorer.exe", explorers);
    CloseDesktop(desktop);
}

}  // namespace
