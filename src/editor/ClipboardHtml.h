// The clipboard as the built-in editing engine sees it: markup in, markup out.
#pragma once
#include <windows.h>
#include <string>

namespace cliphtml {

UINT HtmlFormat();   // the registered "HTML Format"
// True when the clipboard holds "HTML Format" or Unicode text.
bool CanPaste();
// The clipboard's content as markup: the "HTML Format" fragment with relative
// src/href resolved against its SourceURL, else the Unicode text escaped.
// False when the clipboard cannot be opened or holds neither. `sourceUrl` gets the
// SourceURL ("" for text); `fromHtmlFormat` tells whether "HTML Format" was read.
bool ReadAsHtml(HWND owner, std::wstring& html, std::wstring* sourceUrl = nullptr, bool* fromHtmlFormat = nullptr);
// ReadAsHtml's markup cleaned as a capture is (local file addresses only from a local page).
bool ReadCleanHtml(HWND owner, std::wstring& html);
// The SourceURL line of the clipboard's "HTML Format" ("" when it has none).
bool ReadSourceUrl(HWND owner, std::wstring& url);
// Puts markup on the clipboard as "HTML Format" and as Unicode text.
bool WriteHtml(HWND owner, const std::wstring& markup);

}  // namespace cliphtml
