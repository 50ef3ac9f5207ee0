// ZelvaneHost.exe under Wine with the browsers' protocol on its standard input: captures
// reach the real Pagewick (running, or started hidden), bad messages get error objects.
#include <gtest/gtest.h>
#include "host/NativeMessage.h"
#include "support/Pagewick.h"

using namespace zt;
using nativemsg::Framed;

namespace {

struct HostRun {
    std::vector<std::string> replies;
    DWORD exitCode = STILL_ACTIVE;
};

// Runs the host with input on its standard input (closed afterwards, as a browser closes
// the port) and collects every framed reply until it ends. With jobLimits the host runs in a
// job object with those limits, as Firefox runs it, and the job is closed after the replies.
HostRun RunHost(const std::wstring& exe, const std::string& input, DWORD jobLimits = 0) {
    HostRun run;
    HANDLE job = nullptr;
    if (jobLimits) {
        job = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = jobLimits;
        if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
            ADD_FAILURE() << "no job object";
            return run;
        }
    }
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite;
    if (!CreatePipe(&inRead, &inWrite, &sa, 0)) return run;
    if (!CreatePipe(&outRead, &outWrite, &sa, 0)) return run;
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = outWrite;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\" chrome-extension://test/";
    BOOL started = CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, TRUE,
                                  CREATE_NO_WINDOW | (job ? CREATE_SUSPENDED : 0), nullptr, nullptr, &si, &pi);
    if (started && job) {
        EXPECT_TRUE(AssignProcessToJobObject(job, pi.hProcess));
        ResumeThread(pi.hThread);
    }
    CloseHandle(inRead);
    CloseHandle(outWrite);
    if (started) {
        DWORD written = 0;
        WriteFile(inWrite, input.data(), DWORD(input.size()), &written, nullptr);
    }
    CloseHandle(inWrite);
    std::string out;
    char buf[4096];
    DWORD got = 0;
    while (started && ReadFile(outRead, buf, sizeof(buf), &got, nullptr) && got) out.append(buf, got);
    CloseHandle(outRead);
    if (!started) return run;
    WaitForSingleObject(pi.hProcess, 60000);
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (job) CloseHandle(job);   // ends whatever is still in the job
    for (size_t at = 0; at + 4 <= out.size();) {
        uint32_t n = uint8_t(out[at]) | uint8_t(out[at + 1]) << 8 | uint8_t(out[at + 2]) << 16 | uint32_t(uint8_t(out[at + 3])) << 24;
        run.replies.push_back(out.substr(at + 4, n));
        at += 4 + n;
    }
    return run;
}

std::string CaptureMessage(const std::string& url, const std::string& html) {
    return Framed("{\"url\":\"" + url + "\",\"title\":\"\\u65b0\\u95fb\",\"html\":\"" + html + "\"}");
}

void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(WaitFor([] { return OpenClipboard(nullptr) != FALSE; }, 2000, 10));
    EmptyClipboard();
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(g), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(g);
    SetClipboardData(CF_UNICODETEXT, g);
    CloseClipboard();
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!WaitFor([] { return OpenClipboard(nullptr) != FALSE; }, 2000, 10)) return L"<not opened>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

// The whole text of an edit control of another process (WindowText reads 2047 characters at most).
std::wstring FullText(HWND edit) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(edit, WM_GETTEXT, length + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG, 10000, &got);
    text.resize(got);
    return text;
}

std::wstring RegDefault(const std::wstring& key) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

std::string FileUtf8(const std::wstring& path) {
    auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

const char kPage[] = "http://127.0.0.1:8000/news/today/page.html";
const char kFragment[] = "<P>\\u7f51\\u6587 <IMG src=\\\"pics/a.png\\\"> <A href=\\\"/next.html\\\">next</A></P>";
const wchar_t kResolved[] = L"<P>网文 <IMG src=\"http://127.0.0.1:8000/news/today/pics/a.png\"> "
                            L"<A href=\"http://127.0.0.1:8000/next.html\">next</A></P>";

TEST(HostWithProgram, CapturesReachTheRunningProgramAndLeaveTheClipboardAlone) {
    ASSERT_FALSE(FindWindowW(nullptr, kMainCaption)) << "a program window is left from elsewhere";
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    SetClipboardText(L"剪贴板里的字");
    HostRun run = RunHost(app.Dir() / L"ZelvaneHost.exe",
                          CaptureMessage(kPage, kFragment) + CaptureMessage(kPage, "") +
                              CaptureMessage("https://example.org/b/", "<B>two</B><IMG src=\\\"c.png\\\">") +
                              // A page about this program: not mistaken for a copied message box.
                              CaptureMessage(kPage, "<P>x Pagewick \\u786e\\u5b9a -----</P>"));
    ASSERT_EQ(4u, run.replies.size());
    EXPECT_EQ("{\"ok\":true}", run.replies[0]);
    EXPECT_EQ("{\"ok\":false,\"error\":\"Pagewick could not take the selection\"}", run.replies[1]);
    EXPECT_EQ("{\"ok\":true}", run.replies[2]);
    EXPECT_EQ("{\"ok\":true}", run.replies[3]);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(std::wstring(L"<P>") + kResolved + L"<P><B>two</B><IMG src=\"https://example.org/b/c.png\">" +
                  L"<P><P>x Pagewick 确定 -----</P>",
              WindowText(app.EditorEdit()));
    EXPECT_EQ(L"剪贴板里的字", ClipboardText());
    EXPECT_TRUE(IsWindowVisible(app.Frame())) << "a running program is not hidden";

    // A long article (1 MB of UTF-8 in 2000 paragraphs, one a line as pages are written) arrives whole.
    std::string paragraph = "<P>";
    for (int i = 0; i < 56; ++i) paragraph += "\xE7\xBD\x91\xE6\x96\x87 ";   // 网文
    paragraph += "</P>\\n";   // escaped in the JSON
    std::string longHtml;
    for (int i = 0; i < 2000; ++i) longHtml += paragraph;
    std::wstring before = FullText(app.EditorEdit());
    run = RunHost(app.Dir() / L"ZelvaneHost.exe", CaptureMessage(kPage, longHtml + "<BR>end"));
    ASSERT_EQ(1u, run.replies.size());
    EXPECT_EQ("{\"ok\":true}", run.replies[0]);
    std::wstring after = FullText(app.EditorEdit());
    ASSERT_EQ(before.size() + 3 + 2000 * (3 + 56 * 3 + 5) + 7, after.size());
    EXPECT_EQ(L"<P><P>网文 网文", after.substr(before.size(), 11));
    EXPECT_EQ(L"文 </P>\n<BR>end", after.substr(after.size() - 14));

    // Every start points the browsers at the host beside the program.
    for (const wchar_t* browser : {L"Google\\Chrome", L"Microsoft\\Edge", L"Chromium"})
        EXPECT_EQ(app.Dir() / L"zelvane.host.chromium.json",
                  RegDefault(std::wstring(L"Software\\") + browser + L"\\NativeMessagingHosts\\zelvane.host"));
    EXPECT_EQ(app.Dir() / L"zelvane.host.firefox.json", RegDefault(L"Software\\Mozilla\\NativeMessagingHosts\\zelvane.host"));
    std::string hostPath = "\"path\": \"";
    for (char c : Narrow(app.Dir() / L"ZelvaneHost.exe")) hostPath += c == '\\' ? std::string("\\\\") : std::string(1, c);
    std::string chromium = FileUtf8(app.Dir() / L"zelvane.host.chromium.json");
    EXPECT_NE(std::string::npos, chromium.find(hostPath + "\"")) << chromium;
    EXPECT_NE(std::string::npos, chromium.find("\"allowed_origins\": [\"chrome-extension://nkndjhdhndlkpaannbfjmokimdalnfhf/\"]"));
    std::string firefox = FileUtf8(app.Dir() / L"zelvane.host.firefox.json");
    EXPECT_NE(std::string::npos, firefox.find(hostPath + "\"")) << firefox;
    EXPECT_NE(std::string::npos, firefox.find("\"allowed_extensions\": [\"capture@zelvane\"]"));
}

// The program ends through its window's process (it asks nothing when the editor is clean).
void EndProgram(HWND frame) {
    DWORD pid = 0;
    GetWindowThreadProcessId(frame, &pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
}

// Firefox runs the host in a job that is ended with the host (and allows breakaway): the
// program the host starts stays after the job is closed, hidden, with the capture.
TEST(HostWithProgram, StartsTheProgramHiddenAndOutsideTheBrowsersJob) {
    ASSERT_FALSE(FindWindowW(nullptr, kMainCaption)) << "a program window is left from elsewhere";
    ProgramDir dir(L"host ");
    dir.WriteDefaultConfig();
    CreateDirectoryW((dir / L"新闻").c_str(), nullptr);
    HostRun run = RunHost(dir / L"ZelvaneHost.exe", CaptureMessage(kPage, kFragment),
                          JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_BREAKAWAY_OK);
    ASSERT_EQ(1u, run.replies.size());
    EXPECT_EQ("{\"ok\":true}", run.replies[0]);
    Sleep(1000);   // the job's processes are ended asynchronously
    HWND frame = FindWindowW(nullptr, kMainCaption);
    ASSERT_TRUE(frame) << "the program did not outlive the host's job";
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(frame); }, 5000)) << "the started program should be hidden";
    HWND view = GetDlgItem(frame, 0xE900);
    EXPECT_EQ(std::wstring(L"<P>") + kResolved, view ? WindowText(GetWindow(view, GW_CHILD)) : L"<no editor>");
    EndProgram(frame);

    // A job that refuses breakaway: the capture still arrives, from a program inside the job.
    ASSERT_TRUE(WaitFor([] { return !FindWindowW(nullptr, kMainCaption); }, 10000));
    run = RunHost(dir / L"ZelvaneHost.exe", CaptureMessage(kPage, kFragment), JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE);
    ASSERT_EQ(1u, run.replies.size());
    EXPECT_EQ("{\"ok\":true}", run.replies[0]);
    if (HWND left = FindWindowW(nullptr, kMainCaption)) {
        if (!WaitFor([] { return !FindWindowW(nullptr, kMainCaption); }, 5000)) EndProgram(left);
    }
}

TEST(HostProtocol, MalformedTruncatedAndOversizedMessagesGetErrorObjects) {
    ProgramDir dir(L"host ");   // no program may be started for any of these
    std::wstring host = dir / L"ZelvaneHost.exe";
    HostRun run = RunHost(host, Framed("{\"url\": 1, \"html\": \"x\"}") + Framed("<html>not json") +
                                    Framed(std::string("{\"url\":\"u\",\"html\":\"\xFF\"}")) +
                                    std::string("\x40\x00\x00\x00{\"url\":", 11));
    ASSERT_EQ(4u, run.replies.size());
    EXPECT_EQ("{\"ok\":false,\"error\":\"\\\"url\\\" must be a string\"}", run.replies[0]);
    EXPECT_EQ("{\"ok\":false,\"error\":\"a JSON object was expected\"}", run.replies[1]);
    EXPECT_EQ("{\"ok\":false,\"error\":\"the message is not UTF-8\"}", run.replies[2]);
    EXPECT_EQ("{\"ok\":false,\"error\":\"the message was cut short\"}", run.replies[3]);
    EXPECT_EQ(1u, run.exitCode);

    run = RunHost(host, std::string("\x01\x00\x00\x04", 4) + std::string(1000, 'x'));
    ASSERT_EQ(1u, run.replies.size());
    EXPECT_EQ("{\"ok\":false,\"error\":\"the message is too large\"}", run.replies[0]);
    EXPECT_EQ(1u, run.exitCode);

    run = RunHost(host, "");   // the browser closed the port at once
    EXPECT_TRUE(run.replies.empty());
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(FindWindowW(nullptr, kMainCaption));
}

}  // namespace
