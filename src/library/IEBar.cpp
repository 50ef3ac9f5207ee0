#include "library/IEBar.h"

std::wstring CIEBar::GetSelectedFolderPath() const { return L""; }
