// Finding picture sources in web-text HTML and naming their local copies.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// The source attribute value of the picture tag at `position` (-1: the start of
// the HTML). Only the 200 characters from the tag are looked at; the value is
// taken whole (up to its closing quote, or to white space or ">" when unquoted)
// and is empty when it does not end inside that window.
std::wstring ExtractImageSource(const std::wstring& html, long long position);

// Every source of the tag's occurrences as the saved web text is read: the search
// for `tag` starts at index 2 and continues one past each find; the run after the
// last find (position -1, the source at the start of the HTML) is visited too.
void ForEachImageSource(const std::wstring& html, const wchar_t* tag,
                        const std::function<void(long long position, const std::wstring& source)>& visit);

// True when the source starts with "http" exactly (http and https).
bool IsHttpSource(const std::wstring& source);

// The address to download: the attribute text with its character references
// (&amp; and friends) resolved, then encoded for the request.
std::wstring DownloadUrlOf(const std::wstring& source);

// The address as browsers request it: after the host, every character outside
// printable ASCII and every space is sent as %XX of its UTF-8 bytes; existing
// %XX escapes stay as they are.
std::wstring EncodeUrlForRequest(const std::wstring& url);

// ".ext" from the last path segment of the address when it is a picture's
// extension (.jpg .jpeg .png .gif .bmp .webp .ico .svg .avif .tif .tiff); "" otherwise.
std::wstring SafePictureExtension(const std::wstring& url);

// Year, month, day, hour, minute, second and the tag position run together in decimal.
std::wstring PictureStem(const SYSTEMTIME& time, long long position);
