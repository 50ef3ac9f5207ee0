// Config.ini beside the program, read and written key by key.
#pragma once
#include <windows.h>
#include <string>

namespace config {

// Buffer sizes (characters, terminator included) that bound each value read.
constexpr DWORD kRouteChars = 128;
constexpr DWORD kShortChars = 10;
constexpr DWORD kFolderIndexChars = 50;

std::wstring Path();
bool Exists();
// A missing key reads as the empty string.
std::wstring Read(const wchar_t* section, const wchar_t* key, DWORD bufferChars);
// Plain decimal conversion: empty or non-numeric text gives 0.
int ReadInt(const wchar_t* section, const wchar_t* key, DWORD bufferChars = kShortChars);
// Creates the file as UTF-16 first (or rewrites one without the UTF-16 mark as UTF-16), so
// that values keep every character on any code page.
bool Write(const wchar_t* section, const wchar_t* key, const std::wstring& value);
// The values of a first run, in their fixed order.
void WriteFirstRunDefaults();
int ToInt(const std::wstring& text);

}  // namespace config
