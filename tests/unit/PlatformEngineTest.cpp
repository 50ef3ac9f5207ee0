// The platform engine against a stand-in web-browser control that keeps the
// control's documented contract (see FakeBrowserControl.h).
#include <gtest/gtest.h>
#include <mshtmdid.h>
#include <olectl.h>
#include <shlwapi.h>
#include "FakeBrowserControl.h"
#include "capture/SelectionCapture.h"
#include "editor/PagewickView.h"
#include "framework/FrameWnd.h"
#include "editor/PlatformHtmlEngine.h"
#include "resources/resource.h"
#include "support/Harness.h"

namespace {

const UINT kHeldMessage = WM_APP + 7;

// A frame with its own accelerators that records the commands and messages it gets.
class TestFrame : public CFrameWnd {
public:
    std::vector<UINT> commands;
    int heldSeen = 0;
    bool Create() {
        RegisterWndClass(L"ZelvaneEngineTestFrame", 0, (HBRUSH)(COLOR_WINDOW + 1));
        return CreateEx(0, L"ZelvaneEngineTestFrame", L"engine test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                        500, 400, nullptr, 0);
    }
protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_COMMAND) commands.push_back(LOWORD(wp));
        if (msg == kHeldMessage) ++heldSeen;
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
    std::wstring page = folder + L"\\a#b%c d.htm", broken = folder + L"\\broken.htm";
    zt::WriteBytes(page, "x");
    zt::WriteBytes(broken, "x");
    wchar_t url[2084];
    DWORD size = 2084;
    ASSERT_EQ(S_OK, UrlCreateFromPathW(page.c_str(), url, &size, 0));
    world.pages[url] = L"<P>file</P>";
    size = 2084;
    UrlCreateFromPathW(broken.c_str(), url, &size, 0);
    world.errorUrls.insert(url);

    // Messages posted to the program meanwhile are not handled inside the start-up wait.
    PostMessageW(frame.m_hWnd, kHeldMessage, 0, 0);
    CPagewickView view;
    ASSERT_TRUE(view.Create(frame.m_hWnd, AFX_IDW_PANE_FIRST, WS_VISIBLE));
    frame.SetView(&view);
    ASSERT_STREQ(L"platform", view.Engine()->Name());
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
    EXPECT_EQ(LONG(DLCTL_DLIMAGES | DLCTL_NO_SCRIPTS), V_I4(&download.second) & (DLCTL_DLIMAGES | DLCTL_NO_SCRIPTS));
    // User agent and silent mode (-5513, -5501) are left to the control.
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, control.ambients[-5513].first);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, control.ambients[-5501].first);
    EXPECT_TRUE(control.hostFlags & DOCHOSTUIFLAG_NO3DBORDER);
    IDocHostUIHandler* ui = control.Site<IDocHostUIHandler>(IID_IDocHostUIHandler);
    ASSERT_NE(nullptr, ui);
    POINT at{5, 5};
    EXPECT_EQ(S_OK, ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr));   // S_OK: no menu
    ui->Release();
    EXPECT_FALSE(control.dropTarget);

    // The start document is complete and editable when the view exists, switched once.
    ASSERT_EQ(std::vector<std::wstring>{L"about:blank"}, control.navigations);
    EXPECT_EQ(L"complete", control.doc->state);
    EXPECT_EQ(L"On", control.doc->mode);
    EXPECT_EQ(1, control.doc->designPuts);

    // A file: its name reaches the control escaped, and its document is there on return.
    ASSERT_TRUE(view.Navigate(page));
    EXPECT_NE(std::wstring::npos, control.navigations.back().find(L"a%23b%25c%20d.htm")) << control.navigations.back();
    EXPECT_EQ(0u, control.navigations.back().find(L"file:"));
    EXPECT_EQ(L"<P>file</P>", Body(view));
    EXPECT_EQ(L"On", control.doc->mode);
    EXPECT_EQ(1, control.doc->designPuts);
    EXPECT_EQ(control.navigations.back(), view.Engine()->DocumentUrl());

    // A file the control cannot show: no error page, an empty editable document.
    EXPECT_FALSE(view.Navigate(broken));
    EXPECT_EQ(L"about:blank", control.navigations.back());
    EXPECT_EQ(L"", Body(view));
    EXPECT_EQ(L"On", control.doc->mode);
    EXPECT_NE(world.log.end(), std::find(world.log.begin(), world.log.end(), L"error page cancelled"));
    // A missing file is refused before the control is asked; the text stays.
    view.Engine()->SetBodyHtml(L"kept");
    size_t navigations = control.navigations.size();
    EXPECT_FALSE(view.Navigate(folder + L"\\missing.htm"));
    EXPECT_EQ(navigations, control.navigations.size());
    EXPECT_EQ(L"kept", Body(view));

    // Cleared: complete and editable again on return.
    ASSERT_TRUE(view.Engine()->NewDocument());
    EXPECT_EQ(L"", Body(view));
    EXPECT_EQ(L"complete", control.doc->state);
    EXPECT_EQ(L"On", control.doc->mode);

    // The capture's order on the hidden view: stop, read, empty, close.
    CHtmlMyEdit paste;
    ASSERT_TRUE(paste.Create(frame.m_hWnd, IDC_PASTEVIEW, 0));
    fake::Browser& pasteControl = *browsers.at(1);
    world.log.clear();
    EXPECT_EQ(CaptureOutcome::Success, RunCaptureSteps(frame.m_hWnd, &paste, &view));
    std::vector<std::wstring> pasteSteps(world.log.begin(), world.log.begin() + 4);
    EXPECT_EQ((std::vector<std::wstring>{L"Stop", L"read", L"set ", L"close"}), pasteSteps);
    EXPECT_EQ(L"<P><B>pasted</B>", Body(view));
    EXPECT_EQ(L"", Body(paste));

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
