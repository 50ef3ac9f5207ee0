// Texts of the file list: folders, times and counts.
#pragma once
#include <windows.h>
#include <string>

// year/month/day hour:minute:second in local time, every field but the year with two digits.
std::wstring FormatFileTime(const FILETIME& utc);
// The same for a time already converted to local time.
std::wstring FormatLocalFileTime(const FILETIME& local);
// What the conversion to local time adds now, in 100 ns units: the conversion uses
// the current time-zone bias whatever the time converted, so one bias serves a
// whole listing.
LONGLONG LocalTimeBias();
FILETIME AddBias(const FILETIME& utc, LONGLONG bias);
// The creation time of folder\name (a directory too); empty when it cannot be read.
std::wstring FormatCreationTime(const std::wstring& folder, const std::wstring& name);
// The key of section FOLDER that names the start folder, from the text of [SEL] ID:
// its leading decimal digits give n (0 without any), the key is "INDEX" n-1.
std::wstring StartFolderKey(const std::wstring& idText);
// The absolute folder a refresh lists: program directory + relative path, without
// one trailing backslash.
std::wstring ListedFolder(const std::wstring& appDir, const std::wstring& relPath);
// The folder of a row relative to the program directory ("" for the directory itself),
// the inverse of ListedFolder.
std::wstring RelativeFolder(const std::wstring& appDir, const std::wstring& listed);
// "此文件夹中含有：" count " 个网页文件！"
std::wstring FileCountText(int count);
// "找到 " count " 个网页文件": the status of search results.
std::wstring FoundCountText(int count);

// The edit box text offered for renaming a file: its name before the first "."
// ("" without one).
std::wstring NameBeforeFirstDot(const std::wstring& name);
// Why a typed new name (without ".htm") cannot be given to a file of the folder,
// or "" when it can: the nine characters \ / ? * : < > | " (the message the list
// always showed), control characters, a device name such as CON or COM1, or a path
// longer than Windows takes.
std::wstring RenameRefusal(const std::wstring& text, const std::wstring& folder);
extern const wchar_t kIllegalCharsMessage[];
