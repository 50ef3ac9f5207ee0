// Driving the folder tree and the file list of a running Pagewick from a test.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

namespace zt {

// The text of pane 0 of the frame's status bar.
std::wstring StatusText(HWND frame);
std::wstring TreeText(HWND tree, HTREEITEM item);
// Clicks a top-level folder of the tree where a user would; false when there is none.
bool ClickFolder(HWND frame, HWND tree, const std::wstring& label);
// The texts of a row's first columns joined by "|" (name, or "name|folder" for two).
std::wstring RowText(HWND list, int row, int columns);
// The row whose name is name; -1 when none.
int RowOf(HWND list, const std::wstring& name);
// Makes one row the only selected one.
void SelectOnly(HWND list, int row);

}  // namespace zt
