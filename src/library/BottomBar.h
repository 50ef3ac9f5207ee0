// The file list pane above the editor: the web-text files of the current folder.
#pragma once
#include "framework/DialogBar.h"

// Refresh the file list: wParam 0, lParam = relative folder path (null = empty).
constexpr UINT WM_REFRESH_FILELIST = WM_USER + 5;

class CBOTTOMBAR : public CDialogBar {};
