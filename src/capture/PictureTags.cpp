#include "capture/PictureTags.h"
#include "capture/ImageSource.h"
#include <algorithm>
#include <cwctype>

namespace {

struct Attr {
    std::wstring name;    // lower case
    std::wstring value;   // as written, quotes removed
    size_t start, end;    // the attribute with its leading white space
};

struct Tag {
    size_t start, end;    // "<" to after ">"
    std::vector<Attr> attrs;
    const Attr* Find(const wchar_t* name) const {
        for (const Attr& a : attrs)
            if (a.name == name) return &a;
        return nullptr;
    }
};

bool Space(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f'; }

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = (wchar_t)std::towlower(c);
    return s;
}

bool NameAt(const std::wstring& html, size_t at, const wchar_t* name) {
    size_t n = wcslen(name);
    if (at + n >= html.size() || _wcsnicmp(html.c_str() + at, name, n) != 0) return false;
    wchar_t after = html[at + n];
    return Space(after) || after == L'>' || after == L'/';
}

// The tag at `at` ("<name ..."), attributes parsed; false when it does not close.
bool ParseTag(const std::wstring& html, size_t at, size_t nameLength, Tag& tag) {
    tag.start = at;
    tag.attrs.clear();
    size_t i = at + 1 + nameLength;
    for (;;) {
        size_t attrStart = i;
        while (i < html.size() && (Space(html[i]) || html[i] == L'/')) ++i;
        if (i >= html.size()) return false;
        if (html[i] == L'>') {
            tag.end = i + 1;
            return true;
        }
        size_t nameStart = i;
        while (i < html.size() && !Space(html[i]) && html[i] != L'=' && html[i] != L'>' && html[i] != L'/') ++i;
        Attr a{Lower(html.substr(nameStart, i - nameStart)), L"", attrStart, 0};
        size_t j = i;
        while (j < html.size() && Space(html[j])) ++j;
        if (j < html.size() && html[j] == L'=') {
            ++j;
            while (j < html.size() && Space(html[j])) ++j;
            if (j >= html.size()) return false;
            if (html[j] == L'"' || html[j] == L'\'') {
                size_t close = html.find(html[j], j + 1);
                if (close == std::wstring::npos) return false;
                a.value = html.substr(j + 1, close - j - 1);
                i = close + 1;
            } else {
                size_t k = j;
                while (k < html.size() && !Space(html[k]) && html[k] != L'>') ++k;
                a.value = html.substr(j, k - j);
                i = k;
            }
        }
        a.end = i;
        tag.attrs.push_back(a);
    }
}

// Where each "<picture" and "</picture" starts, found once for the whole text.
struct PictureSpans {
    std::vector<size_t> opens, closes;
    explicit PictureSpans(const std::wstring& html) {
        for (size_t at = html.find(L'<'); at != std::wstring::npos; at = html.find(L'<', at + 1)) {
            if (NameAt(html, at + 1, L"picture")) opens.push_back(at);
            else if (at + 1 < html.size() && html[at + 1] == L'/' && NameAt(html, at + 2, L"picture")) closes.push_back(at);
        }
    }
};

// The <source> tags of the <picture> that holds the picture tag at `imgAt`.
std::vector<Tag> SourcesBefore(const std::wstring& html, size_t imgAt, const PictureSpans& spans) {
    std::vector<Tag> sources;
    auto open = std::lower_bound(spans.opens.begin(), spans.opens.end(), imgAt);
    if (open == spans.opens.begin()) return sources;
    size_t from = *--open;
    auto close = std::lower_bound(spans.closes.begin(), spans.closes.end(), from);
    if (close != spans.closes.end() && *close < imgAt) return sources;
    for (size_t at = html.find(L'<', from + 1); at != std::wstring::npos && at < imgAt; at = html.find(L'<', at + 1)) {
        Tag t;
        if (NameAt(html, at + 1, L"source") && ParseTag(html, at, 6, t) && t.end <= imgAt) sources.push_back(t);
    }
    return sources;
}

const wchar_t* const kLazy[] = {L"data-src", L"data-original", L"data-actualsrc", L"data-lazy-src", L"data-lazy", L"data-url"};

std::wstring Origin(const std::wstring& url) {
    size_t scheme = url.find(L"://");
    if (scheme == std::wstring::npos) return L"";
    return url.substr(0, url.find_first_of(L"/?#", scheme + 3));
}

}  // namespace

std::wstring ResolveAgainstPage(const std::wstring& address, const std::wstring& pageUrl) {
    std::wstring a = address;
    while (!a.empty() && Space(a.front())) a.erase(a.begin());
    while (!a.empty() && Space(a.back())) a.pop_back();
    if (_wcsnicmp(a.c_str(), L"http://", 7) == 0 || _wcsnicmp(a.c_str(), L"https://", 8) == 0) return a;
    if (a.empty() || a.find(L':') < a.find_first_of(L"/?#")) return L"";   // another scheme
    std::wstring origin = Origin(pageUrl);
    if (origin.empty() || !IsHttpSource(pageUrl)) return L"";
    if (a.compare(0, 2, L"//") == 0) return pageUrl.substr(0, pageUrl.find(L':') + 1) + a;
    if (a[0] == L'/') return origin + a;
    std::wstring path = pageUrl.substr(origin.size());
    path = path.substr(0, path.find_first_of(L"?#"));
    if (a[0] == L'?' || a[0] == L'#') return origin + path + a;
    size_t slash = path.rfind(L'/');
    return origin + (slash == std::wstring::npos ? L"/" : path.substr(0, slash + 1)) + a;
}

std::wstring LargestSrcsetCandidate(const std::wstring& srcset) {
    std::wstring best;
    double bestW = -1, bestX = -1;
    size_t i = 0;
    while (i < srcset.size()) {
        while (i < srcset.size() && (Space(srcset[i]) || srcset[i] == L',')) ++i;
        size_t urlStart = i;
        while (i < srcset.size() && !Space(srcset[i])) ++i;
        std::wstring url = srcset.substr(urlStart, i - urlStart);
        // An address ends at white space; a comma that ends it separates candidates.
        bool ended = false;
        while (!url.empty() && url.back() == L',') { url.pop_back(); ended = true; }
        std::wstring descriptor;
        if (!ended) {
            size_t comma = srcset.find(L',', i);
            descriptor = srcset.substr(i, comma == std::wstring::npos ? std::wstring::npos : comma - i);
            i = comma == std::wstring::npos ? srcset.size() : comma + 1;
        }
        if (url.empty()) continue;
        double w = -1, x = 1;
        while (!descriptor.empty() && Space(descriptor.back())) descriptor.pop_back();
        while (!descriptor.empty() && Space(descriptor.front())) descriptor.erase(descriptor.begin());
        if (!descriptor.empty()) {
            double v = _wtof(descriptor.c_str());
            if (descriptor.back() == L'w' || descriptor.back() == L'W') w = v;
            else if (descriptor.back() == L'x' || descriptor.back() == L'X') x = v;
        }
        if (w > bestW || (w < 0 && bestW < 0 && x > bestX)) {
            best = url;
            bestW = w;
            bestX = x;
        }
    }
    return best;
}

bool DecodePictureDataUrl(const std::wstring& value, std::string& bytes, std::wstring& mediaType) {
    if (_wcsnicmp(value.c_str(), L"data:image/", 11) != 0) return false;
    size_t comma = value.find(L',');
    if (comma == std::wstring::npos) return false;
    std::wstring head = Lower(value.substr(5, comma - 5));
    if (head.size() < 7 || head.compare(head.size() - 7, 7, L";base64") != 0) return false;
    mediaType = head.substr(0, head.find(L';'));
    bytes.clear();
    unsigned buffer = 0;
    int bits = 0;
    size_t padding = 0;
    for (size_t i = comma + 1; i < value.size(); ++i) {
        wchar_t c = value[i];
        int v;
        if (c >= L'A' && c <= L'Z') v = c - L'A';
        else if (c >= L'a' && c <= L'z') v = c - L'a' + 26;
        else if (c >= L'0' && c <= L'9') v = c - L'0' + 52;
        else if (c == L'+') v = 62;
        else if (c == L'/') v = 63;
        else if (c == L'=') { ++padding; continue; }
        else if (Space(c)) continue;
        else return false;
        if (padding) return false;   // data after the padding
        buffer = (buffer << 6) | (unsigned)v;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += (char)((buffer >> bits) & 0xFF);
        }
    }
    return !bytes.empty() && padding <= 2 && bits < 6;
}

std::vector<TaggedPicture> FindTaggedPictures(const std::wstring& html, const std::wstring& pageUrl) {
    std::vector<TaggedPicture> found;
    const PictureSpans spans(html);
    for (size_t at = html.find(L'<'); at != std::wstring::npos; at = html.find(L'<', at + 1)) {
        Tag img;
        if (!NameAt(html, at + 1, L"img") || !ParseTag(html, at, 3, img)) continue;
        TaggedPicture p;
        p.tagStart = at;
        std::vector<Tag> sources = SourcesBefore(html, at, spans);
        // The largest candidate of everything the tag and its <source>s offer.
        std::wstring srcset;
        for (const wchar_t* name : {L"data-srcset", L"srcset"})
            if (const Attr* a = img.Find(name)) srcset += a->value + L",";
        for (const Tag& s : sources)
            for (const wchar_t* name : {L"data-srcset", L"srcset"})
                if (const Attr* a = s.Find(name)) srcset += a->value + L",";
        const Attr* src = img.Find(L"src");
        std::wstring chosen = ResolveAgainstPage(LargestSrcsetCandidate(srcset), pageUrl);
        for (const wchar_t* name : kLazy) {
            const Attr* a = chosen.empty() ? img.Find(name) : nullptr;
            if (a) chosen = ResolveAgainstPage(a->value, pageUrl);
        }
        if (!chosen.empty()) {
            p.url = DownloadUrlOf(chosen);
        } else if (!(src && DecodePictureDataUrl(src->value, p.data, p.mediaType))) {
            continue;   // a plain picture tag, or a malformed data: URL left as it was
        }
        // The tag from "<img" on: src set to the copy; srcset, data-srcset and the lazy
        // addresses dropped, so nothing in the saved text still points at the web.
        TagEdit tag;
        tag.start = img.start;
        tag.end = img.end;
        std::wstring out;
        size_t copied = img.start, split = std::wstring::npos;
        for (const Attr& a : img.attrs) {
            bool source = a.name == L"src" && split == std::wstring::npos;
            bool lazy = std::find_if(std::begin(kLazy), std::end(kLazy), [&](const wchar_t* n) { return a.name == n; }) !=
                        std::end(kLazy);
            if (!source && !lazy && a.name != L"srcset" && a.name != L"data-srcset") continue;
            out += html.substr(copied, a.start - copied);
            copied = a.end;
            if (source) {
                out += L" src=\"";
                split = out.size();
                out += L"\"";
            }
        }
        out += html.substr(copied, img.end - copied);
        if (split == std::wstring::npos) {
            out = out.substr(0, 4) + L" src=\"\"" + out.substr(4);
            split = 10;
        }
        tag.head = out.substr(0, split);
        tag.tail = out.substr(split);
        for (const Tag& s : sources) p.edits.push_back({s.start, s.end, L"", L"", false});
        p.edits.push_back(tag);
        found.push_back(p);
    }
    return found;
}
