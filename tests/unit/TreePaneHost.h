// A real main frame over a temporary program folder, for tests of the folder tree pane:
// the folders on disk, Config.ini, the refresh messages the file list pane receives,
// mouse clicks on tree items and answers to message boxes and popup menus.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <string>
#include <vector>

#include "framework/FrameWnd.h"
#include "library/BottomBar.h"
#include "library/IEBar.h"

namespace tt {

struct Refresh {
    bool isNull;
    std::wstring path;
};

// Message boxes and popup menus of this thread, answered from a timer while their modal loop runs.
class ModalAnswerer {
public:
    struct Box {
        std::wstring caption, text;
    };
    // button: pressed in every message box; menuKey: typed into a popup menu (0 closes it).
    explicit ModalAnswerer(int button = IDOK, wchar_t menuKey = 0);
    ~ModalAnswerer();
    std::vector<Box> boxes;
    int menusShown = 0;
    int button;
    wchar_t menuKey;
    std::vector<HWND> seen;
private:
    UINT_PTR m_timer;
};

void Pump(DWORD ms);

// A frame holding the two library panes as the main frame does: the tree pane docked
// on the left, the file list pane (control-bar id 133) on the top.
class PaneFrame : public CFrameWnd {
public:
    bool Create();
    // The file list's own layout pass asks for a refresh too; those are not the tree's.
    void RecalcLayout() override;
    static bool& InLayout();
    CIEBar m_wndTreeBar;
    CBOTTOMBAR m_wndListBar;
};

class LibraryFrame {
public:
    explicit LibraryFrame(const std::wstring& tag);
    ~LibraryFrame();
    const std::wstring& Dir() const { return m_dir; }          // with trailing backslash
    void MakeDir(const std::wstring& rel) const;                 // with its parents
    void MakeFile(const std::wstring& rel, const std::string& bytes = "x") const;
    void WriteConfig(const std::wstring& route) const;           // first-run defaults, then ROUTE
    std::wstring Route() const;
    // Creates the frame with its panes over the folder.
    bool Start();

    PaneFrame& Frame() { return *m_frame; }
    CIEBar& Pane();
    HWND Tree();
    HTREEITEM Root();
    // Items of the whole tree, every folder read as if opened (the tree reads a folder's
    // subfolders when it is first opened).
    size_t CountAll();
    // The item of a relative folder path, by labels, the folders on the way read; null when none.
    HTREEITEM Find(const std::wstring& rel);
    std::wstring Text(HTREEITEM item);
    std::vector<std::wstring> ChildLabels(HTREEITEM item);   // the item read first
    void Click(HTREEITEM item, bool right = false);
    // Edits the item's label: text typed, or the edit cancelled when text is null.
    void EditLabel(HTREEITEM item, const wchar_t* text);
    void Command(UINT id);

    static std::vector<Refresh>& Refreshes();

private:
    std::wstring m_dir;
    std::unique_ptr<PaneFrame> m_frame;
    HWND m_list = nullptr;
    WNDPROC m_oldListProc = nullptr;
};

// Subfolders of a directory in the directory search's order (no "." / "..").
std::vector<std::wstring> SearchOrder(const std::wstring& dir);

}  // namespace tt
