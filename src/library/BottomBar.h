// The file list pane above the editor: the web-text files of the current folder.
#pragma once
#include "library/PaneFrame.h"
#include "library/FileListHost.h"
#include "library/SortListCtrl.h"
#include <string>
#include <vector>

class CIEBar;

// How the pane starts other programs (ShellExecuteW; tests record the calls instead).
using ShellRunner = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
void SetShellRunnerForTesting(ShellRunner runner);

// Refresh the file list: wParam 0, lParam = relative folder path (null = empty).
constexpr UINT WM_REFRESH_FILELIST = WM_USER + 5;

class CBOTTOMBAR : public CPaneFrameBar {
public:
    CBOTTOMBAR() : CPaneFrameBar(Edge::Bottom) {}
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
    int& PaneSize() override { return m_height; }

    CSortListCtrl& List() { return m_list; }
    int m_height = 150;   // pane height

    // The file operations on the selected rows (FileOperations.cpp).
    void OpenSelectedFiles();
    void OpenContainingFolder();
    void EditSelectedFile();
    void CutSelectedFiles();
    void PasteFiles();
    void DeleteSelectedFiles();
    void RenameSelectedFile();
    // Keys typed into the rename box go to the box, not to the frame's accelerators.
    bool PreTranslateMessage(MSG* msg) override;

    std::vector<std::wstring> m_cutList;   // full paths of the rows cut last, in row order
    std::wstring m_oldLabel;               // name (with extension) of the row being renamed

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Commands of the popup menu; true when the id is one of them.
    virtual bool OnCommand(UINT id);
    void ApplyDpiToContent(HFONT font) override;

private:
    LRESULT OnNotify(NMHDR* hdr);
    void OnBeginLabelEdit(NMLVDISPINFOW* info);
    void OnEndLabelEdit(NMLVDISPINFOW* info);
    // Full path of a row: folder cell, backslash, name cell.
    std::wstring FullPath(int row) const;
    std::wstring CurrentFolder() const;
    void EmptyEditor();
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
    bool m_editFromResults = false;   // the edited file was opened from search results
    bool m_asking = false;
    bool m_refreshWaiting = false;
    std::wstring m_waitingPath;
    // An edit, paste or delete is waiting in a question or dialog: no other one starts.
    bool m_busy = false;
    bool m_endingEdit = false;
};
