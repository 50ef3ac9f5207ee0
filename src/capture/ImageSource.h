// Finding picture sources in web-text HTML and naming their local copies.
#pragma once
#include <windows.h>
#include <string>

// The source attribute value of the picture tag at `position` (-1: the start of
// the HTML). Only the 200 characters from the tag are looked at; the value is
// taken whole (up to its closing quote, or to white space or ">" when unquoted)
// and is empty when it does not end inside that window.
std::wstring ExtractImageSource(const std::wstring& html, long long position);

// True when the source starts with "http" exactly (http and https).
bool IsHttpSource(const std::wstring& source);

// The address to download: the attribute text with its character references
// (&amp; and friends) resolved.
std::wstring DownloadUrlOf(const std::wstring& source);

// ".ext" from the last path segment of the address when that extension has 1 to
// 5 ASCII letters or digits; "" otherwise. The result is always safe in a file name.
std::wstring SafePictureExtension(const std::wstring& url);

// Year, month, day, hour, minute, second and the tag position run together in decimal.
std::wstring PictureStem(const SYSTEMTIME& time, long long position);
