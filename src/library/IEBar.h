// The folder tree pane on the left: the library's category folders.
#pragma once
#include "library/PaneFrame.h"
#include "framework/Busy.h"
#include <commctrl.h>
#include <string>

class CIEBar : public CPaneFrameBar {
public:
    CIEBar() : CPaneFrameBar(Edge::Right) {}
    ~CIEBar() override;

    // Creates the tooltip and the tree, fills the tree from the program directory and
    // restores the current folder from ROUTE. False only when a control cannot be created.
    bool InitFolderTree(HWND mainFrame);
    // Adds the subfolders of dir (no trailing backslash) under parent, one level: each
    // shows a "+" when it holds folders, which are read when it is first opened.
    void FillFolderTree(HTREEITEM parent, const std::wstring& dir);
    // Reads the subfolders of an item not read yet (nothing for a link or a read one).
    void FillOnce(HTREEITEM item);
    // Relative path of the selected folder ("我的网文" for the root, "" when nothing is selected).
    std::wstring GetSelectedFolderPath() const;
    // Opens the current folder in the file manager.
    void OpenSelectedFolder() const;

    // Places the tree inside the pane and reports the pane's width and the frame's height.
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
    int& PaneSize() override { return m_width; }
    // Relays every message of the pane and its tree to the tooltip; discards presses
    // in the top 16 pixels (at 96 DPI) of the target window.
    bool PreTranslateMessage(MSG* msg) override;

    HWND GetTreeWnd() const { return m_tree; }
    HWND GetToolTipWnd() const { return m_toolTip; }
    std::wstring ItemText(HTREEITEM item) const;
    std::wstring ItemPath(HTREEITEM item) const;

    int m_width = 170;            // pane width
    int m_captionHeight = 22;     // the tree starts just below the caption strip
    std::wstring m_title = L"网文目录";
    // The frame's re-entry guard, held around the tree's questions (null: none).
    BusyState* m_busy = nullptr;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    const std::wstring* CaptionTitle() const override { return &m_title; }
    HWND CaptionToolTip() const override { return m_toolTip; }
    void ApplyDpiToContent(HFONT font) override;

private:
    void OnTreeClick();
    void OnTreeRightClick();
    void OnEndLabelEdit(const NMTVDISPINFOW* info);
    bool OnCommand(UINT id);
    void OnAddFolder(bool asChild);
    void OnDeleteFolder();
    void OnRenameFolder();
    void RestoreSelection(HTREEITEM root);
    HTREEITEM HitItem() const;
    HTREEITEM Caret() const { return TreeView_GetSelection(m_tree); }
    // unread: its subfolders are read when it is first opened (item data kUnread); a
    // link is never read and shows no "+".
    HTREEITEM InsertFolder(HTREEITEM parent, const std::wstring& name, bool unread);
    void SetHasChildren(HTREEITEM item, bool has);
    static constexpr LPARAM kUnread = 1;
    // Sends the refresh message to the file list pane; null path stands for "".
    void RefreshFileList(const wchar_t* relPath) const;

    HWND m_frame = nullptr;
    HWND m_tree = nullptr;
    HWND m_toolTip = nullptr;
    HIMAGELIST m_images = nullptr;
    bool m_endingEdit = false;
};

// The frame that holds the panes (set by InitFolderTree); the file list pane is its
// child with the control-bar id of the list pane.
HWND GetPaneFrame();
