// The program directory: the library root and home of Config.ini.
#pragma once
#include <string>

// The running program's folder, with its trailing backslash.
std::wstring GetAppDir();
// Tests point the program directory at a folder of their own (empty: back to the real one).
void SetAppDirForTesting(const std::wstring& dir);
