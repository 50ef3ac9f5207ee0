// The web-text file: its name rules, its text and writing it safely.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// The first `length` characters of the text (all of it when shorter; "" for 0 or
// less), counted as characters, never half of one. Line breaks are dropped and
// other control characters (a tab between table cells) become spaces; leading
// blanks and trailing blanks and dots, which a file name cannot keep, are left out.
std::wstring ProposeWebTextName(const std::wstring& text, int length);

// Why Windows would refuse or change `name` as the file at `path` (the whole
// path it is written to): control characters, a reserved device name (CON, NUL,
// COM1...), a trailing dot or space, a path over the system's limit. The message
// to show, or "" when the name can be used.
std::wstring WebTextNameProblem(const std::wstring& name, const std::wstring& path);
extern const wchar_t kControlCharMessage[];
extern const wchar_t kTrailingDotMessage[];
extern const wchar_t kPathTooLongMessage[];

// True when the name holds \ / ? * : < > | or a double quote.
bool HasIllegalNameChar(const std::wstring& name);
extern const wchar_t kIllegalNameMessage[];

// Full-width ":" and "?", drops < > / " \ * | and line breaks.
std::wstring CleanFileName(const std::wstring& text);

// "file:///" + program directory + folder + "\", with "/" separators.
std::wstring FolderFileUrl(const std::wstring& appDir, const std::wstring& folder);
// Removes every occurrence of the folder's file-URL prefix (exact match), and the
// escaped prefix taken from the editor's document URL when that is in the folder.
void RemoveFolderFileUrl(std::wstring& html, const std::wstring& appDir, const std::wstring& folder,
                         const std::wstring& documentUrl = std::wstring());

// "<HTML><HEAD><TITLE>" + name + "</TITLE></HEAD><BODY>" + body + "</BODY></HTML>".
std::wstring WrapWebText(const std::wstring& name, const std::wstring& body);

// Writes FF FE and the text as UTF-16LE to a temporary file beside `path`, then
// puts it in place in one step, so an older file is either kept whole or replaced
// whole. `beforeReplace` (tests) may return false to stop before the replacement,
// as a crash there would. Returns 0 or the Windows error code.
DWORD WriteWebTextFile(const std::wstring& path, const std::wstring& text,
                       const std::function<bool(const std::wstring& temp)>& beforeReplace = nullptr);
