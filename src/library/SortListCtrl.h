// The report-view list of the file list pane: clicking a column header sorts the
// rows by that column's texts, clicking it again reverses the order.
#pragma once
#include "framework/Wnd.h"
#include <commctrl.h>
#include <memory>
#include <string>
#include <vector>

// Texts of one row, owned by the list; its address is the row's identity.
struct FileRow {
    std::wstring text[3];   // name, folder, creation time
};

// Code-unit order, a proper prefix first: 1, 0 or -1.
int CompareCodeUnits(const std::wstring& a, const std::wstring& b);

// The control holds no texts of its own: it shows the records, kept here in row
// order and handed out on demand. So a folder of thousands of files is listed,
// sorted and emptied without one control call per row, and a sort compares the
// records directly instead of searching the control for each of them.
class CSortListCtrl : public CWnd {
public:
    int m_ascending = 1;     // 1 ascending, 0 descending
    int m_sortColumn = -1;   // column last sorted by; -1 before the first sort

    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    // The sort triggered by a click on the header of a column.
    void OnColumnClick(int column);
    static int CALLBACK CompareRows(LPARAM row1, LPARAM row2, LPARAM self);

    int GetItemCount() const { return (int)m_rows.size(); }
    const FileRow* Row(int index) const;
    std::wstring GetItemText(int index, int column) const;
    // Replaces a cell's text (the name after a rename).
    void SetItemText(int index, int column, const std::wstring& text);
    // Indexes of the selected rows, from the top.
    std::vector<int> SelectedRows() const;
    void DeleteItem(int index);
    void DeleteAllItems();
    // Appends records without telling the control; ShowAppendedRows then does, once.
    void AppendRow(std::unique_ptr<FileRow> row) { m_rows.push_back(std::move(row)); }
    void ShowAppendedRows();

    // Takes the notifications the pane reflects back to its list: header clicks,
    // the texts of the cells and type-to-find. True when handled, with its result.
    bool OnReflectedNotify(NMHDR* hdr, LRESULT& result);

private:
    int FindByName(const std::wstring& prefix, int start, bool wrap) const;
    std::vector<std::unique_ptr<FileRow>> m_rows;   // in row order
};

// Appends a row (name, folder path, time text) at the end; its index, or -1.
int AddFileRow(CSortListCtrl& list, const std::wstring& name, const std::wstring& folder, const std::wstring& time);
