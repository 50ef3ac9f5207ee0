// Cleaning of captured markup before it enters either editor. A page's markup
// is hostile: the editor must never run its code, load its frames, follow its
// redirects, or reach a network share or a local file on its behalf.
#include "editor/HtmlText.h"

namespace htmltext {

namespace {

bool IsAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f'; }
wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; }
std::wstring LowerAll(std::wstring s) {
    for (auto& c : s) c = Lower(c);
    return s;
}

// Elements dropped with their attributes; those in the second list lose their content too
// (script and style bodies would show as text, a frame's or object's fallback is not the page).
const wchar_t* const kDropped[] = {L"script", L"style", L"link", L"meta", L"base",
                                   L"iframe", L"frame", L"object", L"embed"};
const wchar_t* const kDroppedWithContent[] = {L"script", L"style", L"iframe", L"object"};

template <size_t N> bool In(const wchar_t* const (&list)[N], const std::wstring& name) {
    for (const wchar_t* s : list)
        if (name == s) return true;
    return false;
}

// Attributes whose value is an address the editor would load or follow.
bool IsAddressAttribute(const std::wstring& name) {
    return name == L"src" || name == L"href" || name == L"background" || name == L"lowsrc" || name == L"dynsrc" ||
           name == L"action" || name == L"formaction" || name == L"poster" || name == L"data" || name == L"cite" ||
           name == L"longdesc" || name == L"usemap" || name == L"codebase" || name == L"xlink:href";
}

// The value as the browser reads it for its scheme: character references decoded,
// control characters and whitespace (which it skips inside a scheme) removed, lower case.
std::wstring Normalised(const std::wstring& v) {
    std::wstring out;
    for (size_t i = 0; i < v.size(); ++i) {
        wchar_t c = v[i];
        if (c == L'&') {
            size_t semi = v.find(L';', i);
            std::wstring ref = semi == std::wstring::npos ? L"" : LowerAll(v.substr(i + 1, semi - i - 1));
            unsigned long code = 0;
            bool numeric = ref.size() > 1 && ref[0] == L'#';
            if (numeric) {
                bool hex = ref[1] == L'x';
                code = wcstoul(ref.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
            } else if (ref == L"tab") code = 9;
            else if (ref == L"newline") code = 10;
            else if (ref == L"colon") code = L':';
            else if (ref == L"sol") code = L'/';
            else if (ref == L"bsol") code = L'\\';
            else if (ref == L"amp") code = L'&';
            if (code && code < 0x10000) {
                c = wchar_t(code);
                i = semi;
            }
        }
        if (c <= L' ') continue;
        out += Lower(c);
    }
    return out;
}

// An address the editor may keep: http, https, data: and relative ones; file:
// addresses without a host only when the capture came from a local file.
bool IsAllowedAddress(const std::wstring& value, bool allowLocalFiles) {
    std::wstring v = Normalised(value);
    if (v.empty() || v[0] == L'#') return true;
    // \\host\share, //host/share and their mixes: a network share (or another host)
    if ((v[0] == L'\\' || v[0] == L'/') && v.size() > 1 && (v[1] == L'\\' || v[1] == L'/')) return false;
    if (v.size() >= 2 && IsAlpha(v[0]) && (v[1] == L':' || v[1] == L'|'))   // C:\ or C|/: a local path
        return allowLocalFiles;
    size_t colon = v.find(L':');
    size_t end = v.find_first_of(L"/?#\\");
    if (colon == std::wstring::npos || (end != std::wstring::npos && end < colon)) return true;   // relative
    std::wstring scheme = v.substr(0, colon);
    if (scheme == L"http" || scheme == L"https" || scheme == L"data") return true;
    if (scheme != L"file") return false;   // javascript:, vbscript:, mhtml:, res:, ms-its: and the like
    std::wstring rest = v.substr(colon + 1);
    for (auto& c : rest)
        if (c == L'\\') c = L'/';
    // file://host/... names a share; file:///C:/ and file:/C:/ name this machine.
    if (rest.compare(0, 2, L"//") == 0 && rest.compare(0, 3, L"///") != 0 && rest.compare(0, 11, L"//localhost") != 0)
        return false;
    if (rest.compare(0, 4, L"////") == 0) return false;
    return allowLocalFiles;
}

// An inline style stays unless it names an address the editor may not load or runs code.
bool IsAllowedStyle(const std::wstring& value, bool allowLocalFiles) {
    std::wstring v = Normalised(value);
    if (v.find(L"expression(") != std::wstring::npos || v.find(L"behavior:") != std::wstring::npos ||
        v.find(L"-moz-binding") != std::wstring::npos || v.find(L"javascript:") != std::wstring::npos ||
        v.find(L"vbscript:") != std::wstring::npos)
        return false;
    for (size_t at = v.find(L"url("); at != std::wstring::npos; at = v.find(L"url(", at + 4)) {
        size_t close = v.find(L')', at);
        std::wstring inner = v.substr(at + 4, close == std::wstring::npos ? std::wstring::npos : close - at - 4);
        if (!inner.empty() && (inner[0] == L'"' || inner[0] == L'\'')) inner = inner.substr(1);
        if (!inner.empty() && (inner.back() == L'"' || inner.back() == L'\'')) inner.pop_back();
        if (!IsAllowedAddress(inner, allowLocalFiles)) return false;
    }
    return true;
}

// srcset: candidates separated by commas, each an address and a size.
bool IsAllowedSrcset(const std::wstring& value, bool allowLocalFiles) {
    size_t start = 0;
    while (start < value.size()) {
        size_t comma = value.find(L',', start);
        std::wstring candidate = value.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        size_t b = 0;
        while (b < candidate.size() && IsSpace(candidate[b])) ++b;
        size_t e = b;
        while (e < candidate.size() && !IsSpace(candidate[e])) ++e;
        if (!IsAllowedAddress(candidate.substr(b, e - b), allowLocalFiles)) return false;
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    return true;
}

bool KeepAttribute(const std::wstring& name, const std::wstring& value, bool allowLocalFiles) {
    if (name.size() > 2 && name[0] == L'o' && name[1] == L'n') return false;   // event handlers
    if (name == L"style") return IsAllowedStyle(value, allowLocalFiles);
    if (name == L"srcset") return IsAllowedSrcset(value, allowLocalFiles);
    if (name == L"http-equiv" || name == L"formaction" || name == L"action") return false;
    if (IsAddressAttribute(name)) return IsAllowedAddress(value, allowLocalFiles);
    return true;
}

// Where the element's content ends: after its closing tag, or the end of the markup.
size_t AfterClosing(const std::wstring& h, size_t from, const std::wstring& name) {
    const std::wstring closing = L"</" + name;
    for (size_t e = from; e + closing.size() <= h.size(); ++e) {
        size_t m = 0;
        while (m < closing.size() && Lower(h[e + m]) == closing[m]) ++m;
        if (m == closing.size() && (e + m == h.size() || IsSpace(h[e + m]) || h[e + m] == L'>' || h[e + m] == L'/')) {
            size_t gt = h.find(L'>', e + m);
            return gt == std::wstring::npos ? h.size() : gt + 1;
        }
    }
    return h.size();
}

}  // namespace

std::wstring CleanCapturedHtml(const std::wstring& h, bool allowLocalFiles) {
    std::wstring out;
    out.reserve(h.size());
    size_t i = 0;
    while (i < h.size()) {
        size_t lt = h.find(L'<', i);
        if (lt == std::wstring::npos) { out.append(h, i, std::wstring::npos); break; }
        out.append(h, i, lt - i);
        i = lt;
        // Comments, declarations and processing instructions: dropped (conditional
        // comments would hide markup from the cleaning that the engine still reads).
        if (h.compare(i, 4, L"<!--") == 0) {
            size_t e = h.find(L"-->", i + 4);
            i = e == std::wstring::npos ? h.size() : e + 3;
            continue;
        }
        if (i + 1 < h.size() && (h[i + 1] == L'!' || h[i + 1] == L'?')) {
            size_t e = h.find(L'>', i);
            i = e == std::wstring::npos ? h.size() : e + 1;
            continue;
        }
        bool closing = i + 1 < h.size() && h[i + 1] == L'/';
        size_t nameStart = i + (closing ? 2 : 1);
        if (nameStart >= h.size() || !IsAlpha(h[nameStart])) {   // a lone '<' is text
            out += L"&lt;";
            ++i;
            continue;
        }
        size_t j = nameStart;
        while (j < h.size() && !IsSpace(h[j]) && h[j] != L'>' && h[j] != L'/') ++j;
        std::wstring name = LowerAll(h.substr(nameStart, j - nameStart));
        // The tag's attributes up to '>' (quoted values may hold '>').
        std::wstring tag = h.substr(i, j - i);
        size_t k = j;
        bool cut = false;
        while (k < h.size() && h[k] != L'>') {
            if (IsSpace(h[k]) || h[k] == L'/') { tag += h[k++]; continue; }
            size_t ns = k;
            while (k < h.size() && !IsSpace(h[k]) && h[k] != L'=' && h[k] != L'>' && h[k] != L'/') ++k;
            std::wstring attrName = LowerAll(h.substr(ns, k - ns));
            size_t afterName = k, v = k;
            while (v < h.size() && IsSpace(h[v])) ++v;
            std::wstring value;
            size_t end = afterName;
            if (v < h.size() && h[v] == L'=') {
                ++v;
                while (v < h.size() && IsSpace(h[v])) ++v;
                wchar_t quote = v < h.size() && (h[v] == L'"' || h[v] == L'\'') ? h[v] : 0;
                if (quote) {
                    size_t q = h.find(quote, v + 1);
                    if (q == std::wstring::npos) { cut = true; k = h.size(); break; }
                    value = h.substr(v + 1, q - v - 1);
                    end = q + 1;
                } else {
                    end = v;
                    while (end < h.size() && !IsSpace(h[end]) && h[end] != L'>') ++end;
                    value = h.substr(v, end - v);
                }
            }
            if (KeepAttribute(attrName, value, allowLocalFiles)) {
                tag.append(h, ns, end - ns);
            } else {
                while (!tag.empty() && IsSpace(tag.back())) tag.pop_back();   // with the space before it
            }
            k = end;
        }
        if (cut || k >= h.size()) break;   // a cut tag at the end is dropped, never half kept
        i = k + 1;
        if (In(kDropped, name)) {
            if (!closing && In(kDroppedWithContent, name)) i = AfterClosing(h, i, name);
            continue;
        }
        out += tag;
        out += L'>';
    }
    return out;
}

bool IsLocalFileAddress(const std::wstring& url) {
    std::wstring v = LowerAll(url);
    return v.compare(0, 5, L"file:") == 0 || (v.size() >= 2 && IsAlpha(v[0]) && v[1] == L':');
}

}  // namespace htmltext
