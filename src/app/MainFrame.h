// The main window: toolbar, status bar, library panes, editor, tray icon, hot keys.
#pragma once
#include "framework/FrameWnd.h"
#include "framework/DialogBar.h"
#include "framework/Busy.h"
#include "framework/TrayBalloon.h"
#include "editor/PagewickView.h"
#include "settings/AppConfigs.h"
#include "settings/HotKeys.h"
#include "library/IEBar.h"
#include "library/BottomBar.h"
#include "library/FileListHost.h"
#include "capture/FileNameDlg.h"
#include "capture/RecoveryWriter.h"
#include "capture/WebTextSaver.h"
#include "app/RecentFiles.h"
#include "search/LibrarySearch.h"
#include <memory>
#include <shellapi.h>
#include <commctrl.h>

extern const wchar_t kMainCaption[];   // "ZelvaneV1.3": how the extension finds the program
extern const wchar_t kFrameClass[];    // "ZelvaneMainFrame": how installers of any version find it
// Asked by the installer before it ends the program: 1 when the editor holds text that
// is not saved (the exit command would ask about it), 0 otherwise.
constexpr UINT WM_QUERY_UNSAVED_TEXT = WM_APP + 60;
// Posted when the window is first shown: it comes back once the start-up's ShowWindow is over.
constexpr UINT WM_START_SHOWN = WM_APP + 61;

// The main window's toolbar: every layout pass puts the search box after the last button,
// or on a row of its own under the buttons when the bar is too narrow (MainFrameSearch.cpp).
class CSearchToolBar : public CToolBar {
public:
    HWND m_searchBox = nullptr;
    UINT m_dpi = 96;          // the frame's DPI, for the box's sizes
    int m_textHeight = 0;     // a line of the box's font
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
};

class CMainFrame : public CFrameWnd, public FileListHost, public WebTextSaveHost, public AppSettingsHost {
public:
    CMainFrame();
    ~CMainFrame() override;
    // Creates the frame window (OnCreate runs inside) with the document's view.
    bool LoadFrame(CPagewickDoc* doc);

    NOTIFYICONDATAW m_tray{};
    CIEBar m_wndTreeBar;         // folder tree pane
    CBOTTOMBAR m_wndListBar;     // file list pane
    CPagewickView* m_mainView = nullptr;
    CPagewickDoc* m_mainDoc = nullptr;
    CAppConfigs m_appConfigs{*this};
    HIMAGELIST m_toolbarImages = nullptr;
    // The DPI of the frame's monitor and the fonts made for it (MainFrameDpi.cpp).
    UINT m_dpi = 96;
    HFONT m_uiFont = nullptr;     // toolbar, search box, status bar
    HFONT m_paneFont = nullptr;   // folder tree and file list
    bool m_ready = true;
    bool m_startShown = false;   // the start-up's showing of the window is over
    std::wstring m_proposedTitle;   // the page title of a hand-off that began the text: its proposed name
    std::wstring m_proposedTitleStart;   // the start of the text it began (TitledTextStart)
    int m_hotKeyBaseId = kHotKeyBaseId;
    std::wstring m_caption = kMainCaption;
    bool m_firstStartGoesOn = false;   // started by the installer: a first start does not end
    CStatusBar m_wndStatusBar;
    CSearchToolBar m_wndToolBar;
    CFileName m_fileNameDlg{m_webTextName, m_ready};   // the file-name dialog of every save
    CRecentFileList m_recentFiles;
    // Records a file opened in the editor in the recent-file list.
    void AddRecentFile(const std::wstring& path);
    HWND m_searchBox = nullptr;  // the search box beside the toolbar (id 240)
    std::unique_ptr<LibrarySearch> m_search;   // null until the window exists
    // What file operations tell the search index.
    LibraryIndexUpdates& IndexUpdates() override;
    bool SearchAgain() override;

    // Saves the collected web text into the library (capture/WebTextSaver.cpp).
    void SaveWebText() override;
    // What the save uses of the frame.
    HWND SaveWindow() override { return m_hWnd; }
    std::wstring& WebTextName() override { return m_webTextName; }
    bool EndEditedFile(std::wstring& folder) override;
    std::wstring& ProposedTitle() override { return m_proposedTitle; }
    std::wstring& ProposedTitleStart() override { return m_proposedTitleStart; }
    int NameLength() override { return m_nameLength; }
    bool OpenPrompt() override { return m_openPrompt; }
    void SetReady() override { m_ready = true; }
    CStatusBar* ProgressBar() override { return &m_wndStatusBar; }
    void WebTextWritten(const std::wstring& path, const std::wstring& folder) override;
    // What the settings dialog uses of the frame besides m_openPrompt, m_nameLength and m_hotKeys.
    HWND HotKeyWindow() override { return m_hWnd; }
    // What the file list pane uses of the frame (the edit and cut state are inherited).
    CHtmlEditView* EditorView() override { return m_mainView ? m_mainView : &m_view; }
    bool IsEditorModified() override;
    void SetStatusText(const std::wstring& text) override;
    void AskFileName(const std::wstring& folder) override;

    // Held by every operation that runs a modal loop (framework/Busy.h).
    BusyState& Busy() override { return m_busy; }
    BusyState* SharedBusy() override { return &m_busy; }
    void EditorLoaded(const std::wstring& path) override;
    // An operation waits in a modal loop, or a capture is under way: commands that
    // would start a save, an edit, a dialog or the exit are refused.
    bool IsBusy() const { return m_busy.Active() || !m_ready; }

    CPagewickView m_view;        // the editor view of the document

    // The recovery file of the collected text (MainFrameRecovery.cpp): written after
    // each capture and once typing pauses, removed when the text is saved or thrown away.
    void KeepTextAfterCapture(const std::wstring& sourceUrl);
    // The SourceURL of each capture since the last save, oldest first.
    const std::vector<std::wstring>& CaptureSources() const override { return m_captureSources; }
    void NoteEditorChanged();     // typing or an edit command; written after a pause
    void WriteRecoveryNow();      // the current text, or removal when the editor is empty
    void DiscardRecovery();
    std::wstring RecoveryPath() const;
    RecoveryWriter m_recoveryWriter;
    bool m_recoveryOn = true;     // off only for the benchmark's comparison
    UINT m_typingPauseMs = 2000;

    bool PreTranslateMessage(MSG* msg) override;

    // A balloon on this frame's tray icon, and the same handed to the units that show one.
    void ShowBalloon(int kind, const wchar_t* title, const wchar_t* text) override;
    ShowBalloonFn BalloonShower();

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    int OnCreate();
    void OnDestroy();
    void OnShowWindow(WPARAM wp, LPARAM lp);
    void OnStartShown();
    bool OnCommand(UINT id);
    void OnExit();
    LRESULT OnSaveHotKey(WPARAM wp, LPARAM lp);
    void OnFont();
    void OnSettings();
    void OnAbout();
    void OnHelp();
    void OnToggleBar(CControlBar& bar);
    void OnInitMenuPopup(HMENU menu);
    void OnOpenRecentFile(size_t index);
    bool CreateToolBar();
    // Fonts, icons and sizes for the DPI, then the layout: at creation and on WM_DPICHANGED.
    void ApplyDpi(UINT dpi);
    void OnDpiChanged(UINT dpi, const RECT* suggested);
    void SetToolBarImages();
    bool CreateStatusBar();
    bool CreatePanes();
    void RunFirstStart();
    bool HasUnsavedText();
    // Search box and library search (MainFrameSearch.cpp).
    bool CreateSearchBox();
    void StartLibrarySearch();
    void RunSearch();
    void LeaveSearch();
    void OnSearchIndexProgress(WPARAM wp, LPARAM lp);
    void OnSearchStoreChanged();
    bool PreTranslateSearchKeys(MSG* msg);
    // Capture and hot keys (MainFrameCapture.cpp), tray and close-to-tray (MainFrameTray.cpp).
    LRESULT OnHotKey(WPARAM wp, LPARAM lp);
    LRESULT OnCaptureMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnTimer(WPARAM wp, LPARAM lp);
    void OnCaptureNotArmed();
    void PostStartRequest();
    void RunCapture();
    LRESULT OnCopyData(LPARAM lp);   // a capture from the browser extension's host
    LRESULT OnTrayCallback(WPARAM wp, LPARAM lp);
    void HideToTray();
    void ShowTrayMenu();
    // True (and the waiting dialog brought to the front) when a command must wait.
    bool RefuseWhileBusy();
    void RestoreRecoveredText();  // once, when the window is first shown
    void ReportDamagedRecovery();
    void EndRecoveryAtExit(bool keep);
    BusyState m_busy;
    std::vector<std::wstring> m_captureSources;   // SourceURL of each capture since the last save
    RecoveryState m_lastRecovery;                 // what the file holds (written or asked for)
    std::wstring m_recoveryAside;                 // where a damaged file was put
    bool m_recoveryChecked = false;
    DWORD m_firstUnwrittenEdit = 0;               // tick of the first edit not yet written
    bool m_editUnwritten = false;
    std::wstring m_listStatus;   // the status text last set through SetStatusText
    bool m_simpleEditorTold = false;   // the fall-back to the simple editor was told
    bool m_capturing = false;   // the capture steps are running (their waits answer sent messages)
    UINT m_startRequest = 0;    // 1027 or 1028 that came before the window was first shown
    WPARAM m_startParam = 0;    // and its wParam
    CPagewickDoc* m_doc = nullptr;
};

// The hidden paste view of the capture, owned by the main frame.
extern CHtmlMyEdit* g_pasteView;
// The main frame of the running program.
CMainFrame* GetMainFrame();
void SetMainFrame(CMainFrame* frame);
