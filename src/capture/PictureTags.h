// What real pages put into their picture tags besides a plain src: lazy-loading
// attributes, srcset candidates, <picture><source> and data: URLs.
#pragma once
#include <string>
#include <vector>

// One change to the HTML, made only when its picture was saved: the text
// [start, end) becomes head + "images/" + the local name + tail (or just head +
// tail for a change without a name, such as a <source> removed).
struct TagEdit {
    size_t start = 0, end = 0;
    std::wstring head, tail;
    bool named = true;
};

struct TaggedPicture {
    size_t tagStart = 0;          // where "<img" stands
    std::wstring url;             // http(s) address to download; empty for a data: picture
    std::string data;             // the bytes of a data: picture
    std::wstring mediaType;       // of a data: picture
    std::vector<TagEdit> edits;
};

// The picture tags whose real picture is not simply their http src: the largest
// srcset candidate (data-srcset, srcset, <source srcset> of the enclosing
// <picture>), else the first lazy-loading address (data-src, data-original,
// data-actualsrc, data-lazy-src, data-lazy, data-url), else a base64 data:image
// src. Relative addresses are resolved against `pageUrl`. The edits point src at
// the local copy and drop srcset, data-srcset, the lazy-loading attributes and the
// <source> tags.
std::vector<TaggedPicture> FindTaggedPictures(const std::wstring& html, const std::wstring& pageUrl);

// The address of the largest candidate of a srcset value (by w, else by x); "" when none.
std::wstring LargestSrcsetCandidate(const std::wstring& srcset);

// `address` made absolute against the page; "" when it cannot be.
std::wstring ResolveAgainstPage(const std::wstring& address, const std::wstring& pageUrl);

// Bytes and media type of "data:image/...;base64,..."; false when malformed or no picture type.
bool DecodePictureDataUrl(const std::wstring& value, std::string& bytes, std::wstring& mediaType);
