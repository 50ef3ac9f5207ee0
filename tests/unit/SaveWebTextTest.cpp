// The save operation on a real main frame, its file-name dialog answered by a
// helper thread as a user would.
#include <gtest/gtest.h>
#include "app/MainFrame.h"
#include "capture/WebTextFile.h"
#include "capture/WebTextSaver.h"
#include "resources/resource.h"
#include "settings/AppDir.h"
#include "support/Harness.h"
#include "support/HttpServer.h"
#include "support/Processes.h"
#include <algorithm>
#include <atomic>
#include <commctrl.h>
#include <thread>

namespace {

const DWORD kPid = GetCurrentProcessId();

// A clipboard viewer registered before the dialog opens.
struct TestViewer {
    HWND hwnd = nullptr, next = nullptr;
    int notices = 0;
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<TestViewer*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && m == WM_DRAWCLIPBOARD) {
            ++self->notices;
            if (self->next) SendMessageW(self->next, m, wp, lp);
            return 0;
        }
        if (self && m == WM_CHANGECBCHAIN) {
            if ((HWND)wp == self->next) self->next = (HWND)lp;
            else if (self->next) SendMessageW(self->next, m, wp, lp);
            return 0;
        }
        return DefWindowProcW(h, m, wp, lp);
    }
    TestViewer() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZelvaneTestViewer";
        RegisterClassW(&wc);
        hwnd = CreateWindowW(L"ZelvaneTestViewer", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, (LONG_PTR)this);
        next = SetClipboardViewer(hwnd);
        notices = 0;
    }
    ~TestViewer() {
        ChangeClipboardChain(hwnd, next);
        DestroyWindow(hwnd);
    }
};

void SetClipboardText(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    if (!text.empty()) {
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        memcpy(GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(mem);
        SetClipboardData(CF_UNICODETEXT, mem);
    }
    CloseClipboard();
}

bool ClipboardEmpty() {
    return CountClipboardFormats() == 0;
}

HWND Field(HWND dlg) { return GetDlgItem(dlg, IDC_FILE_NAME); }

void SetField(HWND dlg, const std::wstring& text) { SendMessageW(Field(dlg), WM_SETTEXT, 0, (LPARAM)text.c_str()); }

// Waits for a message box with this caption, returns its text and presses a button.
std::wstring AnswerBox(const std::wstring& caption, int button) {
    HWND box = zt::WaitForDialog(kPid, 10000, caption);
    if (!box) return L"(no box)";
    std::wstring text = zt::MessageBoxText(box);
    zt::PressButton(box, button);
    zt::WaitFor([&] { return !IsWindow(box); }, 5000);
    return text;
}

using zt::CommandLineOf;
using zt::ProcessesNamed;

class SaveFlow : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES |
                                                  ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        OleInitialize(nullptr);
        dir = std::make_unique<zt::ProgramDir>(L"save ");
        dir->WriteDefaultConfig();
        for (const wchar_t* f : {L"新闻", L"散文", L"新闻\\国内"}) CreateDirectoryW((*dir / f).c_str(), nullptr);
        SetAppDirForTesting(dir->Path());
        frame = std::make_unique<CMainFrame>();
        ASSERT_TRUE(frame->LoadFrame(&doc));
        frame->m_openPrompt = false;
        frame->m_nameLength = 10;
        SetWindowSubclass(frame->m_wndListBar.m_hWnd, ListProc, 1, (DWORD_PTR)this);
    }
    void TearDown() override {
        if (helper.joinable()) helper.join();
        RemoveWindowSubclass(frame->m_wndListBar.m_hWnd, ListProc, 1);
        frame->DestroyWindow();
        frame.reset();
        MSG msg;   // the frame's quit message must not end later modal loops
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
        SetAppDirForTesting(L"");
        dir.reset();
        OleUninitialize();
    }
    static LRESULT CALLBACK ListProc(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        if (m == WM_REFRESH_FILELIST) reinterpret_cast<SaveFlow*>(data)->refreshed.push_back(lp ? (const wchar_t*)lp : L"(null)");
        return DefSubclassProc(h, m, wp, lp);
    }
    HtmlEngine& Editor() { return *frame->m_view.Engine(); }
    std::wstring EditorHtml() { std::wstring s; Editor().GetBodyHtml(s); return s; }
    SaveOutcome Save(const std::wstring& folder) { return RunSaveWebText(*frame, [folder] { return folder; }); }
    // Runs `answer` on a helper thread while the save runs here.
    template <class F> SaveOutcome SaveAnswering(const std::wstring& folder, F answer) {
        helper = std::thread(answer);
        SaveOutcome r = Save(folder);
        helper.join();
        return r;
    }
    // Fails the test (instead of hanging) when a dialog that must not come does.
    void CloseAnyDialogAfter(DWORD ms) {
        helper = std::thread([this, ms] {
            if (HWND d = zt::WaitForDialog(kPid, ms)) {
                unexpected = zt::WindowText(d);
                PostMessageW(d, WM_CLOSE, 0, 0);
            }
        });
    }

    std::unique_ptr<zt::ProgramDir> dir;
    CPagewickDoc doc;
    std::unique_ptr<CMainFrame> frame;
    std::thread helper;
    std::vector<std::wstring> refreshed;
    std::wstring unexpected;
};

TEST_F(SaveFlow, NewWebTextNamedInTheDialogIsWrittenAndTheEditorCleared) {
    Editor().SetBodyHtml(L"ABCDEFGHIJKLMN");
    std::wstring shown;
    DWORD selStart = 1, selEnd = 0;
    bool readyWhileOpen = true;
    SaveOutcome r = SaveAnswering(L"新闻", [&] {
        HWND dlg = zt::WaitForDialog(kPid, 10000, L"文件名");
        if (!dlg) return;
        zt::WaitFor([&] { return zt::WindowText(Field(dlg)) == L"ABCDEFGHIJ"; }, 3000);
        shown = zt::WindowText(Field(dlg));
        SendMessageW(Field(dlg), EM_GETSEL, (WPARAM)&selStart, (LPARAM)&selEnd);
        readyWhileOpen = frame->m_ready;
        SetField(dlg, L"标题&1");
        zt::PressButton(dlg, IDOK);
    });
    EXPECT_EQ(L"ABCDEFGHIJ", shown);
    EXPECT_EQ(0u, selStart);
    EXPECT_EQ(10u, selEnd);
    EXPECT_FALSE(readyWhileOpen);
    EXPECT_TRUE(frame->m_ready);
    ASSERT_TRUE(r.written);
    std::wstring path = *dir / L"新闻\\标题&1.htm";
    EXPECT_EQ(path, r.path);
    std::wstring expected = L"<HTML><HEAD><TITLE>标题&1</TITLE></HEAD><BODY>ABCDEFGHIJKLMN</BODY></HTML>";
    auto bytes = zt::ReadBytes(path);
    ASSERT_EQ(2 + expected.size() * 2, bytes.size());
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    EXPECT_EQ(expected, zt::ReadTextFile(path));
    EXPECT_TRUE(zt::DirExists(*dir / L"新闻\\images"));
    EXPECT_EQ(std::vector<std::wstring>{L"新闻"}, refreshed);
    EXPECT_EQ(L"", EditorHtml());
    EXPECT_EQ(L"已保存完毕！", r.report);
}

TEST_F(SaveFlow, NothingToNameMeansNoDialogAndNoFile) {
    CloseAnyDialogAfter(1500);
    Editor().SetBodyHtml(L"some text");
    frame->m_nameLength = 0;
    EXPECT_FALSE(Save(L"新闻").written);
    Editor().SetBodyHtml(L"");
    frame->m_nameLength = 10;
    EXPECT_FALSE(Save(L"新闻").written);
    helper.join();
    EXPECT_EQ(L"", unexpected);
    EXPECT_TRUE(refreshed.empty());
    EXPECT_FALSE(zt::DirExists(*dir / L"新闻\\images"));
}

TEST_F(SaveFlow, EditedFileIsOverwrittenInItsFolderWithRelativePictures) {
    CloseAnyDialogAfter(1500);
    zt::WriteBytes(*dir / L"散文\\旧文.htm", "old");
    std::wstring url = L"file:///" + dir->Path();
    for (wchar_t& c : url)
        if (c == L'\\') c = L'/';
    Editor().SetBodyHtml(L"<p>x<img src=\"" + url + L"散文/images/1.jpg\"><img src=\"" + url + L"新闻/images/2.jpg\"></p>");
    frame->m_editMode = true;
    frame->m_editFolder = L"散文";
    frame->m_webTextName = L"旧文";
    SaveOutcome r = Save(L"新闻");   // the tree's caret stands elsewhere
    helper.join();
    EXPECT_EQ(L"", unexpected);
    EXPECT_FALSE(frame->m_editMode);
    ASSERT_TRUE(r.written);
    EXPECT_EQ(L"<HTML><HEAD><TITLE>旧文</TITLE></HEAD><BODY><p>x<img src=\"images/1.jpg\"><img src=\"" + url +
                  L"新闻/images/2.jpg\"></p></BODY></HTML>",
              zt::ReadTextFile(*dir / L"散文\\旧文.htm"));
    EXPECT_EQ(std::vector<std::wstring>{L"散文"}, refreshed);

    // Edit mode lasts one save even when nothing is written.
    frame->m_editMode = true;
    frame->m_editFolder = L"散文";
    EXPECT_FALSE(Save(L"新闻").written);
    EXPECT_FALSE(frame->m_editMode);
}

TEST_F(SaveFlow, DialogRejectsIllegalAndExistingNamesIgnoresEscAndWatchesTheClipboard) {
    zt::WriteBytes(*dir / L"新闻\\国内\\已有.htm", "x");
    Editor().SetBodyHtml(L"今日新闻标题和正文");
    SetClipboardText(L"before");
    TestViewer viewer;
    std::wstring illegal, slash, exists, pasted, afterEmpty;
    std::vector<std::wstring> refusals;
    bool openAfterEsc = false;
    int viewerNotices = 0;
    SaveOutcome r = SaveAnswering(L"新闻\\国内", [&] {
        HWND dlg = zt::WaitForDialog(kPid, 10000, L"文件名");
        if (!dlg) return;
        zt::WaitFor([&] { return zt::WindowText(Field(dlg)) == L"今日新闻标题和正文"; }, 3000);
        SetField(dlg, L"a:b");
        zt::PressButton(dlg, IDOK);
        illegal = AnswerBox(L"错误", IDOK);
        SetField(dlg, L"a/b");
        zt::PressButton(dlg, IDOK);
        slash = AnswerBox(L"错误", IDOK);
        SetField(dlg, L"已有");
        zt::PressButton(dlg, IDOK);
        exists = AnswerBox(L"提示", IDOK);
        PostMessageW(Field(dlg), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(Field(dlg), WM_KEYUP, VK_ESCAPE, 0);
        Sleep(300);
        openAfterEsc = IsWindow(dlg) && IsWindowVisible(dlg);
        int before = viewer.notices;
        SetClipboardText(L"复制的标题");
        zt::WaitFor([&] { return zt::WindowText(Field(dlg)) == L"复制的标题"; }, 3000);
        pasted = zt::WindowText(Field(dlg));
        SetClipboardText(L"");
        zt::WaitFor([&] { return zt::WindowText(Field(dlg)).empty(); }, 3000);
        afterEmpty = zt::WindowText(Field(dlg));
        viewerNotices = viewer.notices - before;
        for (const std::wstring& refused : std::vector<std::wstring>{L"CON", L"新名.", std::wstring(255, L'长')}) {
            SetField(dlg, refused);
            zt::PressButton(dlg, IDOK);
            refusals.push_back(AnswerBox(L"错误", IDOK));
        }
        SetField(dlg, L"新:名?");   // illegal: rejected; then the cleaned form of a legal name
        zt::PressButton(dlg, IDOK);
        AnswerBox(L"错误", IDOK);
        SetField(dlg, L"新名");
        zt::PressButton(dlg, IDOK);
    });
    EXPECT_EQ(std::wstring(L"目录中含有非法字符：\\ / ? * : \" < > | ！"), illegal);
    EXPECT_EQ(illegal, slash);
    EXPECT_EQ(L"此文件已存在，请重新输入一个新的文件名！", exists);
    EXPECT_EQ((std::vector<std::wstring>{L"“CON”是系统保留的设备名，不能用作文件名，请换一个名称！", kTrailingDotMessage,
                                         kPathTooLongMessage}),
              refusals);
    EXPECT_TRUE(openAfterEsc);
    EXPECT_EQ(L"复制的标题", pasted);
    EXPECT_EQ(L"", afterEmpty);
    EXPECT_GE(viewerNotices, 2);
    ASSERT_TRUE(r.written);
    EXPECT_TRUE(zt::FileExists(*dir / L"新闻\\国内\\新名.htm"));
    // The dialog has left the chain: the earlier viewer is first again, and the clipboard is empty.
    EXPECT_EQ(viewer.hwnd, GetClipboardViewer());
    EXPECT_TRUE(ClipboardEmpty());
}

TEST_F(SaveFlow, CloseBoxAbandonsTheSave) {
    Editor().SetBodyHtml(L"keep me please");
    SetClipboardText(L"something");
    HWND dialog = nullptr;
    SaveOutcome r = SaveAnswering(L"新闻", [&] {
        dialog = zt::WaitForDialog(kPid, 10000, L"文件名");
        if (dialog) PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(r.written);
    EXPECT_EQ(L"", frame->m_webTextName);
    EXPECT_TRUE(frame->m_ready);
    EXPECT_EQ(L"keep me please", EditorHtml());
    EXPECT_TRUE(ClipboardEmpty());
    EXPECT_NE(dialog, GetClipboardViewer());
}

TEST_F(SaveFlow, OpenPromptRootFolderAndFileErrors) {
    frame->m_openPrompt = true;
    Editor().SetBodyHtml(L"问题文本");
    std::wstring question;
    SaveOutcome r = SaveAnswering(L"新闻", [&] {
        HWND dlg = zt::WaitForDialog(kPid, 10000, L"文件名");
        if (!dlg) return;
        zt::PressButton(dlg, IDOK);
        question = AnswerBox(L"保存", IDNO);
    });
    EXPECT_TRUE(r.written);
    EXPECT_EQ(L"保存网文：“问题文本.htm”完毕，是否查看文件？", question);

    // Yes opens the file in the browser with its plain path.
    auto before = ProcessesNamed(L"iexplore.exe");
    Editor().SetBodyHtml(L"打开文本");
    r = SaveAnswering(L"新闻", [&] {
        HWND dlg = zt::WaitForDialog(kPid, 10000, L"文件名");
        if (!dlg) return;
        zt::PressButton(dlg, IDOK);
        AnswerBox(L"保存", IDYES);
    });
    EXPECT_TRUE(r.written);
    DWORD browser = 0;
    zt::WaitFor([&] {
        for (DWORD id : ProcessesNamed(L"iexplore.exe"))
            if (std::find(before.begin(), before.end(), id) == before.end()) browser = id;
        return browser != 0;
    }, 10000);
    ASSERT_NE(0u, browser) << "the browser was not started";
    if (HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, browser)) {
        std::wstring line = CommandLineOf(h);
        {
            EXPECT_NE(std::wstring::npos, line.find(*dir / L"新闻\\打开文本.htm")) << zt::Narrow(line);
            EXPECT_EQ(std::wstring::npos, line.find(L"file:")) << zt::Narrow(line);
        }
        TerminateProcess(h, 0);
        WaitForSingleObject(h, 5000);
        CloseHandle(h);
    }

    // The root item is no folder: a clear message, and the text stays.
    Editor().SetBodyHtml(L"根目录文本");
    std::wstring rootMessage;
    r = SaveAnswering(L"", [&] { rootMessage = AnswerBox(L"提示", IDOK); });
    EXPECT_FALSE(r.written);
    EXPECT_EQ(kChooseFolderMessage, rootMessage);
    EXPECT_EQ(L"根目录文本", EditorHtml());

    // A folder that is gone: the file error is reported and the text stays.
    std::wstring error;
    r = SaveAnswering(L"已删除", [&] {
        HWND dlg = zt::WaitForDialog(kPid, 10000, L"文件名");
        if (!dlg) return;
        zt::PressButton(dlg, IDOK);
        error = AnswerBox(L"Pagewick", IDOK);
    });
    EXPECT_FALSE(r.written);
    EXPECT_NE(std::wstring::npos, error.find(*dir / L"已删除\\根目录文本.htm")) << zt::Narrow(error);
    EXPECT_EQ(L"根目录文本", EditorHtml());
}

TEST_F(SaveFlow, PicturesAreDownloadedBesideTheFileAndFailuresReported) {
    zt::HttpServer server;
    ASSERT_TRUE(server.Running());
    std::string gif = "GIF89a" + std::string(771, 'g');
    server.Put(L"a/b.gif", gif);
    // Twelve missing pictures: the first ten are named with their reason, the rest counted.
    std::wstring missing;
    for (int i = 0; i < 11; ++i) missing += L"<img src=\"" + server.Url(L"/none" + std::to_wstring(i) + L".gif") + L"\">";
    Editor().SetBodyHtml(L"<p>图片<img src=\"" + server.Url(L"/a/b.gif") + L"\"><img src=\"" + server.Url(L"/none.gif") +
                         L"\">" + missing + L"</p>");
    SaveOutcome r = SaveAnswering(L"新闻", [&] {
        HWND dlg = zt::WaitForDialog(kPid, 10000, L"文件名");
        if (!dlg) return;
        SetField(dlg, L"图文");
        zt::PressButton(dlg, IDOK);
    });
    ASSERT_TRUE(r.written);
    EXPECT_EQ(12, r.failedPictures);
    EXPECT_NE(std::wstring::npos, r.report.find(L"12 张图片未能保存"));
    EXPECT_NE(std::wstring::npos, r.report.find(L"\n" + server.Url(L"/none.gif") + L"（HTTP 404）\n")) << zt::Narrow(r.report);
    EXPECT_NE(std::wstring::npos, r.report.find(server.Url(L"/none8.gif") + L"（HTTP 404）\n另有 2 张未列出。"))
        << zt::Narrow(r.report);
    EXPECT_EQ(std::wstring::npos, r.report.find(server.Url(L"/none9.gif")));
    std::wstring text = zt::ReadTextFile(*dir / L"新闻\\图文.htm");
    size_t at = text.find(L"src=\"images/");
    ASSERT_NE(std::wstring::npos, at);
    std::wstring name = text.substr(at + 12, text.find(L'"', at + 5) - at - 12);
    EXPECT_EQ(std::vector<unsigned char>(gif.begin(), gif.end()), zt::ReadBytes(*dir / (L"新闻\\images\\" + name)));
    EXPECT_NE(std::wstring::npos, text.find(server.Url(L"/none.gif")));
}

TEST_F(SaveFlow, HotKeyAndCommandsRunTheSaveOnlyWhenReady) {
    Editor().SetBodyHtml(L"热键文本");
    // Busy: the hot key is swallowed and nothing is shown.
    frame->m_ready = false;
    CloseAnyDialogAfter(1500);
    EXPECT_EQ(1, SendMessageW(frame->m_hWnd, WM_HOTKEY, 13, 0));
    helper.join();
    EXPECT_EQ(L"", unexpected);
    EXPECT_FALSE(frame->m_ready);
    // Ready: the hot key and each save command reach the save, which proposes the
    // name in the file-name dialog (closed here, so nothing is written).
    frame->m_ready = true;
    std::vector<std::wstring> proposals;
    helper = std::thread([&] {
        for (int i = 0; i < 4; ++i) {
            HWND dlg = zt::WaitForDialog(kPid, 10000, L"文件名");
            if (!dlg) break;
            proposals.push_back(zt::WindowText(Field(dlg)));
            PostMessageW(dlg, WM_CLOSE, 0, 0);
            zt::WaitFor([&] { return !IsWindow(dlg); }, 5000);
        }
    });
    SendMessageW(frame->m_hWnd, WM_HOTKEY, 13, 0);
    for (UINT id : {ID_TB_SAVE, ID_FILE_SAVE_TEXT, ID_TRAY_SAVE}) SendMessageW(frame->m_hWnd, WM_COMMAND, id, 0);
    helper.join();
    EXPECT_EQ(std::vector<std::wstring>(4, L"热键文本"), proposals);
    EXPECT_EQ(L"热键文本", EditorHtml());
    EXPECT_TRUE(frame->m_ready);
}

// A slow server neither freezes the window nor lets a second save in.
TEST_F(SaveFlow, TheWindowAnswersWhilePicturesArriveAndNothingReentersTheSave) {
    zt::HttpServer server(2500);
    ASSERT_TRUE(server.Running());
    server.Put(L"slow.gif", "GIF89a" + std::string(100, 's'));
    Editor().SetBodyHtml(L"<p>慢图<img src=\"" + server.Url(L"/slow.gif") + L"\"></p>");
    int answered = 0, dialogs = 0;
    SaveOutcome r = SaveAnswering(L"新闻", [&] {
        HWND dlg = zt::WaitForDialog(kPid, 10000, L"文件名");
        if (!dlg) return;
        zt::PressButton(dlg, IDOK);
        zt::WaitFor([&] { return !IsWindow(dlg); }, 5000);
        Sleep(300);   // the download has started and waits for the server
        for (int i = 0; i < 5; ++i) {
            DWORD_PTR result = 0;
            answered += SendMessageTimeoutW(frame->m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 300, &result) != 0;
            PostMessageW(frame->m_hWnd, WM_COMMAND, ID_TRAY_SAVE, 0);
            PostMessageW(frame->m_hWnd, WM_HOTKEY, 13, 0);
            dialogs += zt::WaitForDialog(kPid, 100, L"文件名") != nullptr;
        }
    });
    EXPECT_EQ(5, answered);
    EXPECT_EQ(0, dialogs);
    ASSERT_TRUE(r.written);
    EXPECT_EQ(0, r.failedPictures);
    EXPECT_TRUE(IsWindowEnabled(frame->m_hWnd));
}

// While the pictures download, the status bar counts them; an edited file's
// new pictures go beside it, not into the tree's current folder.
TEST_F(SaveFlow, EditedFilePicturesGoBesideItWithProgressShown) {
    zt::HttpServer server(150);
    ASSERT_TRUE(server.Running());
    std::wstring html = L"<p>..";
    for (int i = 0; i < 3; ++i) {
        server.Put(std::to_wstring(i) + L".png", "\x89PNG\r\n\x1a\n" + std::string(100 + i, 'p'));
        html += L"<img src=\"" + server.Url(L"/" + std::to_wstring(i) + L".png") + L"\">";
    }
    Editor().SetBodyHtml(html + L"</p>");
    std::vector<std::wstring> statusTexts;
    SUBCLASSPROC record = [](HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) -> LRESULT {
        if (m == SB_SETTEXTW && LOBYTE(wp) == 0)
            reinterpret_cast<std::vector<std::wstring>*>(data)->push_back((const wchar_t*)lp);
        return DefSubclassProc(h, m, wp, lp);
    };
    HWND status = frame->m_wndStatusBar.m_hWnd;
    std::wstring idle = frame->m_wndStatusBar.GetPaneText(0);
    SetWindowSubclass(status, record, 2, (DWORD_PTR)&statusTexts);
    frame->m_editMode = true;
    frame->m_editFolder = L"散文";
    frame->m_webTextName = L"图集";
    CloseAnyDialogAfter(3000);
    SaveOutcome r = Save(L"新闻");
    helper.join();
    RemoveWindowSubclass(status, record, 2);
    ASSERT_TRUE(r.written);
    EXPECT_EQ(0, r.failedPictures);
    // Progress, the idle text again, then the file list counts the folder written to.
    ASSERT_GE(statusTexts.size(), 4u);
    EXPECT_EQ(L"0/3", statusTexts.front());
    EXPECT_EQ(L"3/3", statusTexts[statusTexts.size() - 3]);
    EXPECT_EQ(idle, statusTexts[statusTexts.size() - 2]);
    EXPECT_EQ(L"此文件夹中含有：1 个网页文件！", statusTexts.back());
    std::wstring text = zt::ReadTextFile(*dir / L"散文\\图集.htm");
    for (size_t at = 0; (at = text.find(L"src=\"images/", at)) != std::wstring::npos; ++at) {
        std::wstring name = text.substr(at + 12, text.find(L'"', at + 5) - at - 12);
        EXPECT_TRUE(zt::FileExists(*dir / (L"散文\\images\\" + name))) << zt::Narrow(name);
    }
    EXPECT_EQ(std::wstring::npos, text.find(L"http"));
    EXPECT_FALSE(zt::DirExists(*dir / L"新闻\\images"));
}

}  // namespace
