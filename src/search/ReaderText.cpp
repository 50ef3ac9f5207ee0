#include "search/ReaderText.h"
#include <windows.h>
#include <cwchar>
#include <cwctype>
#include <cstdint>

namespace {

// ASCII letters without regard to case, other units as they are (tag names and
// references are ASCII).
bool StartsWithNoCase(const wchar_t* s, size_t n, size_t at, const wchar_t* word, size_t len) {
    if (at + len > n) return false;
    for (size_t k = 0; k < len; ++k) {
        wchar_t a = s[at + k], b = word[k];
        if (a != b && !(b >= L'a' && b <= L'z' && (a | 0x20) == b)) return false;
    }
    return true;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f' || c == 0x3000 || c == 0xA0; }

// One of the two texts being taken out, written in place: every run of white space
// becomes one space, none at the start. Nothing taken out is longer than the HTML it
// comes from, so the room given at the start is never exceeded.
class Collapsing {
public:
    explicit Collapsing(std::wstring& out) : m_out(out) {}
    bool Opened() const { return m_begin != nullptr; }
    void Open(size_t room) {
        m_out.assign(room + 1, L'\0');
        m_begin = m_at = &m_out[0];
    }
    void Put(wchar_t c) {
        if (!IsSpace(c)) *m_at++ = c;
        else if (m_at != m_begin && m_at[-1] != L' ') *m_at++ = L' ';
    }
    void Close() {
        if (!m_begin) return m_out.clear();
        if (m_at != m_begin && m_at[-1] == L' ') --m_at;
        m_out.resize((size_t)(m_at - m_begin));
    }

private:
    std::wstring& m_out;
    wchar_t* m_begin = nullptr;
    wchar_t* m_at = nullptr;
};

void PutCodePoint(Collapsing& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return out.Put(L'\xFFFD');
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.Put((wchar_t)(0xD800 + (cp >> 10)));
        out.Put((wchar_t)(0xDC00 + (cp & 0x3FF)));
    } else {
        out.Put((wchar_t)cp);
    }
}

// Decodes the reference at s[i] == '&'; returns the characters consumed (0: not a reference).
size_t DecodeReference(const wchar_t* s, size_t n, size_t i, Collapsing& out) {
    static const struct { const wchar_t* name; size_t len; wchar_t ch; } named[] = {
        {L"amp;", 4, L'&'}, {L"lt;", 3, L'<'}, {L"gt;", 3, L'>'}, {L"quot;", 5, L'"'}, {L"apos;", 5, L'\''},
        {L"nbsp;", 5, L' '}, {L"ldquo;", 6, L'\x201C'}, {L"rdquo;", 6, L'\x201D'}, {L"hellip;", 7, L'\x2026'},
        {L"mdash;", 6, L'\x2014'}, {L"middot;", 7, L'\xB7'}, {L"copy;", 5, L'\xA9'}};
    if (i + 1 < n && s[i + 1] == L'#') {
        size_t j = i + 2;
        bool hex = j < n && (s[j] == L'x' || s[j] == L'X');
        if (hex) ++j;
        unsigned long cp = 0;
        size_t digits = 0;
        for (; j < n && digits < 8; ++j, ++digits) {
            wchar_t c = s[j];
            int v = (c >= L'0' && c <= L'9') ? c - L'0'
                    : hex && (c | 0x20) >= L'a' && (c | 0x20) <= L'f' ? (c | 0x20) - L'a' + 10 : -1;
            if (v < 0) break;
            cp = cp * (hex ? 16 : 10) + v;
        }
        if (!digits) return 0;
        if (j < n && s[j] == L';') ++j;
        PutCodePoint(out, cp);
        return j - i;
    }
    for (auto& r : named)
        if (StartsWithNoCase(s, n, i + 1, r.name, r.len)) {
            out.Put(r.ch);
            return 1 + r.len;
        }
    return 0;
}

// Skips the tag starting at s[i] == '<' (quoted attribute values may hold '>').
size_t SkipTag(const wchar_t* s, size_t n, size_t i) {
    wchar_t quote = 0;
    for (size_t j = i + 1; j < n; ++j) {
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
    return n;
}

// Tags that end a line or a cell separate words; inline ones (<B>, <SPAN>, <A>) don't.
bool BreaksWords(const wchar_t* s, size_t n, size_t at) {
    static const wchar_t* const blocks[] = {L"p", L"br", L"div", L"li", L"tr", L"td", L"th", L"h1", L"h2", L"h3",
                                            L"h4", L"h5", L"h6", L"table", L"ul", L"ol", L"dl", L"dt", L"dd", L"hr",
                                            L"blockquote", L"pre", L"body", L"img", L"center", L"section", L"article"};
    size_t i = at + 1;
    if (i < n && s[i] == L'/') ++i;
    size_t end = i;
    while (end < n && iswalnum(s[end])) ++end;
    for (const wchar_t* b : blocks)
        if (end - i == wcslen(b) && _wcsnicmp(s + i, b, end - i) == 0) return true;
    return false;
}

// Takes the reader text out of n units of HTML in one pass: tags, comments, scripts and
// styles dropped, references decoded, white space collapsed as it is written.
void Extract(const wchar_t* s, size_t n, std::wstring& titleText, std::wstring& bodyText) {
    Collapsing body(bodyText), title(titleText);
    body.Open(n);
    Collapsing* target = &body;
    for (size_t i = 0; i < n;) {
        wchar_t c = s[i];
        if (c == L'<') {
            if (i + 4 <= n && s[i + 1] == L'!' && s[i + 2] == L'-' && s[i + 3] == L'-') {
                const wchar_t* p = s + i + 4;
                const wchar_t* end = s + n;
                while ((p = std::wmemchr(p, L'-', (size_t)(end - p))) != nullptr && (end - p < 3 || p[1] != L'-' || p[2] != L'>')) ++p;
                i = p ? (size_t)(p - s) + 3 : n;
                continue;
            }
            size_t next = SkipTag(s, n, i);
            if (StartsWithNoCase(s, n, i, L"<script", 7) || StartsWithNoCase(s, n, i, L"<style", 6)) {
                bool script = (s[i + 2] | 0x20) == L'c';
                size_t j = next;
                // Only a '<' can start the closing tag.
                while (j < n && !StartsWithNoCase(s, n, j, script ? L"</script" : L"</style", script ? 8 : 7)) {
                    const wchar_t* lt = std::wmemchr(s + j + 1, L'<', n - j - 1);
                    j = lt ? (size_t)(lt - s) : n;
                }
                next = j < n ? SkipTag(s, n, j) : n;
            } else if (StartsWithNoCase(s, n, i, L"<title", 6)) {
                // What follows is all the title can hold.
                if (!title.Opened()) title.Open(n - i);
                target = &title;
            } else if (StartsWithNoCase(s, n, i, L"</title", 7)) {
                target = &body;
            } else if (BreaksWords(s, n, i)) {
                target->Put(L' ');
            }
            i = next;
        } else if (c == L'&') {
            size_t used = DecodeReference(s, n, i, *target);
            if (!used) target->Put(c);
            i += used ? used : 1;
        } else {
            target->Put(c);
            ++i;
        }
    }
    body.Close();
    title.Close();
}

void Lower(std::wstring& s) {
    if (!s.empty()) ::CharLowerBuffW(&s[0], (DWORD)s.size());
}

}  // namespace

namespace {
void Decode(const std::string& bytes, std::wstring& out) {
    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE)
        return (void)out.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    size_t skip = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const char* data = bytes.data() + skip;
    int len = (int)(bytes.size() - skip);
    out.clear();
    if (len <= 0) return;
    UINT page = CP_UTF8;
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, data, len, nullptr, 0);
    if (n <= 0) {
        page = CP_ACP;
        n = ::MultiByteToWideChar(CP_ACP, 0, data, len, nullptr, 0);
    }
    out.assign(n > 0 ? n : 0, L'\0');
    if (n > 0) ::MultiByteToWideChar(page, 0, data, len, &out[0], n);
}
}  // namespace

std::wstring DecodeFileText(const std::string& bytes) {
    std::wstring out;
    Decode(bytes, out);
    return out;
}

ReaderText ExtractReaderText(const std::wstring& s) {
    ReaderText r;
    Extract(s.data(), s.size(), r.title, r.body);
    return r;
}

void FoldedReaderText(const std::string& bytes, ReaderText& out, std::wstring& decoded) {
    // The program's own UTF-16 files are read where they lie; others are decoded first.
    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE &&
        (reinterpret_cast<uintptr_t>(bytes.data()) & 1) == 0) {
        Extract(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2, out.title, out.body);
    } else {
        Decode(bytes, decoded);
        Extract(decoded.data(), decoded.size(), out.title, out.body);
    }
    // Collapsed already: folding only lowers the case.
    Lower(out.title);
    Lower(out.body);
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

bool ReadFileBytes(const std::wstring& path, std::string& bytes, long long limit) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(f, &size) && size.QuadPart <= limit;
    if (ok) {
        bytes.resize((size_t)size.QuadPart);
        DWORD got = 0;
        ok = bytes.empty() || (::ReadFile(f, &bytes[0], (DWORD)bytes.size(), &got, nullptr) && got == bytes.size());
    }
    ::CloseHandle(f);
    return ok;
}

bool ReadTextFile(const std::wstring& path, std::wstring& text, long long limit) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes, limit)) return false;
    text = DecodeFileText(bytes);
    return true;
}
