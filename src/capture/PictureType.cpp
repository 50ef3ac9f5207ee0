#include "capture/PictureType.h"
#include <cstring>
#include <cwctype>

namespace {

bool At(const std::string& h, size_t offset, const char* signature, size_t n) {
    return h.size() >= offset + n && std::memcmp(h.data() + offset, signature, n) == 0;
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = (wchar_t)std::towlower(c);
    return s;
}

// Text that begins (after a byte-order mark, blanks, an XML declaration,
// comments or a doctype) with an svg element.
bool LooksLikeSvg(const std::string& h) {
    size_t i = At(h, 0, "\xEF\xBB\xBF", 3) ? 3 : 0;
    for (;;) {
        while (i < h.size() && h[i] && std::strchr(" \t\r\n", h[i])) ++i;
        if (At(h, i, "<svg", 4)) return true;
        if (!At(h, i, "<?", 2) && !At(h, i, "<!", 2)) return false;
        size_t end = h.find('>', i);
        if (end == std::string::npos) return false;
        i = end + 1;
    }
}

// The kind the content's first bytes show, as its usual extension.
std::wstring Sniff(const std::string& h) {
    if (At(h, 0, "\xFF\xD8\xFF", 3)) return L".jpg";
    if (At(h, 0, "\x89PNG\r\n\x1A\n", 8)) return L".png";
    if (At(h, 0, "GIF87a", 6) || At(h, 0, "GIF89a", 6)) return L".gif";
    // "BM", then the file size and two reserved words that are zero.
    if (At(h, 0, "BM", 2) && At(h, 6, "\0\0\0\0", 4) && h.size() >= 26) return L".bmp";
    if (At(h, 0, "RIFF", 4) && At(h, 8, "WEBP", 4)) return L".webp";
    if (At(h, 0, "\0\0\1\0", 4) && h.size() >= 6 && (h[4] || h[5])) return L".ico";
    if (At(h, 4, "ftypavif", 8) || At(h, 4, "ftypavis", 8)) return L".avif";
    if (At(h, 0, "II*\0", 4) || At(h, 0, "MM\0*", 4)) return L".tif";
    if (LooksLikeSvg(h)) return L".svg";
    return L"";
}

}  // namespace

std::wstring PictureExtensionFor(const std::string& head, const std::wstring& contentType,
                                 const std::wstring& addressExtension) {
    std::wstring kind = Sniff(head);
    std::wstring type = Lower(contentType.substr(0, contentType.find(L';')));
    while (!type.empty() && type.back() == L' ') type.pop_back();
    if (kind.empty() && type == L"image/svg+xml" && head.find("<svg") != std::string::npos) kind = L".svg";
    if (kind.empty()) return L"";   // whatever the address or the server claims
    std::wstring own = Lower(addressExtension);
    if ((kind == L".jpg" && own == L".jpeg") || (kind == L".tif" && own == L".tiff")) return own;
    return kind;
}
