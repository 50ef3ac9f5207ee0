#include "editor/ClipboardHtml.h"
#include "editor/HtmlText.h"

namespace cliphtml {

namespace {

// Another program may hold the clipboard for a moment (a browser finishing its copy).
bool OpenWithRetry(HWND owner) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::OpenClipboard(owner)) return true;
        ::Sleep(10);
    }
    return false;
}

// The bytes of a clipboard handle, never beyond its global size.
std::string GlobalBytes(HANDLE h) {
    std::string bytes;
    if (!h) return bytes;
    SIZE_T size = ::GlobalSize(h);
    if (const char* p = static_cast<const char*>(::GlobalLock(h))) {
        bytes.assign(p, size);
        ::GlobalUnlock(h);
    }
    return bytes;
}

bool SetData(UINT format, const void* data, size_t size) {
    HGLOBAL g = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!g) return false;
    void* p = ::GlobalLock(g);
    if (!p) { ::GlobalFree(g); return false; }
    memcpy(p, data, size);
    ::GlobalUnlock(g);
    if (!::SetClipboardData(format, g)) { ::GlobalFree(g); return false; }
    return true;
}

}  // namespace

UINT HtmlFormat() {
    static const UINT format = ::RegisterClipboardFormatW(L"HTML Format");
    return format;
}

bool CanPaste() {
    return ::IsClipboardFormatAvailable(HtmlFormat()) || ::IsClipboardFormatAvailable(CF_UNICODETEXT);
}

bool ReadAsHtml(HWND owner, std::wstring& html, std::wstring* sourceUrl, bool* fromHtmlFormat) {
    if (!OpenWithRetry(owner)) return false;
    bool ok = false;
    htmltext::CfHtml cf;
    if (::IsClipboardFormatAvailable(HtmlFormat()) &&
        htmltext::ParseCfHtml(GlobalBytes(::GetClipboardData(HtmlFormat())), cf)) {
        html = cf.fragment;
        if (!cf.sourceUrl.empty())
            html = htmltext::RewriteUrls(html, [&](const std::wstring& v) {
                return htmltext::ResolveUrl(cf.sourceUrl, v);
            });
        if (sourceUrl) *sourceUrl = cf.sourceUrl;
        ok = true;
    }
    if (fromHtmlFormat) *fromHtmlFormat = ok;
    if (!ok && ::IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        std::string bytes = GlobalBytes(::GetClipboardData(CF_UNICODETEXT));
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        text = text.substr(0, text.find(L'\0'));
        html = htmltext::EscapeText(text);
        if (sourceUrl) sourceUrl->clear();
        ok = true;
    }
    ::CloseClipboard();
    return ok;
}

bool ReadCleanHtml(HWND owner, std::wstring& html) {
    std::wstring source;
    if (!ReadAsHtml(owner, html, &source)) return false;
    html = htmltext::CleanCapturedHtml(html, htmltext::IsLocalFileAddress(source));
    return true;
}

bool ReadSourceUrl(HWND owner, std::wstring& url) {
    url.clear();
    if (!::IsClipboardFormatAvailable(HtmlFormat()) || !OpenWithRetry(owner)) return false;
    htmltext::CfHtml cf;
    bool ok = htmltext::ParseCfHtml(GlobalBytes(::GetClipboardData(HtmlFormat())), cf);
    ::CloseClipboard();
    if (ok) url = cf.sourceUrl;
    return ok;
}

bool WriteHtml(HWND owner, const std::wstring& markup) {
    if (!OpenWithRetry(owner)) return false;
    ::EmptyClipboard();
    std::string block = htmltext::BuildCfHtml(markup);
    bool ok = SetData(HtmlFormat(), block.c_str(), block.size() + 1);
    ok = SetData(CF_UNICODETEXT, markup.c_str(), (markup.size() + 1) * sizeof(wchar_t)) && ok;
    ::CloseClipboard();
    return ok;
}

}  // namespace cliphtml
