// A real main frame over a temporary program folder, for tests of the file list
// pane: web-text files with known times, the rows as the list shows them.
#pragma once
#include <gtest/gtest.h>
#include "app/MainFrame.h"
#include "support/Harness.h"
#include <memory>
#include <string>
#include <vector>

namespace fl {

class ListFrame : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A file of the library whose times (Wine keeps creation = last write) are
    // 2009/03/07 08:00:00 local time plus minutes.
    void MakeFile(const std::wstring& rel, int minutes, const std::string& bytes = "x") const;
    void SetTimes(const std::wstring& rel, int minutes) const;
    void MakeDir(const std::wstring& rel) const { CreateDirectoryW((dir->Path() + rel).c_str(), nullptr); }
    void Refresh(const wchar_t* rel) { frame->m_wndListBar.SendMessage(WM_REFRESH_FILELIST, 0, (LPARAM)rel); }
    HWND List() { return frame->m_wndListBar.List().m_hWnd; }
    int Rows() { return ListView_GetItemCount(List()); }
    // A cell as the list control shows it.
    std::wstring Cell(int row, int column);
    std::vector<std::wstring> Column(int column);
    std::wstring Status() { return frame->m_wndStatusBar.GetPaneText(0); }
    void Select(const std::vector<int>& rows);

    std::unique_ptr<zt::TempFolder> dir;
    std::unique_ptr<CPagewickDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};

std::wstring CountText(int n);

}  // namespace fl
