// The browser's per-user context-menu entry that leads to the extension.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

extern const wchar_t kMenuExtKey[];

// REG_SZ data as stored: a 128-byte block (text, terminator, zero fill) when the
// text fits; a longer text is stored whole with its terminator so it stays usable.
std::vector<BYTE> RegistryStringBlock(const std::wstring& text);
// Writes the four values; false (after "Write Reg error!") when the key or a value failed.
bool WriteContextMenuEntry(const std::wstring& appDir, const std::wstring& programFileName);
