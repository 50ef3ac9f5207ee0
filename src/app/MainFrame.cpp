#include "app/MainFrame.h"
#include "library/LibraryPanes.h"
#include "app/ContextMenuEntry.h"
#include "host/NativeHostRegistration.h"
#include "app/TrayIcon.h"
#include "app/MainFrameRecovery.h"
#include "capture/SelectionCapture.h"
#include "editor/PlatformHtmlEngine.h"
#include "framework/Resources.h"
#include "framework/Dpi.h"
#include "resources/resource.h"
#include "settings/AppDir.h"
#include "settings/Config.h"
#include "app/Unregister.h"

const wchar_t kMainCaption[] = L"ZelvaneV1.3";
const wchar_t kFrameClass[] = L"ZelvaneMainFrame";
CHtmlMyEdit* g_pasteView = nullptr;

namespace {
CMainFrame* g_mainFrame = nullptr;
const wchar_t* const kDefaultFolders[] = {L"新闻", L"小说", L"散文", L"诗歌", L"天文", L"地理", L"历史"};
}  // namespace

CMainFrame* GetMainFrame() { return g_mainFrame; }
void SetMainFrame(CMainFrame* frame) { g_mainFrame = frame; }

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() {
    if (g_pasteView) {
        delete g_pasteView;
        g_pasteView = nullptr;
    }
    if (m_toolbarImages) ImageList_Destroy(m_toolbarImages);
    if (m_uiFont) ::DeleteObject(m_uiFont);
    if (m_paneFont) ::DeleteObject(m_paneFont);
}

bool CMainFrame::LoadFrame(CPagewickDoc* doc) {
    m_doc = doc;
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    RegisterWndClass(kFrameClass, CS_DBLCLKS, (HBRUSH)(COLOR_BTNFACE + 1),
                     ::LoadIconW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME)),
                     (HICON)::LoadImageW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                         ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    // The caption is only set once Config.ini exists; the frame never shows a document name.
    const wchar_t* name = config::Exists() ? kMainCaption : L"";
    HMENU menu = ::LoadMenuW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME));
    SetAccelerators(::LoadAcceleratorsW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME)));
    if (!CreateEx(0, kFrameClass, name, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, (UINT_PTR)menu)) {
        if (menu) ::DestroyMenu(menu);
        return false;
    }
    return true;
}

LRESULT CMainFrame::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SHOWWINDOW:
        OnShowWindow(wp, lp);
        return 0;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wp))) return 0;
        break;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wp));
        return 0;
    case WM_HOTKEY:
        return OnHotKey(wp, lp);   // capture here, save through OnSaveHotKey
    case WM_CAPTURE_AFTER_START:
    case WM_CAPTURE_REQUEST:
        return OnCaptureMessage(msg, wp, lp);
    case WM_CAPTURE_NOT_ARMED:
        OnCaptureNotArmed();
        return 0;
    case WM_COPYDATA:
        return OnCopyData(lp);
    case WM_TIMER:
        return OnTimer(wp, lp);
    case WM_CLOSE:
        HideToTray();   // every close only hides; the exit command ends the program
        return 1;
    case WM_TRAY_CALLBACK:
        return OnTrayCallback(wp, lp);
    case WM_RECOVERY_DAMAGED:
        ReportDamagedRecovery();
        return 0;
    case WM_ENDSESSION:
        // Log-off or shut-down ends the process without the exit command: keep what was typed last.
        if (wp) EndRecoveryAtExit(true);
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
        return 0;
    case WM_SEARCH_INDEX_PROGRESS:
        OnSearchIndexProgress(wp, lp);
        return 0;
    case WM_START_SHOWN:
        OnStartShown();
        return 0;
    case WM_QUERY_UNSAVED_TEXT:
        return HasUnsavedText() ? 1 : 0;
    case WM_SEARCH_START:
        StartLibrarySearch();
        return 0;
    case WM_SEARCH_STORE_CHANGED:
        OnSearchStoreChanged();
        return 0;
    }
    return CFrameWnd::OnMessage(msg, wp, lp);
}

int CMainFrame::OnCreate() {
    m_editMode = false;
    m_cutPending = false;

    std::wstring appDir = GetAppDir();
    wchar_t module[256] = {};
    ::GetModuleFileNameW(nullptr, module, 255);
    std::wstring programFile = module;
    programFile = programFile.substr(programFile.find_last_of(L'\\') + 1);
    WriteContextMenuEntry(appDir, programFile);
    WriteBrowserEmulation(programFile);   // before the editor's control is made
    // Today's browsers reach the program through the native messaging host; a failure
    // leaves only that way closed, so it is not worth a box at every start.
    RegisterNativeHost(appDir);

    // Quoted: a program folder with spaces would otherwise register nothing.
    std::wstring regsvr = L"/s \"" + appDir + L"Linkmoss.dll\"";
    ::ShellExecuteW(nullptr, L"open", L"regsvr32.exe", regsvr.c_str(), nullptr, SW_HIDE);
    // The 32-bit copy beside a 64-bit program, for the browsers' 32-bit tab processes.
    std::wstring regsvr32 = Regsvr32Of32BitCopy(appDir);
    if (!regsvr32.empty()) {
        std::wstring args = L"/s \"" + appDir + kLinkmoss32 + L"\"";
        ::ShellExecuteW(nullptr, L"open", regsvr32.c_str(), args.c_str(), nullptr, SW_HIDE);
    }

    if (!config::Exists()) RunFirstStart();   // returns only when started by the installer

    m_recentFiles.Load();

    g_pasteView = new CHtmlMyEdit;
    g_pasteView->Create(m_hWnd, IDC_PASTEVIEW, 0);

    if (!m_view.Create(m_hWnd, AFX_IDW_PANE_FIRST, WS_VISIBLE | WS_BORDER)) return -1;
    // One engine for both views: the paste view follows when the choice fell back after it.
    if (g_pasteView->Engine() && wcscmp(g_pasteView->Engine()->Name(), m_view.Engine()->Name()) != 0)
        g_pasteView->RecreateEngine();
    SetView(&m_view);
    if (m_doc) m_doc->SetView(&m_view);

    if (!CreateToolBar() || !CreateStatusBar()) return -1;
    // Never a silent fall-back: the status bar says it until the file list reports, and a
    // balloon once the window is shown.
    if (wcscmp(m_view.Engine()->Name(), L"builtin") == 0) SetStatusText(SimpleEditorNotice(BuiltinEngineReason()));
    CreateSearchBox();   // the program works without it
    if (!CreatePanes()) {
        AfxMessageBox(L"Failed to create toolbar\n", MB_OK, m_hWnd);
        return -1;
    }
    ApplyDpi(dpi::ForWindow(m_hWnd));

    AddTrayIcon(m_tray, m_hWnd);
    // Once the window is shown: the store's loading and walk must not slow the start.
    ::PostMessageW(m_hWnd, WM_SEARCH_START, 0, 0);

    m_hotKeyBaseId = kHotKeyBaseId;
    bool captureKeyFailed = false;
    m_hotKeys = RegisterAppHotKeys(m_hWnd, &captureKeyFailed);
    // Without its key the program would wait for a capture that never comes: say so.
    if (captureKeyFailed)
        ShowTrayBalloon(m_tray, kBalloonWarning, kTakenKeyTitle, TakenCaptureKeyText(m_hotKeys).c_str());

    if (::OpenClipboard(m_hWnd)) {
        ::EmptyClipboard();
        ::CloseClipboard();
    }

    if (config::Exists()) {
        m_openPrompt = config::Read(L"OPENMSG", L"BSHOW", config::kShortChars) == L"true";
        m_nameLength = config::ToInt(config::Read(L"FILENAME", L"LEN", config::kShortChars));
    }
    return 0;
}

void CMainFrame::RunFirstStart() {
    config::WriteFirstRunDefaults();
    std::wstring appDir = GetAppDir();
    for (const wchar_t* folder : kDefaultFolders) {
        std::wstring path = appDir + folder;
        if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) ::CreateDirectoryW(path.c_str(), nullptr);
    }
    if (m_firstStartGoesOn) {   // the installer's finish page: the user wants the program now
        ::SetWindowTextW(m_hWnd, kMainCaption);   // how the extension and the host find it
        return;
    }
    ::MessageBoxW(m_hWnd, L"配置文件：config.ini已重新生成，请重新启动软件！", L"提示", MB_OK | MB_ICONINFORMATION);
    ::ExitProcess(0);
}

bool CMainFrame::CreateToolBar() {
    if (!m_wndToolBar.CreateEx(m_hWnd, TBSTYLE_FLAT,
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | TBSTYLE_TOOLTIPS, AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_TOOLBAR))
        return false;
    // The icons before the texts: each button is sized for both when its text is set.
    m_dpi = dpi::ForWindow(m_hWnd);
    SetToolBarImages();
    static const wchar_t* const texts[] = {L"保存", L"浏览", L"文件夹", L"系统设置", L"  ",
                                           L"字体", L"  ", L"关于", L"退出"};
    for (int i = 0; i < 9; ++i) m_wndToolBar.SetButtonText(i, texts[i]);
    DockControlBar(&m_wndToolBar);
    return true;
}

bool CMainFrame::CreateStatusBar() {
    static const UINT indicators[] = {IDS_IDLEMESSAGE, IDS_INDICATOR_CAPS, IDS_INDICATOR_NUM, IDS_INDICATOR_SCRL};
    if (!m_wndStatusBar.Create(m_hWnd, AFX_IDW_STATUS_BAR)) return false;
    DockControlBar(&m_wndStatusBar);
    return m_wndStatusBar.SetIndicators(indicators, 4);
}

bool CMainFrame::CreatePanes() {
    m_wndTreeBar.m_busy = &m_busy;
    return CreateLibraryPanes(*this, m_wndTreeBar, m_wndListBar, this);
}

bool CMainFrame::IsEditorModified() {
    CPagewickDoc* doc = m_mainDoc ? m_mainDoc : m_doc;
    return doc && doc->IsModified();
}

void CMainFrame::AskFileName(const std::wstring& folder) {
    m_fileNameDlg.m_folder = folder;   // an existing name is refused in the folder pasted into
    m_fileNameDlg.DoModal(m_hWnd);
}

void CMainFrame::SaveWebText() {
    if (RunSaveWebText(*this, [this] { return m_wndTreeBar.GetSelectedFolderPath(); }).written) DiscardRecovery();
}

bool CMainFrame::EndEditedFile(std::wstring& folder) {
    if (!m_editMode) return false;
    folder = m_editFolder;
    m_editMode = false;
    return true;
}

void CMainFrame::WebTextWritten(const std::wstring& path, const std::wstring& folder) {
    IndexUpdates().FileSaved(path);
    if (m_wndListBar.IsWindow()) ::SendMessageW(m_wndListBar.m_hWnd, WM_REFRESH_FILELIST, 0, (LPARAM)folder.c_str());
}

void CMainFrame::SetStatusText(const std::wstring& text) {
    m_listStatus = text;
    if (!m_wndStatusBar.IsWindow()) return;
    m_wndStatusBar.SetPaneText(0, text);
    ::UpdateWindow(m_wndStatusBar.m_hWnd);
}

void CMainFrame::OnDestroy() {
    m_search.reset();   // stops and waits for the index thread, which posts to this window
    RemoveTrayIcon(m_tray);
    ::UnregisterHotKey(m_hWnd, m_hotKeyBaseId);
    ::UnregisterHotKey(m_hWnd, m_hotKeyBaseId + 1);
    ::PostQuitMessage(0);
}

void CMainFrame::OnShowWindow(WPARAM wp, LPARAM lp) {
    Default(WM_SHOWWINDOW, wp, lp);
    m_mainView = &m_view;
    m_mainDoc = m_doc;
    if (wp) {
        std::wstring notice = SimpleEditorNotice(BuiltinEngineReason());
        if (!m_simpleEditorTold && !notice.empty() && m_view.Engine() &&
            wcscmp(m_view.Engine()->Name(), L"builtin") == 0)
            ShowTrayBalloon(kBalloonWarning, L"提示", notice.c_str());
        m_simpleEditorTold = true;   // once per run
        RestoreRecoveredText();   // before any capture request is taken
        // The balloon and the recovery wait in sent messages, where a request from the
        // extension gets in: taken now, its hiding would come before the window is shown.
        // Requests are kept until the message posted here comes back, after ShowWindow.
        if (!m_startShown) ::PostMessageW(m_hWnd, WM_START_SHOWN, 0, 0);
    }
}

void CMainFrame::OnStartShown() {
    m_startShown = true;
    PostStartRequest();
}

bool CMainFrame::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYUP || msg->message == WM_KEYDOWN) m_wndStatusBar.UpdateKeyIndicators();
    if ((msg->message == WM_KEYDOWN || msg->message == WM_CHAR || msg->message == WM_IME_CHAR) && msg->hwnd &&
        (msg->hwnd == m_view.m_hWnd || ::IsChild(m_view.m_hWnd, msg->hwnd)))
        NoteEditorChanged();
    if (PreTranslateSearchKeys(msg)) return true;
    return CFrameWnd::PreTranslateMessage(msg);
}
