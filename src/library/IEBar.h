// The folder tree pane on the left: the library's category folders.
#pragma once
#include "framework/DialogBar.h"
#include <string>

class CIEBar : public CDialogBar {
public:
    // Relative path of the selected folder ("" for the root).
    std::wstring GetSelectedFolderPath() const;
};
