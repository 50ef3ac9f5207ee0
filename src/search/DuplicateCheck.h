// Whether a captured text is already in the library or in the editor.
#pragma once
#include <string>

class LibrarySearch;

// The line the capture balloon adds for a text captured before: "这段网文已保存在："
// + the saved file (folder\name), or "这段网文已在编辑器中" when the editor already
// holds it; empty otherwise (and for a capture without text).
std::wstring DuplicateNotice(LibrarySearch* search, const std::wstring& pastedHtml, const std::wstring& editorHtml);
