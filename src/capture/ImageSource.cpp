#include "capture/ImageSource.h"

namespace {
constexpr size_t kWindow = 200;

long long Find(const std::wstring& s, const wchar_t* what) {
    size_t i = s.find(what);
    return i == std::wstring::npos ? -1 : (long long)i;
}

bool IsAsciiAlnum(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

void ReplaceAll(std::wstring& s, const std::wstring& from, const std::wstring& to) {
    for (size_t i = s.find(from); i != std::wstring::npos; i = s.find(from, i + to.size())) s.replace(i, from.size(), to);
}
}  // namespace

std::wstring ExtractImageSource(const std::wstring& html, long long position) {
    size_t start = position < 0 ? 0 : (size_t)position;
    if (start > html.size()) start = html.size();
    std::wstring window = html.substr(start, kWindow);
    long long index = Find(window, L"src=");
    if (index <= 0) index = Find(window, L"SRC=");
    // With no attribute (index -1) the first three characters are dropped.
    long long keep = (long long)window.size() - index - 4;
    if (keep <= 0) return L"";
    std::wstring rest = window.substr(window.size() - (size_t)keep);
    if (rest.empty()) return L"";
    if (rest[0] == L'"' || rest[0] == L'\'') {
        size_t close = rest.find(rest[0], 1);
        if (close == std::wstring::npos) return L"";
        return rest.substr(1, close - 1);
    }
    size_t end = rest.find_first_of(L" \t\r\n>");
    if (end == std::wstring::npos) return L"";
    return rest.substr(0, end);
}

bool IsHttpSource(const std::wstring& source) { return source.compare(0, 4, L"http") == 0; }

std::wstring DownloadUrlOf(const std::wstring& source) {
    std::wstring url = source;
    ReplaceAll(url, L"&lt;", L"<");
    ReplaceAll(url, L"&gt;", L">");
    ReplaceAll(url, L"&quot;", L"\"");
    ReplaceAll(url, L"&#39;", L"'");
    ReplaceAll(url, L"&amp;", L"&");   // last, so "&amp;lt;" stays "&lt;"
    return EncodeUrlForRequest(url);
}

std::wstring EncodeUrlForRequest(const std::wstring& url) {
    size_t scheme = url.find(L"://");
    size_t from = scheme == std::wstring::npos ? 0 : url.find_first_of(L"/?#", scheme + 3);
    if (from == std::wstring::npos) return url;
    std::wstring out = url.substr(0, from);
    static const wchar_t hex[] = L"0123456789ABCDEF";
    for (size_t i = from; i < url.size(); ++i) {
        wchar_t c = url[i];
        if (c > L' ' && c < 0x7F) {
            out += c;
            continue;
        }
        // A character outside the basic plane is one pair of code units, one UTF-8 sequence.
        int units = (c >= 0xD800 && c <= 0xDBFF && i + 1 < url.size()) ? 2 : 1;
        char bytes[8];
        int n = ::WideCharToMultiByte(CP_UTF8, 0, &url[i], units, bytes, sizeof bytes, nullptr, nullptr);
        for (int k = 0; k < n; ++k) {
            unsigned char b = (unsigned char)bytes[k];
            out += L'%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
        i += units - 1;
    }
    return out;
}

std::wstring SafePictureExtension(const std::wstring& url) {
    std::wstring path = url.substr(0, url.find_first_of(L"?#"));
    size_t scheme = path.find(L"://");
    if (scheme != std::wstring::npos) {
        size_t slash = path.find(L'/', scheme + 3);
        path = slash == std::wstring::npos ? L"" : path.substr(slash);
    }
    size_t lastSlash = path.find_last_of(L"/\\");
    std::wstring segment = lastSlash == std::wstring::npos ? path : path.substr(lastSlash + 1);
    size_t dot = segment.rfind(L'.');
    if (dot == std::wstring::npos) return L"";
    std::wstring ext = segment.substr(dot + 1);
    if (ext.empty() || ext.size() > 5) return L"";
    for (wchar_t c : ext)
        if (!IsAsciiAlnum(c)) return L"";
    for (const wchar_t* picture : {L"jpg", L"jpeg", L"png", L"gif", L"bmp", L"webp", L"ico", L"svg", L"avif", L"tif", L"tiff"})
        if (_wcsicmp(ext.c_str(), picture) == 0) return L"." + ext;
    return L"";
}

std::wstring PictureStem(const SYSTEMTIME& t, long long position) {
    return std::to_wstring(t.wYear) + std::to_wstring(t.wMonth) + std::to_wstring(t.wDay) + std::to_wstring(t.wHour) +
           std::to_wstring(t.wMinute) + std::to_wstring(t.wSecond) + std::to_wstring(position);
}

void ForEachImageSource(const std::wstring& html, const wchar_t* tag,
                        const std::function<void(long long position, const std::wstring& source)>& visit) {
    long long previous = 1;
    for (;;) {
        size_t from = (size_t)(previous + 1);
        size_t found = from > html.size() ? std::wstring::npos : html.find(tag, from);
        long long position = found == std::wstring::npos ? -1 : (long long)found;
        previous = position;
        visit(position, ExtractImageSource(html, position));
        // The run after a failed search has been made; the pass ends there.
        if (position <= 0) break;
    }
}
