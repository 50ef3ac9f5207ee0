// Cutting UTF-16 text by characters: a character outside the basic plane (an
// emoji, a rare Chinese character) is a pair of code units and is never split.
#pragma once
#include <string>

inline bool IsLeadSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsTrailSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The largest length up to maxUnits at which text can be cut without leaving
// half a character (text need not be terminated; n is its length).
inline size_t CutLength(const wchar_t* text, size_t n, size_t maxUnits) {
    if (n <= maxUnits) return n;
    return (maxUnits > 0 && IsLeadSurrogate(text[maxUnits - 1])) ? maxUnits - 1 : maxUnits;
}

// The first `count` characters of the text.
inline std::wstring FirstCharacters(const std::wstring& text, size_t count) {
    size_t i = 0;
    for (size_t taken = 0; i < text.size() && taken < count; ++taken)
        i += (IsLeadSurrogate(text[i]) && i + 1 < text.size() && IsTrailSurrogate(text[i + 1])) ? 2 : 1;
    return text.substr(0, i);
}
