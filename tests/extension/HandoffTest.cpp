// The context-menu script in the platform's script host handing a capture to the
// program: the recorder stands in for Pagewick, and the real Pagewick where it
// already answers.
#include <gtest/gtest.h>
#include "ExtensionSupport.h"

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
    return RegString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kClsid + L"\\InprocServer32", nullptr);
}

// Starts the real program in `dir`; its main window, or null when it ended without one.
HWND StartPagewick(Process& p, const ProgramDir& dir) {
    HWND wnd = nullptr;
    if (!p.Start(dir.Exe())) return nullptr;
    WaitFor([&] { return (wnd = FindWindowByCaption(kCaption, p.Id())) || p.Wait(0) != STILL_ACTIVE; }, 20000);
    return wnd;
}

// Until the application shell completes the program's normal start, a start with
// settings ends without a main window; the tests that need one say so and skip.
const char kNoNormalStart[] = "Pagewick.exe ends without a main window on a normal start in this build";

class Handoff : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(FindWindowW(nullptr, kCaption)) << "a program window is left from elsewhere";
        ASSERT_EQ(0u, Regsvr32(m_server.Path() + L"Linkmoss.dll", false));
        WriteCatchScript(m_script);
        m_pagewicksBefore = ProcessIds(L"Pagewick.exe");
    }
    void TearDown() override {
        KillNewProcesses(L"Pagewick.exe", m_pagewicksBefore);
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

    DWORD ms = 0;
    EXPECT_EQ(0u, RunCatch(&ms));
    EXPECT_GE(ms, 1500u) << "returned before the program's window existed";
    const std::vector<std::string> expected = {
        "start", "window", "key down 17", "key down 67", "key up 17", "key up 67", "msg 1027 visible=1 wp=0 lp=0"};
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

TEST_F(Handoff, RealProgramRunningInTheTrayRegistersTheLibraryAndIsNotStartedAgain) {
    ProgramDir dir(L"pagewick running ");
    dir.WriteDefaultConfig();
    SetMenuExt(dir.Path(), L"Pagewick.exe");
    Regsvr32(m_server.Path() + L"Linkmoss.dll", true);
    Process program;
    HWND wnd = StartPagewick(program, dir);
    if (!wnd) GTEST_SKIP() << kNoNormalStart;
    // Its start registers the library beside it.
    EXPECT_TRUE(WaitFor([&] { return RegisteredServer() == dir / L"Linkmoss.dll"; }, 15000));
    ShowWindow(wnd, SW_HIDE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(wnd); }, 5000));

    EXPECT_EQ(0u, RunCatch());
    EXPECT_EQ(1u, ProcessIds(L"Pagewick.exe").size() - m_pagewicksBefore.size());
    EXPECT_EQ(STILL_ACTIVE, program.Wait(0));
    EXPECT_EQ(wnd, FindWindowW(nullptr, kCaption));
}

TEST_F(Handoff, RealProgramNotRunningIsStartedFromTheMenuValues) {
    ProgramDir dir(L"pagewick start ");
    dir.WriteDefaultConfig();
    {
        Process probe;
        if (!StartPagewick(probe, dir)) GTEST_SKIP() << kNoNormalStart;
        // Its own start registered its copy of the library; let that finish first.
        WaitFor([&] { return RegisteredServer() == dir / L"Linkmoss.dll"; }, 15000);
    }
    ASSERT_TRUE(WaitFor([] { return !FindWindowW(nullptr, kCaption); }, 5000));
    SetMenuExt(dir.Path(), L"Pagewick.exe");
    EXPECT_EQ(0u, RunCatch());
    EXPECT_EQ(1u, ProcessIds(L"Pagewick.exe").size() - m_pagewicksBefore.size());
    EXPECT_TRUE(FindWindowW(nullptr, kCaption));
}

}  // namespace
