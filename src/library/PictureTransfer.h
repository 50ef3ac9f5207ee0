// Pictures that travel with a web text when it is pasted into another folder or
// deleted: the local references of its picture tags ("images/..." in its folder).
#pragma once
#include <string>
#include <vector>

// The whole text of a web-text file, decoded as the search reads it (UTF-16LE after
// its byte-order mark as the program writes it, UTF-8, or the system code page);
// false when it cannot be read.
bool ReadWebText(const std::wstring& path, std::wstring& text);

struct PictureRef {
    std::wstring written;   // the reference as the file writes it ("images/a.png")
    std::wstring file;      // the picture's file name inside the images folder ("a.png")
};

// The local picture references of a web text, each file once (names compared
// without case), found the way the save finds picture tags: "<img" and "<IMG"
// exactly, each tag's source within the 200 characters from it. A reference is
// local when it begins with "images"; only one plain file name below the images
// folder is taken (no "..", no further folders, nothing Windows would rename).
std::vector<PictureRef> LocalPictureRefs(const std::wstring& html);

// Picture file names (lower case) referenced by the web texts of a folder other
// than `except` (a file name, "" for none).
std::vector<std::wstring> PicturesUsedInFolder(const std::wstring& folder, const std::wstring& except);

// Replaces the reference `from` by `to` where it is a whole attribute value.
void RewritePictureRef(std::wstring& html, const std::wstring& from, const std::wstring& to);

// Moves the pictures of the web text folder\name, already moved to destination\name,
// into destination\images. A picture another web text of the source folder still
// shows is copied instead; one whose name is taken in the destination by the same
// picture is kept once; by a different picture, it gets the next free name and the
// moved web text is rewritten to it.
void TransferPicturesMove(const std::wstring& folder, const std::wstring& name, const std::wstring& destination);
// Deletes the pictures of the web text folder\name that no other web text of the
// folder shows.
void TransferPicturesDelete(const std::wstring& folder, const std::wstring& name);
