// Text-level HTML handling of the built-in editing engine: clipboard HTML
// blocks, plain-text escaping, innerText, file bodies and URL resolution.
// Pure functions: no window, no clipboard, no file access.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace htmltext {

std::wstring Utf8ToWide(const std::string& s);   // invalid bytes become U+FFFD
std::string WideToUtf8(const std::wstring& s);

// The clipboard's "HTML Format" block: a header of "Key:value" lines with
// byte offsets, then the HTML document that holds the copied fragment.
struct CfHtml {
    std::wstring fragment;    // the copied markup (between StartFragment and EndFragment)
    std::wstring sourceUrl;   // the page the fragment came from; may be empty
};
// False when the block holds no fragment at all. Offsets that are missing or
// out of range fall back to the <!--StartFragment--> / <!--EndFragment--> comments.
bool ParseCfHtml(const std::string& block, CfHtml& out);
// Builds a block with correct offsets around a UTF-8 fragment.
std::string BuildCfHtml(const std::wstring& fragment, const std::wstring& sourceUrl = L"");

// Plain text as HTML: markup characters escaped, each line break as <BR>,
// runs of spaces kept with &nbsp;.
std::wstring EscapeText(const std::wstring& text);

// A font choice as markup around a selection: <FONT face size color> plus
// <B>, <I>, <U>, <STRIKE> for the styles. size is in points (mapped to 1-7);
// color is 0x00BBGGRR, or -1 for none.
struct FontChoice {
    std::wstring face;
    int points = 0;
    long color = -1;
    bool bold = false, italic = false, underline = false, strike = false;
};
std::wstring WrapInFont(const std::wstring& markup, const FontChoice& font);

// The text a reader sees: tags dropped, entities decoded, block elements and
// <BR> as line breaks (CR LF), whitespace collapsed, script and style dropped.
std::wstring InnerText(const std::wstring& html);

// Decodes a file's bytes: UTF-16 with byte-order mark, UTF-8 (with or without
// mark), else the charset its meta tag names, else GBK.
std::wstring DecodeFileBytes(const std::vector<unsigned char>& bytes);
// The content of the body element (everything after the head when there is no body tag).
std::wstring BodyContent(const std::wstring& html);

// An absolute URL for ref relative to base. Absolute refs (any scheme,
// including data:, javascript:, mailto:) and refs against a base without a
// scheme come back unchanged; a Windows path becomes a file URL.
std::wstring ResolveUrl(const std::wstring& base, const std::wstring& ref);
// Passes every src and href attribute value of the markup's tags through fn
// (only the attribute named `only`, lower case, when given). Values fn leaves
// as they are stay byte for byte.
std::wstring RewriteUrls(const std::wstring& html, const std::function<std::wstring(const std::wstring&)>& fn,
                         const wchar_t* only = nullptr);
// The file-URL prefix of a folder: "file:///" + path + "\" with every "\" as
// "/", unescaped (file:///C:/Lib/新闻/). The save step removes exactly this
// prefix to make references relative again, so opening a file must expand
// relative references with the same prefix.
std::wstring FolderFileUrl(const std::wstring& folderPath);
// Relative src and href values of markup from a file of that folder, made
// absolute with FolderFileUrl's prefix (the platform engine does the same).
std::wstring ExpandRelativeToFolder(const std::wstring& html, const std::wstring& folderPath);

// Captured markup made safe for the editor: script, style, link, meta, base,
// iframe, frame, object and embed elements, comments, on* attributes and
// inline styles that load or run something are dropped; an address attribute
// stays only when it is http, https, data: or relative, or, with
// allowLocalFiles, a file on this machine (never a share: \\host or file://host).
std::wstring CleanCapturedHtml(const std::wstring& html, bool allowLocalFiles);
// A file: address or a drive path (the page a capture came from was a local file).
bool IsLocalFileAddress(const std::wstring& url);

}  // namespace htmltext
