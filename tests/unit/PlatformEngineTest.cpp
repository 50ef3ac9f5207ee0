// The platform engine against a stand-in web-browser control that keeps the
// control's documented contract (see FakeBrowserControl.h).
#include <gtest/gtest.h>
#include <mshtmdid.h>
#include <olectl.h>
#include <shlwapi.h>
#include "FakeBrowserControl.h"
#include <thread>
#include "capture/SelectionCapture.h"
#include "editor/ClipboardHtml.h"
#include "editor/HtmlText.h"
#include "editor/PagewickView.h"
#include "framework/FrameWnd.h"
#include "editor/PlatformHtmlEngine.h"
#include "resources/resource.h"
#include "support/Harness.h"

namespace {

const UINT kHeldMessage = WM_APP + 7;
const UINT kSentMessage = WM_APP + 8;

// Lets the control's later steps run.
void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
}

// A frame with its own accelerators that records the commands and messages it gets.
class TestFrame : public CFrameWnd {
public:
    std::vector<UINT> commands;
    int heldSeen = 0;
    std::function<void()> onSent;   // a message sent from another thread
    bool Create() {
        RegisterWndClass(L"ZelvaneEngineTestFrame", 0, (HBRUSH)(COLOR_WINDOW + 1));
        return CreateEx(0, L"ZelvaneEngineTestFrame", L"engine test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                        500, 400, nullptr, 0);
    }
protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_COMMAND) commands.push_back(LOWORD(wp));
        if (msg == kHeldMessage) ++heldSeen;
        if (msg == kSentMessage && onSent) onSent();
        return CFrameWnd::OnMessage(msg, wp, lp);
    }
};

class PlatformEngine : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        UseStandIns(3000);
        ASSERT_TRUE(frame.Create());
    }
    // Every control the engine makes from now on is a stand-in (and a new engine choice starts).
    void UseStandIns(DWORD timeoutMs) {
        SetBrowserControlSource({[this](IOleObject** out) {
            auto* b = new fake::Browser;
            browsers.push_back(b);
            b->AddRef();   // the test's own hold, to look at it after the engine let it go
            *out = b;
            return S_OK;
        }, timeoutMs});
    }
    void TearDown() override {
        SetBrowserControlSource({});
        frame.DestroyWindow();
        for (auto* b : browsers) b->Release();
        OleUninitialize();
    }
    // The engine let the control go: the control holds only the test's reference,
    // and the container's site is freed once the test lets go of it too.
    void ExpectReleased(fake::Browser* b) {
        EXPECT_EQ(1u, b->refs);
        ASSERT_NE(nullptr, b->observer);
        // A late event reaches a detached site: nothing happens.
        VARIANT args[2];
        args[0] = fake::Browser::Url(L"about:blank");
        args[1] = fake::Browser::Disp(static_cast<IWebBrowser2*>(b));
        DISPPARAMS dp{args, nullptr, 2, 0};
        EXPECT_EQ(S_OK, b->observer->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr,
                                            nullptr, nullptr));
        VariantClear(&args[0]);
        EXPECT_EQ(0u, b->observer->Release());
        b->observer = nullptr;
    }
    std::wstring Body(CHtmlEditView& view) {
        std::wstring html = L"?";
        EXPECT_TRUE(view.Engine()->GetBodyHtml(html));
        return html;
    }
    MSG Key(HWND to, WPARAM vk, bool ctrl) {
        BYTE keys[256] = {};
        if (ctrl) keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        return MSG{to, WM_KEYDOWN, vk, 1, 0, {}};
    }
    fake::World world;
    std::vector<fake::Browser*> browsers;
    TestFrame frame;
};

TEST_F(PlatformEngine, WalksStartEditingFilesCaptureKeysFocusAndTeardown) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring folder = std::wstring(tmp) + L"engine #% " + std::to_wstring(GetCurrentProcessId());
    zt::RemoveTree(folder);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    // A web text copied in by hand: UTF-8 without a mark, a picture beside it.
    std::wstring page = folder + L"\\a#b%c d.htm";
    zt::WriteBytes(page, "<html><body><P>\xE6\x96\xB0\xE9\x97\xBB caf\xC3\xA9 <img src=\"images/p.gif\"></P></body></html>");

    // A capture handed over from another process while the engine waits for its control
    // (a message sent during the wait) is refused as busy, never taken into a document
    // about to be reset.
    PostMessageW(frame.m_hWnd, kHeldMessage, 0, 0);
    CPagewickView view;
    CaptureOutcome sentDuringStart = CaptureOutcome::Success;
    frame.onSent = [&] {
        std::wstring text = L"sent while starting";
        sentDuringStart = AppendToEditor(&view, &text);
    };
    HANDLE designPut = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The message is waiting before the switch returns, so the engine's wait is what takes it.
    world.inside = [&](const std::wstring& where) {
        if (where != L"designMode") return;
        SetEvent(designPut);
        for (int i = 0; i < 5000 && !(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE); ++i) Sleep(1);
    };
    HANDLE sent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        if (WaitForSingleObject(designPut, 5000) == WAIT_OBJECT_0) SendMessageW(frame.m_hWnd, kSentMessage, 0, 0);
        SetEvent(sent);
    });
    ASSERT_TRUE(view.Create(frame.m_hWnd, AFX_IDW_PANE_FIRST, WS_VISIBLE));
    // A send that came too late is taken here rather than left blocking the join (the
    // check below then fails).
    while (MsgWaitForMultipleObjects(1, &sent, FALSE, 10000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG late;
        PeekMessageW(&late, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    other.join();
    CloseHandle(sent);
    CloseHandle(designPut);
    world.inside = nullptr;
    frame.SetView(&view);
    ASSERT_STREQ(L"platform", view.Engine()->Name());
    EXPECT_EQ(CaptureOutcome::Busy, sentDuringStart);
    EXPECT_EQ(0, frame.heldSeen);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, frame.m_hWnd, kHeldMessage, kHeldMessage, PM_REMOVE));

    fake::Browser& control = *browsers.at(0);
    // Ambient properties: user mode and download control answered, the rest unknown.
    auto& userMode = control.ambients[DISPID_AMBIENT_USERMODE];
    EXPECT_EQ(S_OK, userMode.first);
    EXPECT_EQ(VT_BOOL, V_VT(&userMode.second));
    EXPECT_EQ(VARIANT_TRUE, V_BOOL(&userMode.second));
    auto& download = control.ambients[DISPID_AMBIENT_DLCONTROL];
    EXPECT_EQ(S_OK, download.first);
    const LONG wanted = DLCTL_DLIMAGES | DLCTL_NO_SCRIPTS | DLCTL_NO_FRAMEDOWNLOAD;
    EXPECT_EQ(wanted, V_I4(&download.second) & wanted);
    // User agent and silent mode (-5513, -5501) are left to the control.
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, control.ambients[-5513].first);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, control.ambients[-5501].first);
    const DWORD flags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_LOCAL_MACHINE_ACCESS_CHECK |
                        DOCHOSTUIFLAG_DISABLE_UNTRUSTEDPROTOCOL;
    EXPECT_EQ(flags, control.hostFlags & flags);
    IDocHostUIHandler* ui = control.Site<IDocHostUIHandler>(IID_IDocHostUIHandler);
    ASSERT_NE(nullptr, ui);
    POINT at{5, 5};
    EXPECT_EQ(S_OK, ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr));   // S_OK: no menu
    ui->Release();
    EXPECT_FALSE(control.dropTarget);

    // The start document, switched once; the wait ended on the reload's DocumentComplete,
    // not on the old document that still read "complete": a text set now (a recovered
    // one) is not wiped by the reload afterwards.
    ASSERT_EQ(std::vector<std::wstring>{L"about:blank"}, control.navigations);
    EXPECT_EQ(L"complete", control.doc->state);
    EXPECT_EQ(L"On", control.doc->mode);
    EXPECT_EQ(1, control.doc->designPuts);
    EXPECT_NE(world.log.end(), std::find(world.log.begin(), world.log.end(), L"design reload"));
    ASSERT_TRUE(view.Engine()->SetBodyHtml(L"recovered"));
    PumpFor(300);
    EXPECT_EQ(L"recovered", Body(view));

    // A file: decoded by the program (UTF-8 without a mark), its picture made absolute
    // against its folder before the control sees it; no navigation, no second design
    // switch, and unmodified.
    ASSERT_TRUE(view.Navigate(page));
    EXPECT_EQ(1u, control.navigations.size());
    EXPECT_EQ(1, control.doc->designPuts);
    std::wstring opened = Body(view);
    EXPECT_NE(std::wstring::npos, opened.find(L"新闻 café")) << opened;
    EXPECT_NE(std::wstring::npos, opened.find(L"src=\"" + htmltext::FolderFileUrl(folder) + L"images/p.gif\""))
        << opened;
    CPagewickDoc doc;
    doc.SetView(&view);
    EXPECT_EQ(0, doc.IsModified());
    // A missing file is refused; the text stays.
    EXPECT_FALSE(view.Navigate(folder + L"\\missing.htm"));
    EXPECT_EQ(opened, Body(view));

    // A link click, Backspace or a drop: the control's own navigation is cancelled.
    control.UserNavigate(L"http://127.0.0.1:9/elsewhere");
    PumpFor(100);
    EXPECT_EQ(1u, control.navigations.size());
    EXPECT_EQ(opened, Body(view));

    // A capture while a body is being set (an event fired inside the control's call)
    // is refused as busy and never lands in the text.
    CaptureOutcome duringSet = CaptureOutcome::Success;
    world.inside = [&](const std::wstring& where) {
        std::wstring text = L"late";
        if (where == L"innerHTML") duringSet = AppendToEditor(&view, &text);
    };
    ASSERT_TRUE(view.Engine()->NewDocument());
    world.inside = nullptr;
    EXPECT_EQ(CaptureOutcome::Busy, duringSet);
    EXPECT_EQ(L"", Body(view));
    EXPECT_EQ(0, doc.IsModified());

    // Capture from the clipboard's HTML Format (the hidden view has no focus, so the
    // control would not paste there), cleaned, appended without setting the body again;
    // modified although the control itself still reports clean.
    CHtmlMyEdit paste;
    ASSERT_TRUE(paste.Create(frame.m_hWnd, IDC_PASTEVIEW, 0));
    fake::Browser& pasteControl = *browsers.at(1);
    EXPECT_FALSE(paste.Engine()->QueryStatus(kIdmPaste) & OLECMDF_ENABLED);
    view.Engine()->SetBodyHtml(L"<P>first</P>");
    view.Engine()->NewDocument();
    ASSERT_TRUE(cliphtml::WriteHtml(frame.m_hWnd, L"<B>copied</B><img src=\"\\\\share\\x.gif\" onerror=\"go()\">"));
    // An append the control refuses is no success: the clipboard keeps the selection.
    world.refuseInsert = true;
    EXPECT_EQ(CaptureOutcome::Failed, RunCaptureSteps(frame.m_hWnd, &paste, &view));
    world.refuseInsert = false;
    EXPECT_TRUE(cliphtml::CanPaste());
    EXPECT_EQ(L"", Body(view));
    world.log.clear();
    EXPECT_EQ(CaptureOutcome::Success, RunCaptureSteps(frame.m_hWnd, &paste, &view));
    EXPECT_EQ(L"<P><B>copied</B><IMG>", Body(view));
    EXPECT_EQ(std::find(world.log.begin(), world.log.end(), L"set "), world.log.end());
    EXPECT_NE(std::find(world.log.begin(), world.log.end(), L"insert"), world.log.end());
    EXPECT_EQ(1, doc.IsModified());
    EXPECT_FALSE(cliphtml::CanPaste());   // emptied only after the text was in
    // Plain text only: through the hidden view, escaped, line breaks kept; the view is left empty.
    ASSERT_TRUE(OpenClipboard(frame.m_hWnd));
    EmptyClipboard();
    const wchar_t text[] = L"a<b\r\nc";
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    memcpy(GlobalLock(g), text, sizeof text);
    GlobalUnlock(g);
    SetClipboardData(CF_UNICODETEXT, g);
    CloseClipboard();
    EXPECT_EQ(CaptureOutcome::Success, RunCaptureSteps(frame.m_hWnd, &paste, &view));
    EXPECT_EQ(L"<P><B>copied</B><IMG><P>a&lt;b<BR>c", Body(view));
    EXPECT_EQ(L"", Body(paste));
    // The modal font dialog counts as busy: a capture under it is refused.
    CaptureOutcome underDialog = CaptureOutcome::Success;
    world.inside = [&](const std::wstring& where) {
        std::wstring t = L"x";
        if (where == L"exec 90") underDialog = AppendToEditor(&view, &t);
    };
    view.Engine()->NewDocument();
    EXPECT_TRUE(view.ExecGated(kIdmFont));
    world.inside = nullptr;
    EXPECT_EQ(CaptureOutcome::Busy, underDialog);
    EXPECT_EQ(1, doc.IsModified());

    // Keys: the frame's own first, navigation keys swallowed, editing keys to the control.
    HACCEL accel = CreateAcceleratorTableW(std::vector<ACCEL>{{FVIRTKEY | FCONTROL, 'S', ID_FILE_SAVE},
                                                              {FVIRTKEY | FCONTROL, 'C', ID_EDIT_COPY}}.data(), 2);
    frame.SetAccelerators(accel);
    world.log.clear();
    MSG key = Key(control.window, 'S', true);
    EXPECT_TRUE(frame.PreTranslateMessage(&key));
    EXPECT_EQ(std::vector<UINT>{ID_FILE_SAVE}, frame.commands);
    EXPECT_TRUE(world.log.empty());
    for (WPARAM vk : {WPARAM('N'), WPARAM('O'), WPARAM('L'), WPARAM('P')}) {
        key = Key(control.window, vk, true);
        EXPECT_TRUE(frame.PreTranslateMessage(&key)) << vk;
    }
    key = Key(control.window, VK_F5, false);
    EXPECT_TRUE(frame.PreTranslateMessage(&key));
    key = Key(control.window, 'C', true);
    EXPECT_TRUE(frame.PreTranslateMessage(&key));   // the control copied
    key = Key(control.window, 'B', true);
    EXPECT_FALSE(frame.PreTranslateMessage(&key));  // left to the control's window
    EXPECT_EQ((std::vector<std::wstring>{L"host took key 78", L"host took key 79", L"host took key 76",
                                         L"host took key 80", L"host took key 116", L"control key 67",
                                         L"control key 66"}),
              world.log);
    EXPECT_EQ(std::vector<UINT>{ID_FILE_SAVE}, frame.commands);
    // Typing modifies the text, though the control reports clean; moving the caret does not.
    ASSERT_TRUE(view.Engine()->NewDocument());
    key = Key(control.window, VK_LEFT, false);
    frame.PreTranslateMessage(&key);
    EXPECT_EQ(0, doc.IsModified());
    MSG typed{control.window, WM_CHAR, L'字', 1, 0, {}};
    frame.PreTranslateMessage(&typed);
    EXPECT_EQ(1, doc.IsModified());
    Key(nullptr, 0, false);
    frame.SetAccelerators(nullptr);
    DestroyAcceleratorTable(accel);

    // Focus UI-activates the visible view (never the hidden one); activation is passed on.
    world.log.clear();
    paste.SendMessage(WM_SETFOCUS);
    EXPECT_TRUE(world.log.empty());
    frame.ShowWindow(SW_SHOW);   // as after a restore from the tray
    SetFocus(frame.m_hWnd);
    ASSERT_FALSE(world.log.empty());
    EXPECT_EQ(L"ui-activate", world.log.back());
    EXPECT_EQ(control.window, GetFocus());
    world.log.clear();
    frame.SendMessage(WM_ACTIVATE, WA_INACTIVE);
    frame.SendMessage(WM_ACTIVATE, WA_ACTIVE);
    ASSERT_LE(2u, world.log.size());
    EXPECT_EQ(L"frame activate 0", world.log[0]);
    EXPECT_EQ(L"frame activate 1", world.log[1]);

    // Teardown: deactivated and closed while the site still has its window; everything released.
    world.log.clear();
    view.DestroyWindow();
    paste.DestroyWindow();
    EXPECT_EQ((std::vector<std::wstring>{L"Unadvise", L"InPlaceDeactivate", L"Close", L"SetClientSite(null)"}),
              std::vector<std::wstring>(world.log.begin(), world.log.begin() + 4));
    EXPECT_EQ(std::vector<std::wstring>{}, world.violations);
    ExpectReleased(&control);
    ExpectReleased(&pasteControl);
    zt::RemoveTree(folder);
}

TEST_F(PlatformEngine, TimeOutQuitAndOneChoiceForBothViews) {
    // A control that never completes its document: given up after the bound, released.
    world.neverComplete = true;
    UseStandIns(400);
    DWORD start = GetTickCount();
    std::unique_ptr<HtmlEngine> first = CreateHtmlEngine(frame.m_hWnd);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_STREQ(L"builtin", first->Name());
    EXPECT_GE(elapsed, 390u);
    EXPECT_LT(elapsed, 2000u);
    ASSERT_EQ(1u, browsers.size());
    ExpectReleased(browsers[0]);
    // The choice holds for the next view: no second try, no second wait.
    EXPECT_STREQ(L"builtin", CreateHtmlEngine(frame.m_hWnd)->Name());
    EXPECT_EQ(1u, browsers.size());
    // Never silent: the reason is kept for the status bar and the balloon.
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_TIMEOUT), BuiltinEngineReason());
    SetBrowserControlSource({[](IOleObject** out) { *out = nullptr; return REGDB_E_CLASSNOTREG; }, 400});
    EXPECT_STREQ(L"builtin", CreateHtmlEngine(frame.m_hWnd)->Name());
    EXPECT_EQ(REGDB_E_CLASSNOTREG, BuiltinEngineReason());
    EXPECT_EQ(L"正在使用简易编辑器：系统的网页编辑控件不可用（错误 0x80040154）",
              SimpleEditorNotice(BuiltinEngineReason()));
    EXPECT_EQ(L"", SimpleEditorNotice(S_OK));
    // The newest document mode, per user only.
    const wchar_t* emulation = L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
    ASSERT_TRUE(WriteBrowserEmulation(L"ZelvaneEngineTest.exe"));
    DWORD mode = 0, size = sizeof mode;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, emulation, L"ZelvaneEngineTest.exe", RRF_RT_REG_DWORD,
                                          nullptr, &mode, &size));
    EXPECT_EQ(11001u, mode);
    EXPECT_NE(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, emulation, L"ZelvaneEngineTest.exe", RRF_RT_REG_DWORD,
                                          nullptr, &mode, &size));
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, emulation, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"ZelvaneEngineTest.exe");
        RegCloseKey(key);
    }

    // A WM_QUIT ends the wait at once and is posted again.
    UseStandIns(3000);
    PostQuitMessage(5);
    start = GetTickCount();
    EXPECT_EQ(nullptr, CreatePlatformHtmlEngine(frame.m_hWnd));
    EXPECT_LT(GetTickCount() - start, 1500u);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(5u, msg.wParam);

    // A view made with the platform engine follows when a later view fell back.
    world.neverComplete = false;
    UseStandIns(400);
    CPagewickView main;
    ASSERT_TRUE(main.Create(frame.m_hWnd, AFX_IDW_PANE_FIRST, WS_VISIBLE));
    EXPECT_STREQ(L"platform", main.Engine()->Name());
    world.neverComplete = true;
    CHtmlMyEdit paste;
    ASSERT_TRUE(paste.Create(frame.m_hWnd, IDC_PASTEVIEW, 0));
    EXPECT_STREQ(L"builtin", paste.Engine()->Name());
    main.RecreateEngine();
    EXPECT_STREQ(L"builtin", main.Engine()->Name());
    main.DestroyWindow();
    paste.DestroyWindow();
    for (size_t i = 1; i < browsers.size(); ++i) ExpectReleased(browsers[i]);
    EXPECT_EQ(std::vector<std::wstring>{}, world.violations);
}

}  // namespace
