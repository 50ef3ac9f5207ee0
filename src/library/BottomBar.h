// The file list pane above the editor: the web-text files of the current folder.
#pragma once
#include "framework/DialogBar.h"
#include "library/FileListHost.h"
#include "library/SortListCtrl.h"
#include <string>

class CIEBar;

// Refresh the file list: wParam 0, lParam = relative folder path (null = empty).
constexpr UINT WM_REFRESH_FILELIST = WM_USER + 5;

class CBOTTOMBAR : public CDialogBar {
public:
    CBOTTOMBAR() = default;
    ~CBOTTOMBAR() override;

    // The window whose edit state, editor and status bar the pane uses (null: none).
    void SetHost(FileListHost* host) { m_host = host ? host : &m_ownState; }
    FileListHost& Host() { return *m_host; }

    // Creates the list, fills it from the start folder of Config.ini and sorts it.
    bool InitFileList(CIEBar* companion);
    // Appends the rows of folder's *.htm entries in search order; the number added.
    int ListFolderFiles(const std::wstring& folder);
    // Rebuilds the rows for a folder relative to the program directory (null = "").
    void RefreshFileList(const wchar_t* relPath);
    // Shows rows found by a search in place of the folder's (ends edit mode as a
    // refresh does); until the next refresh the layout pass keeps them.
    void ShowSearchResults(std::vector<std::unique_ptr<FileRow>> rows, const std::wstring& status);
    bool ShowingSearchResults() const { return m_searchShown; }
    // Asks for a refresh of the current folder, then places the list inside the pane.
    SIZE CalcDynamicLayout(int length, DWORD mode) override;

    CSortListCtrl& List() { return m_list; }
    int m_height = 150;   // pane height

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Commands of the popup menu; true when the id is one of them.
    virtual bool OnCommand(UINT id);

private:
    LRESULT OnNotify(NMHDR* hdr);
    void ShowPopupMenu();
    void SortByCreationTime();
    // Ends edit mode, offering to save a modified edited file first.
    void LeaveEditMode();

    CSortListCtrl m_list;
    HIMAGELIST m_images = nullptr;
    CIEBar* m_companion = nullptr;
    FileListHost m_ownState;
    FileListHost* m_host = &m_ownState;
    // A refresh asked for while the save question waits: the folder it wants.
    bool m_searchShown = false;
    bool m_asking = false;
    bool m_refreshWaiting = false;
    std::wstring m_waitingPath;
};
