#include "editor/HtmlText.h"
#include <windows.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cwchar>
#include <cwctype>

namespace htmltext {

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f'; }
bool IsAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; }

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}

std::string TrimAscii(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// A header number; -1 when it is missing or not a number.
long long ParseOffset(const std::string& v) {
    std::string t = TrimAscii(v);
    if (t.empty() || t.size() > 15) return -1;
    long long n = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

size_t FindCI(const std::string& hay, const std::string& needle, size_t from) {
    std::string low = LowerAscii(hay);
    return low.find(LowerAscii(needle), from);
}

}  // namespace

std::wstring Utf8ToWide(const std::string& s) {
    if (s.empty()) return L"";
    int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), &w[0], n);
    return w;
}

std::string WideToUtf8(const std::wstring& s) {
    if (s.empty()) return "";
    int n = ::WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string r(n, '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), &r[0], n, nullptr, nullptr);
    return r;
}

bool ParseCfHtml(const std::string& raw, CfHtml& out) {
    out = CfHtml{};
    // Clipboard blocks usually end with a NUL; nothing after it belongs to the block.
    const std::string block = raw.substr(0, raw.find('\0'));
    const size_t n = block.size();
    size_t headerEnd = block.find('<');
    if (headerEnd == std::string::npos) headerEnd = n;

    long long startFrag = -1, endFrag = -1;
    size_t pos = 0;
    while (pos < headerEnd) {
        size_t eol = block.find_first_of("\r\n", pos);
        if (eol == std::string::npos || eol > headerEnd) eol = headerEnd;
        std::string line = block.substr(pos, eol - pos);
        pos = eol + 1;
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = LowerAscii(TrimAscii(line.substr(0, colon)));
        std::string value = line.substr(colon + 1);
        if (key == "startfragment") startFrag = ParseOffset(value);
        else if (key == "endfragment") endFrag = ParseOffset(value);
        else if (key == "sourceurl") out.sourceUrl = Utf8ToWide(TrimAscii(value));
    }

    size_t s = 0, e = 0;
    bool found = false;
    const bool startOk = startFrag >= 0 && size_t(startFrag) >= headerEnd && size_t(startFrag) <= n;
    if (startOk && endFrag >= startFrag && size_t(endFrag) <= n) {
        s = size_t(startFrag);
        e = size_t(endFrag);
        found = true;
    }
    if (!found) {
        size_t a = FindCI(block, "<!--StartFragment", headerEnd);
        size_t close = a == std::string::npos ? a : block.find("-->", a);
        if (close != std::string::npos) {
            s = close + 3;
            size_t b = FindCI(block, "<!--EndFragment", s);
            e = b == std::string::npos ? n : b;
            found = true;
        }
    }
    if (!found && startOk && endFrag > static_cast<long long>(n)) {
        // A block cut short: keep what there is of the fragment.
        s = size_t(startFrag);
        e = n;
        found = true;
    }
    if (!found) {
        if (headerEnd >= n) return false;
        out.fragment = BodyContent(Utf8ToWide(block.substr(headerEnd)));
        return true;
    }
    // Offsets that cut a multi-byte character keep only whole characters.
    auto cont = [&](size_t i) { return (static_cast<unsigned char>(block[i]) & 0xC0) == 0x80; };
    while (s < e && cont(s)) ++s;
    while (e > s && e < n && cont(e)) --e;
    out.fragment = Utf8ToWide(block.substr(s, e - s));
    return true;
}

std::string BuildCfHtml(const std::wstring& fragment, const std::wstring& sourceUrl) {
    const std::string pre = "<html><body>\r\n<!--StartFragment-->";
    const std::string post = "<!--EndFragment-->\r\n</body></html>";
    const std::string frag = WideToUtf8(fragment);
    std::string source = sourceUrl.empty() ? "" : "SourceURL:" + WideToUtf8(sourceUrl) + "\r\n";
    char header[160];
    const size_t headerLen = size_t(std::snprintf(header, sizeof header,
        "Version:0.9\r\nStartHTML:%010u\r\nEndHTML:%010u\r\nStartFragment:%010u\r\nEndFragment:%010u\r\n", 0u,
        0u, 0u, 0u)) + source.size();
    const size_t startHtml = headerLen, startFrag = startHtml + pre.size(), endFrag = startFrag + frag.size();
    const size_t endHtml = endFrag + post.size();
    std::snprintf(header, sizeof header,
                  "Version:0.9\r\nStartHTML:%010u\r\nEndHTML:%010u\r\nStartFragment:%010u\r\nEndFragment:%010u\r\n",
                  unsigned(startHtml), unsigned(endHtml), unsigned(startFrag), unsigned(endFrag));
    return std::string(header) + source + pre + frag + post;
}

std::wstring EscapeText(const std::wstring& text) {
    std::wstring out;
    bool lineStart = true, lastSpace = false;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            out += L"<BR>";
            lineStart = true;
            lastSpace = false;
            continue;
        }
        if (c == L' ') {
            // HTML collapses spaces: keep runs and leading spaces visible.
            out += (lineStart || lastSpace) ? L"&nbsp;" : L" ";
            lastSpace = true;
            lineStart = false;
            continue;
        }
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        default: out += c;
        }
        lineStart = lastSpace = false;
    }
    return out;
}

std::wstring WrapInFont(const std::wstring& markup, const FontChoice& f) {
    std::wstring open, close;
    auto style = [&](bool on, const wchar_t* tag) {
        if (!on) return;
        open += std::wstring(L"<") + tag + L">";
        close = std::wstring(L"</") + tag + L">" + close;
    };
    style(f.bold, L"B");
    style(f.italic, L"I");
    style(f.underline, L"U");
    style(f.strike, L"STRIKE");
    std::wstring attrs;
    if (!f.face.empty()) {
        std::wstring face;
        for (wchar_t c : f.face) face += c == L'"' ? std::wstring(L"&quot;") : std::wstring(1, c);
        attrs += L" face=\"" + face + L"\"";
    }
    if (f.points > 0) {
        static const int kMaxPoints[] = {8, 10, 12, 14, 18, 24};
        int size = 7;
        for (int k = 0; k < 6; ++k)
            if (f.points <= kMaxPoints[k]) { size = k + 1; break; }
        attrs += L" size=" + std::to_wstring(size);
    }
    if (f.color >= 0) {
        wchar_t rgb[8];
        swprintf(rgb, 8, L"#%02x%02x%02x", unsigned(f.color & 0xFF), unsigned((f.color >> 8) & 0xFF),
                 unsigned((f.color >> 16) & 0xFF));
        attrs += std::wstring(L" color=") + rgb;
    }
    if (!attrs.empty()) {
        open += L"<FONT" + attrs + L">";
        close = L"</FONT>" + close;
    }
    return open + markup + close;
}

namespace {

struct NamedEntity { const wchar_t* name; wchar_t ch; };
const NamedEntity kEntities[] = {
    {L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''}, {L"nbsp", 0xA0},
    {L"copy", 0xA9}, {L"reg", 0xAE}, {L"trade", 0x2122}, {L"hellip", 0x2026}, {L"mdash", 0x2014},
    {L"ndash", 0x2013}, {L"lsquo", 0x2018}, {L"rsquo", 0x2019}, {L"ldquo", 0x201C}, {L"rdquo", 0x201D},
    {L"middot", 0xB7}, {L"bull", 0x2022}, {L"laquo", 0xAB}, {L"raquo", 0xBB}, {L"times", 0xD7},
    {L"divide", 0xF7}, {L"deg", 0xB0}, {L"plusmn", 0xB1}, {L"yen", 0xA5}, {L"euro", 0x20AC},
    {L"pound", 0xA3}, {L"cent", 0xA2}, {L"sect", 0xA7}, {L"para", 0xB6}, {L"shy", 0xAD},
    {L"iexcl", 0xA1}, {L"iquest", 0xBF}, {L"ensp", 0x2002}, {L"emsp", 0x2003}, {L"thinsp", 0x2009},
};

void AppendCodePoint(std::wstring& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += wchar_t(0xD800 + (cp >> 10));
        out += wchar_t(0xDC00 + (cp & 0x3FF));
    } else {
        out += wchar_t(cp);
    }
}

// Decodes the entity at h[i] == '&' into out; returns the index after it.
// An unknown or malformed entity is kept as its '&'.
size_t DecodeEntity(const std::wstring& h, size_t i, std::wstring& out) {
    size_t j = i + 1;
    if (j < h.size() && h[j] == L'#') {
        ++j;
        bool hex = j < h.size() && (h[j] == L'x' || h[j] == L'X');
        if (hex) ++j;
        size_t digits = j;
        unsigned long cp = 0;
        while (j < h.size() && (hex ? iswxdigit(h[j]) : (h[j] >= L'0' && h[j] <= L'9'))) {
            unsigned d = h[j] <= L'9' ? h[j] - L'0' : (Lower(h[j]) - L'a' + 10);
            if (cp <= 0x10FFFF) cp = cp * (hex ? 16 : 10) + d;
            ++j;
        }
        if (j == digits) { out += L'&'; return i + 1; }
        AppendCodePoint(out, cp);
        return (j < h.size() && h[j] == L';') ? j + 1 : j;
    }
    size_t nameStart = j;
    while (j < h.size() && j - nameStart < 10 && (IsAlpha(h[j]) || (h[j] >= L'0' && h[j] <= L'9'))) ++j;
    std::wstring name = h.substr(nameStart, j - nameStart);
    bool semi = j < h.size() && h[j] == L';';
    for (const auto& e : kEntities) {
        if (name != e.name) continue;
        // Without the semicolon only the common legacy names are accepted.
        if (!semi && name != L"amp" && name != L"lt" && name != L"gt" && name != L"quot" && name != L"nbsp") break;
        out += e.ch;
        return semi ? j + 1 : j;
    }
    out += L'&';
    return i + 1;
}

bool IsBlock(const std::wstring& n) {
    static const wchar_t* const kBlocks[] = {L"p", L"div", L"li", L"tr", L"h1", L"h2", L"h3", L"h4", L"h5",
                                             L"h6", L"ul", L"ol", L"table", L"blockquote", L"pre", L"hr",
                                             L"dl", L"dt", L"dd", L"address", L"center", L"form", L"caption"};
    for (const wchar_t* b : kBlocks)
        if (n == b) return true;
    return false;
}

// Index just past the '>' closing the tag that starts at i (quotes respected).
size_t TagEnd(const std::wstring& h, size_t i) {
    wchar_t quote = 0;
    for (size_t j = i + 1; j < h.size(); ++j) {
        wchar_t c = h[j];
        if (quote) { if (c == quote) quote = 0; }
        else if (c == L'"' || c == L'\'') quote = c;
        else if (c == L'>') return j + 1;
    }
    return h.size();
}

size_t FindCIw(const std::wstring& h, const std::wstring& needle, size_t from) {
    for (size_t i = from; i + needle.size() <= h.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && Lower(h[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return i;
    }
    return std::wstring::npos;
}

class TextBuilder {
public:
    void Char(wchar_t c) {
        if (m_breaks > 0 && !m_out.empty() && !AtLineStart()) {
            TrimTrailingSpaces();
            m_out += L"\r\n";
        } else if (m_space && !m_out.empty() && !AtLineStart() && m_out.back() != L'\t') {
            m_out += L' ';
        }
        m_breaks = 0;
        m_space = false;
        m_out += c;
    }
    void Space() { m_space = true; }
    void BlockBoundary() { m_breaks = 1; }
    void LineBreak() {
        if (m_breaks > 0 && !m_out.empty() && !AtLineStart()) { TrimTrailingSpaces(); m_out += L"\r\n"; }
        m_breaks = 0;
        m_space = false;
        TrimTrailingSpaces();
        m_out += L"\r\n";
    }
    void Cell() {
        if (m_breaks == 0 && !m_out.empty() && !AtLineStart()) { TrimTrailingSpaces(); m_out += L'\t'; }
        m_space = false;
    }
    std::wstring Result() const {
        size_t b = m_out.find_first_not_of(L" \t\r\n");
        if (b == std::wstring::npos) return L"";
        return m_out.substr(b, m_out.find_last_not_of(L" \t\r\n") - b + 1);
    }
private:
    bool AtLineStart() const { return !m_out.empty() && m_out.back() == L'\n'; }
    void TrimTrailingSpaces() { while (!m_out.empty() && m_out.back() == L' ') m_out.pop_back(); }
    std::wstring m_out;
    bool m_space = false;
    int m_breaks = 0;
};

}  // namespace

std::wstring InnerText(const std::wstring& h) {
    TextBuilder tb;
    int pre = 0;
    size_t i = 0;
    while (i < h.size()) {
        wchar_t c = h[i];
        if (c == L'<') {
            if (h.compare(i, 4, L"<!--") == 0) {
                size_t e = h.find(L"-->", i + 4);
                i = e == std::wstring::npos ? h.size() : e + 3;
                continue;
            }
            if (i + 1 < h.size() && (h[i + 1] == L'!' || h[i + 1] == L'?')) { i = TagEnd(h, i); continue; }
            bool closing = i + 1 < h.size() && h[i + 1] == L'/';
            size_t n = i + (closing ? 2 : 1);
            if (n >= h.size() || !IsAlpha(h[n])) { tb.Char(c); ++i; continue; }
            size_t ne = n;
            while (ne < h.size() && (IsAlpha(h[ne]) || (h[ne] >= L'0' && h[ne] <= L'9'))) ++ne;
            std::wstring name;
            for (size_t k = n; k < ne; ++k) name += Lower(h[k]);
            i = TagEnd(h, i);
            if (!closing && (name == L"script" || name == L"style" || name == L"title")) {
                size_t e = FindCIw(h, L"</" + name, i);
                i = e == std::wstring::npos ? h.size() : TagEnd(h, e);
                continue;
            }
            if (name == L"br") tb.LineBreak();
            else if (name == L"td" || name == L"th") { if (!closing) tb.Cell(); }
            else if (IsBlock(name)) {
                tb.BlockBoundary();
                if (name == L"pre") pre = closing ? std::max(0, pre - 1) : pre + 1;
            }
            continue;
        }
        if (c == L'&') {
            std::wstring decoded;
            i = DecodeEntity(h, i, decoded);
            for (wchar_t d : decoded) tb.Char(d);
            continue;
        }
        if (IsSpace(c)) {
            if (pre > 0) {
                if (c == L'\n') tb.LineBreak();
                else if (c != L'\r') tb.Char(c);
            } else {
                tb.Space();
            }
            ++i;
            continue;
        }
        tb.Char(c);
        ++i;
    }
    return tb.Result();
}

namespace {
// The code page a meta tag's charset names in the file's first bytes (0: none or unknown).
UINT MetaCharsetCodePage(const std::string& bytes) {
    std::string head = bytes.substr(0, 4096);
    for (auto& c : head) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    for (size_t at = head.find("charset"); at != std::string::npos; at = head.find("charset", at + 7)) {
        size_t v = at + 7;
        while (v < head.size() && (head[v] == ' ' || head[v] == '=' || head[v] == '"' || head[v] == '\'')) ++v;
        size_t e = v;
        while (e < head.size() && (isalnum(static_cast<unsigned char>(head[e])) || head[e] == '-' || head[e] == '_')) ++e;
        std::string name = head.substr(v, e - v);
        static const struct { const char* name; UINT cp; } known[] = {
            {"gbk", 936}, {"gb2312", 936}, {"gb18030", 54936}, {"big5", 950}, {"shift_jis", 932},
            {"euc-kr", 949}, {"windows-1252", 1252}, {"iso-8859-1", 1252}, {"utf-8", CP_UTF8}};
        for (const auto& k : known)
            if (name == k.name) return k.cp;
    }
    return 0;
}
}  // namespace

std::wstring DecodeFileBytes(const std::vector<unsigned char>& b) {
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        std::wstring w((b.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < w.size(); ++i) w[i] = wchar_t(b[2 + 2 * i] | (b[3 + 2 * i] << 8));
        return w;
    }
    if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        std::wstring w((b.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < w.size(); ++i) w[i] = wchar_t((b[2 + 2 * i] << 8) | b[3 + 2 * i]);
        return w;
    }
    size_t skip = (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) ? 3 : 0;
    std::string s(b.begin() + skip, b.end());
    if (s.empty()) return L"";
    if (skip || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), int(s.size()), nullptr, 0) > 0)
        return Utf8ToWide(s);
    // Not UTF-8: the page's own charset, else GBK (the library's older texts), never
    // the code page of the machine that happens to open it.
    UINT codePage = MetaCharsetCodePage(s);
    if (!codePage || !::IsValidCodePage(codePage)) codePage = 936;
    int n = ::MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), &w[0], n);
    return w;
}

namespace {
// Position of "<name" or "</name" followed by a delimiter, from 'from'.
size_t FindTag(const std::wstring& h, const std::wstring& open, size_t from) {
    for (size_t p = FindCIw(h, open, from); p != std::wstring::npos; p = FindCIw(h, open, p + 1)) {
        size_t after = p + open.size();
        if (after >= h.size() || IsSpace(h[after]) || h[after] == L'>' || h[after] == L'/') return p;
    }
    return std::wstring::npos;
}
size_t RFindTag(const std::wstring& h, const std::wstring& open, size_t from) {
    size_t last = std::wstring::npos;
    for (size_t p = FindTag(h, open, from); p != std::wstring::npos; p = FindTag(h, open, p + 1)) last = p;
    return last;
}
}  // namespace

std::wstring BodyContent(const std::wstring& h) {
    size_t start = 0, end = h.size();
    size_t body = FindTag(h, L"<body", 0);
    if (body != std::wstring::npos) {
        start = TagEnd(h, body);
    } else {
        size_t head = FindTag(h, L"</head", 0);
        if (head != std::wstring::npos) start = TagEnd(h, head);
        else if (size_t html = FindTag(h, L"<html", 0); html != std::wstring::npos) start = TagEnd(h, html);
    }
    size_t close = RFindTag(h, L"</body", start);
    if (close == std::wstring::npos) close = RFindTag(h, L"</html", start);
    if (close != std::wstring::npos) end = close;
    return h.substr(start, end - start);
}

}  // namespace htmltext
