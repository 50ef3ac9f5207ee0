// What a reader sees of a web text, as the library search indexes it.
#pragma once
#include <string>

struct ReaderText {
    std::wstring title;   // the <TITLE> text
    std::wstring body;    // the text of the page: tags, comments, scripts and styles dropped
};

// The text of a web-text file's bytes: UTF-16LE after its byte-order mark (as the
// program writes them), UTF-8 with or without one, else the system code page
// (files copied into the library by hand).
std::wstring DecodeFileText(const std::string& bytes);
// Tags, attribute values, comments, script and style contents are dropped,
// character references decoded and every run of white space made one space.
ReaderText ExtractReaderText(const std::wstring& html);
// What FoldForSearch makes of ExtractReaderText(DecodeFileText(bytes)), title and body,
// in one pass over the file's bytes. out's strings (and decoded, for files not in
// UTF-16) keep their memory from one call to the next.
void FoldedReaderText(const std::string& bytes, ReaderText& out, std::wstring& decoded);
// The form both the index and queries use: lower case (Latin letters of any kind,
// full-width too) and white space runs as one space, trimmed.
std::wstring FoldForSearch(const std::wstring& text);
// Reads (and decodes) a file; false when it cannot be read or is larger than limit bytes.
bool ReadFileBytes(const std::wstring& path, std::string& bytes, long long limit = 64LL << 20);
bool ReadTextFile(const std::wstring& path, std::wstring& text, long long limit = 64LL << 20);
