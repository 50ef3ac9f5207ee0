#include "search/ReaderText.h"
#include <windows.h>
#include <cwchar>
#include <cwctype>

namespace {

bool StartsWithNoCase(const std::wstring& s, size_t at, const wchar_t* word) {
    size_t n = wcslen(word);
    return at + n <= s.size() && _wcsnicmp(s.c_str() + at, word, n) == 0;
}

void AppendCodePoint(std::wstring& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { out += L'\xFFFD'; return; }
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += (wchar_t)(0xD800 + (cp >> 10));
        out += (wchar_t)(0xDC00 + (cp & 0x3FF));
    } else {
        out += (wchar_t)cp;
    }
}

// Decodes the reference at s[i] == '&'; returns the characters consumed (0: not a reference).
size_t DecodeReference(const std::wstring& s, size_t i, std::wstring& out) {
    static const struct { const wchar_t* name; wchar_t ch; } named[] = {
        {L"amp;", L'&'}, {L"lt;", L'<'}, {L"gt;", L'>'}, {L"quot;", L'"'}, {L"apos;", L'\''},
        {L"nbsp;", L' '}, {L"ldquo;", L'\x201C'}, {L"rdquo;", L'\x201D'}, {L"hellip;", L'\x2026'},
        {L"mdash;", L'\x2014'}, {L"middot;", L'\xB7'}, {L"copy;", L'\xA9'}};
    if (i + 1 < s.size() && s[i + 1] == L'#') {
        size_t j = i + 2;
        bool hex = j < s.size() && (s[j] == L'x' || s[j] == L'X');
        if (hex) ++j;
        unsigned long cp = 0;
        size_t digits = 0;
        for (; j < s.size() && digits < 8; ++j, ++digits) {
            wchar_t c = s[j];
            int v = (c >= L'0' && c <= L'9') ? c - L'0'
                    : hex && (c | 0x20) >= L'a' && (c | 0x20) <= L'f' ? (c | 0x20) - L'a' + 10 : -1;
            if (v < 0) break;
            cp = cp * (hex ? 16 : 10) + v;
        }
        if (!digits) return 0;
        if (j < s.size() && s[j] == L';') ++j;
        AppendCodePoint(out, cp);
        return j - i;
    }
    for (auto& n : named)
        if (StartsWithNoCase(s, i + 1, n.name)) {
            out += n.ch;
            return 1 + wcslen(n.name);
        }
    return 0;
}

// Skips the tag starting at s[i] == '<' (quoted attribute values may hold '>').
size_t SkipTag(const std::wstring& s, size_t i) {
    wchar_t quote = 0;
    for (size_t j = i + 1; j < s.size(); ++j) {
        wchar_t c = s[j];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == L'"' || c == L'\'') {
            // Only a quote that opens a value (after '=') starts a quoted run.
            size_t k = j;
            while (k > i && (s[k - 1] == L' ' || s[k - 1] == L'\t' || s[k - 1] == L'\r' || s[k - 1] == L'\n')) --k;
            if (k > i && s[k - 1] == L'=') quote = c;
        } else if (c == L'>') {
            return j + 1;
        }
    }
    return s.size();
}

// Tags that end a line or a cell separate words; inline ones (<B>, <SPAN>, <A>) don't.
bool BreaksWords(const std::wstring& s, size_t at) {
    static const wchar_t* const blocks[] = {L"p", L"br", L"div", L"li", L"tr", L"td", L"th", L"h1", L"h2", L"h3",
                                            L"h4", L"h5", L"h6", L"table", L"ul", L"ol", L"dl", L"dt", L"dd", L"hr",
                                            L"blockquote", L"pre", L"body", L"img", L"center", L"section", L"article"};
    size_t i = at + 1;
    if (i < s.size() && s[i] == L'/') ++i;
    size_t end = i;
    while (end < s.size() && iswalnum(s[end])) ++end;
    for (const wchar_t* b : blocks)
        if (end - i == wcslen(b) && _wcsnicmp(s.c_str() + i, b, end - i) == 0) return true;
    return false;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f' || c == 0x3000 || c == 0xA0; }

}  // namespace

std::wstring DecodeFileText(const std::string& bytes) {
    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE)
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    size_t skip = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const char* data = bytes.data() + skip;
    int len = (int)(bytes.size() - skip);
    if (len <= 0) return L"";
    UINT page = CP_UTF8;
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, data, len, nullptr, 0);
    if (n <= 0) {
        page = CP_ACP;
        n = ::MultiByteToWideChar(CP_ACP, 0, data, len, nullptr, 0);
    }
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) ::MultiByteToWideChar(page, 0, data, len, &out[0], n);
    return out;
}

ReaderText ExtractReaderText(const std::wstring& s) {
    ReaderText r;
    std::wstring* target = &r.body;
    for (size_t i = 0; i < s.size();) {
        wchar_t c = s[i];
        if (c == L'<') {
            if (s.compare(i, 4, L"<!--") == 0) {
                size_t end = s.find(L"-->", i + 4);
                i = end == std::wstring::npos ? s.size() : end + 3;
                continue;
            }
            size_t next = SkipTag(s, i);
            if (StartsWithNoCase(s, i, L"<script") || StartsWithNoCase(s, i, L"<style")) {
                const wchar_t* close = (s[i + 2] | 0x20) == L'c' ? L"</script" : L"</style";
                size_t j = next;
                while (j < s.size() && !StartsWithNoCase(s, j, close)) ++j;
                next = j < s.size() ? SkipTag(s, j) : s.size();
            } else if (StartsWithNoCase(s, i, L"<title")) {
                target = &r.title;
            } else if (StartsWithNoCase(s, i, L"</title")) {
                target = &r.body;
            } else if (BreaksWords(s, i)) {
                *target += L' ';
            }
            i = next;
        } else if (c == L'&') {
            size_t used = DecodeReference(s, i, *target);
            if (!used) *target += c;
            i += used ? used : 1;
        } else {
            *target += c;
            ++i;
        }
    }
    auto collapse = [](const std::wstring& t) {
        std::wstring out;
        out.reserve(t.size());
        for (wchar_t c : t) {
            if (IsSpace(c)) {
                if (!out.empty() && out.back() != L' ') out += L' ';
            } else {
                out += c;
            }
        }
        if (!out.empty() && out.back() == L' ') out.pop_back();
        return out;
    };
    r.title = collapse(r.title);
    r.body = collapse(r.body);
    return r;
}

std::wstring FoldForSearch(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (IsSpace(c)) {
            if (!out.empty() && out.back() != L' ') out += L' ';
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() == L' ') out.pop_back();
    if (!out.empty()) ::CharLowerBuffW(&out[0], (DWORD)out.size());
    return out;
}

bool ReadTextFile(const std::wstring& path, std::wstring& text, long long limit) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(f, &size) && size.QuadPart <= limit;
    std::string bytes;
    if (ok) {
        bytes.resize((size_t)size.QuadPart);
        DWORD got = 0;
        ok = bytes.empty() || (::ReadFile(f, &bytes[0], (DWORD)bytes.size(), &got, nullptr) && got == bytes.size());
    }
    ::CloseHandle(f);
    if (ok) text = DecodeFileText(bytes);
    return ok;
}
