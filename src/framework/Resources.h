// Access to the program's own resources.
#pragma once
#include <windows.h>
#include <string>

std::wstring LoadResString(UINT id);
// The caption of message boxes that name none ("Pagewick").
std::wstring AppTitle();
// A message box with the application title as caption when none is given.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK, HWND owner = nullptr);
