// What kind of picture a download holds, decided from its content and not from
// its address: pages serve pictures from any address (show.php?id=3), and an
// address ending in .gif may deliver a program or a shortcut.
#pragma once
#include <string>

// Bytes of a download's start that PictureExtensionFor looks at.
constexpr size_t kPictureHeadBytes = 512;

// The extension (".png") a downloaded file is stored under, or "" when it is no
// picture. `head` is the start of the content, `contentType` the server's
// Content-Type ("" when none), `addressExtension` the extension of the address
// (".jpeg", or ""). The content's signature decides; the address's own spelling
// is kept when it names the same kind (.jpeg, .tiff). SVG has no signature: it
// is taken when the server calls it image/svg+xml or its text starts like SVG.
// The result is always one of .jpg .jpeg .png .gif .bmp .webp .ico .svg .avif
// .tif .tiff.
std::wstring PictureExtensionFor(const std::string& head, const std::wstring& contentType,
                                 const std::wstring& addressExtension);
