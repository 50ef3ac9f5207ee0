// URL resolution and src/href rewriting of the built-in editing engine.
#include "editor/HtmlText.h"
#include <vector>

namespace htmltext {

namespace {

bool IsAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f'; }
wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; }

// Length of the scheme name when s starts with "scheme:", else 0. A single
// letter is a drive, not a scheme.
size_t SchemeLength(const std::wstring& s) {
    if (s.empty() || !IsAlpha(s[0])) return 0;
    size_t i = 1;
    while (i < s.size() && (IsAlpha(s[i]) || (s[i] >= L'0' && s[i] <= L'9') || s[i] == L'+' || s[i] == L'-' ||
                            s[i] == L'.'))
        ++i;
    return (i < s.size() && s[i] == L':' && i >= 2) ? i : 0;
}

bool IsDriveSegment(const std::wstring& seg) {
    return seg.size() == 2 && IsAlpha(seg[0]) && (seg[1] == L':' || seg[1] == L'|');
}

// Removes "." and ".." segments of an absolute path; never climbs above the
// root or, when keepFirst, above its first segment (a file URL's drive).
std::wstring RemoveDots(const std::wstring& path, bool keepFirst) {
    std::vector<std::wstring> segs;
    size_t i = path.empty() || path[0] != L'/' ? 0 : 1;
    bool trailingSlash = false;
    for (;;) {
        size_t slash = path.find(L'/', i);
        std::wstring seg = path.substr(i, slash == std::wstring::npos ? std::wstring::npos : slash - i);
        bool last = slash == std::wstring::npos;
        if (seg == L".") {
            trailingSlash = last;
        } else if (seg == L"..") {
            if (!segs.empty() && !(keepFirst && segs.size() == 1)) segs.pop_back();
            trailingSlash = last;
        } else {
            segs.push_back(seg);
            trailingSlash = false;
        }
        if (last) break;
        i = slash + 1;
    }
    std::wstring out;
    for (const auto& s : segs) out += L"/" + s;
    if (trailingSlash || out.empty()) out += L"/";
    return out;
}

std::wstring Slashes(std::wstring s) {
    for (auto& c : s)
        if (c == L'\\') c = L'/';
    return s;
}

}  // namespace

std::wstring ResolveUrl(const std::wstring& base, const std::wstring& ref) {
    size_t b = 0, e = ref.size();
    while (b < e && IsSpace(ref[b])) ++b;
    while (e > b && IsSpace(ref[e - 1])) --e;
    std::wstring r = ref.substr(b, e - b);
    if (r.empty()) return ref;
    if (r.size() >= 2 && IsAlpha(r[0]) && r[1] == L':' && (r.size() == 2 || r[2] == L'\\' || r[2] == L'/'))
        return L"file:///" + Slashes(r);
    if (r.compare(0, 2, L"\\\\") == 0) return L"file:" + Slashes(r);
    if (SchemeLength(r)) return r;

    const size_t bs = SchemeLength(base);
    if (!bs) return ref;
    const std::wstring scheme = base.substr(0, bs);
    bool isFile = true;
    for (size_t k = 0; k < scheme.size() && k < 4; ++k) isFile = isFile && Lower(scheme[k]) == L"file"[k];
    isFile = isFile && scheme.size() == 4;

    // Split the base into authority, path and the query/fragment after them.
    const std::wstring rest = base.substr(bs + 1);
    std::wstring authority, path;
    size_t p = 0;
    if (rest.compare(0, 2, L"//") == 0) {
        size_t ae = rest.find_first_of(L"/?#", 2);
        if (ae == std::wstring::npos) ae = rest.size();
        authority = rest.substr(0, ae);
        p = ae;
    } else if (rest.empty() || rest[0] != L'/') {
        return ref;   // about:, mailto: and the like have no folders to resolve against
    }
    size_t pe = rest.find_first_of(L"?#", p);
    if (pe == std::wstring::npos) pe = rest.size();
    path = rest.substr(p, pe - p);
    const std::wstring prefix = scheme + L":" + authority;

    if (r.compare(0, 2, L"//") == 0 || r.compare(0, 2, L"\\\\") == 0) return scheme + L":" + Slashes(r);
    if (r[0] == L'#') {
        size_t hash = base.find(L'#');
        return base.substr(0, hash) + r;
    }
    if (r[0] == L'?') return prefix + (path.empty() ? L"/" : path) + r;

    size_t rs = r.find_first_of(L"?#");
    std::wstring rpath = Slashes(r.substr(0, rs));
    std::wstring suffix = rs == std::wstring::npos ? L"" : r.substr(rs);

    // A file URL's first segment is its drive: "/" means the drive's root.
    std::wstring drive;
    if (isFile && path.size() >= 3 && path[0] == L'/' && IsDriveSegment(path.substr(1, 2)) &&
        (path.size() == 3 || path[3] == L'/'))
        drive = path.substr(0, 3);

    std::wstring merged;
    if (!rpath.empty() && rpath[0] == L'/') {
        merged = drive + rpath;
    } else {
        size_t slash = path.rfind(L'/');
        merged = (slash == std::wstring::npos ? L"/" : path.substr(0, slash + 1)) + rpath;
    }
    return prefix + RemoveDots(merged, !drive.empty()) + suffix;
}

std::wstring RewriteUrls(const std::wstring& h, const std::function<std::wstring(const std::wstring&)>& fn,
                         const wchar_t* only) {
    std::wstring out;
    out.reserve(h.size());
    size_t i = 0;
    auto copyTo = [&](size_t end) { out.append(h, i, end - i); i = end; };
    while (i < h.size()) {
        size_t lt = h.find(L'<', i);
        if (lt == std::wstring::npos) { copyTo(h.size()); break; }
        copyTo(lt);
        if (h.compare(i, 4, L"<!--") == 0) {
            size_t e = h.find(L"-->", i + 4);
            copyTo(e == std::wstring::npos ? h.size() : e + 3);
            continue;
        }
        if (i + 1 >= h.size() || !IsAlpha(h[i + 1])) { copyTo(i + 1); continue; }
        // A start tag: name, then attributes up to '>'.
        size_t j = i + 1;
        while (j < h.size() && !IsSpace(h[j]) && h[j] != L'>' && h[j] != L'/') ++j;
        std::wstring tagName;
        for (size_t k = i + 1; k < j; ++k) tagName += Lower(h[k]);
        copyTo(j);
        while (i < h.size() && h[i] != L'>') {
            if (IsSpace(h[i]) || h[i] == L'/') { copyTo(i + 1); continue; }
            size_t ns = i;
            while (i < h.size() && !IsSpace(h[i]) && h[i] != L'=' && h[i] != L'>' && h[i] != L'/') ++i;
            std::wstring name;
            for (size_t k = ns; k < i; ++k) name += Lower(h[k]);
            out.append(h, ns, i - ns);
            size_t k = i;
            while (k < h.size() && IsSpace(h[k])) ++k;
            if (k >= h.size() || h[k] != L'=') continue;
            ++k;
            while (k < h.size() && IsSpace(h[k])) ++k;
            copyTo(k);
            if (i >= h.size()) break;
            const bool wanted = only ? name == only : (name == L"src" || name == L"href");
            wchar_t quote = (h[i] == L'"' || h[i] == L'\'') ? h[i] : 0;
            size_t vs = quote ? i + 1 : i, ve;
            if (quote) {
                ve = h.find(quote, vs);
                if (ve == std::wstring::npos) { copyTo(h.size()); break; }   // a cut tag stays as it is
            } else {
                ve = vs;
                while (ve < h.size() && !IsSpace(h[ve]) && h[ve] != L'>') ++ve;
            }
            if (!wanted) { copyTo(quote && ve < h.size() ? ve + 1 : ve); continue; }
            std::wstring value = fn(h.substr(vs, ve - vs));
            wchar_t q = quote;
            if (!q && value.find_first_of(L" \t\r\n>\"'") != std::wstring::npos) q = L'"';
            if (q) out += q;
            out += value;
            if (q) out += q;
            i = quote && ve < h.size() ? ve + 1 : ve;
        }
        if (i < h.size()) copyTo(i + 1);
        // Script and style bodies are not markup.
        if (tagName == L"script" || tagName == L"style") {
            std::wstring closing = L"</" + tagName;
            size_t e = i;
            for (; e + closing.size() <= h.size(); ++e) {
                size_t m = 0;
                while (m < closing.size() && Lower(h[e + m]) == closing[m]) ++m;
                if (m == closing.size()) break;
            }
            copyTo(e + closing.size() <= h.size() ? e : h.size());
        }
    }
    return out;
}

std::wstring FolderFileUrl(const std::wstring& folderPath) {
    std::wstring f = folderPath;
    while (!f.empty() && (f.back() == L'\\' || f.back() == L'/')) f.pop_back();
    return Slashes(L"file:///" + f + L"\\");
}

std::wstring ExpandRelativeToFolder(const std::wstring& html, const std::wstring& folderPath) {
    // Resolve against a copy of the folder URL whose '#', '?' and '%' are
    // escaped, so a folder named "C#" stays one path segment; the unescaped
    // prefix then replaces the escaped one.
    const std::wstring plain = FolderFileUrl(folderPath);
    std::wstring escaped;
    for (wchar_t c : plain) {
        if (c == L'#') escaped += L"%23";
        else if (c == L'?') escaped += L"%3F";
        else if (c == L'%') escaped += L"%25";
        else escaped += c;
    }
    return RewriteUrls(html, [&](const std::wstring& v) {
        std::wstring r = ResolveUrl(escaped, v);
        if (r != v && r.compare(0, escaped.size(), escaped) == 0) r = plain + r.substr(escaped.size());
        return r;
    });
}

}  // namespace htmltext
