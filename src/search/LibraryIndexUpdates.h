// What the operations on library files tell the search index: one call each,
// after the file on disk has changed. Paths are absolute.
#pragma once
#include <string>

class LibraryIndexUpdates {
public:
    virtual ~LibraryIndexUpdates() = default;
    virtual void FileSaved(const std::wstring& path) = 0;     // written, pasted or copied in
    virtual void FileRemoved(const std::wstring& path) = 0;   // deleted or cut away
    virtual void FileMoved(const std::wstring& from, const std::wstring& to) = 0;   // renamed or moved
};

// Tells nobody: a pane without a program, or a program whose index failed.
class NoIndexUpdates : public LibraryIndexUpdates {
public:
    void FileSaved(const std::wstring&) override {}
    void FileRemoved(const std::wstring&) override {}
    void FileMoved(const std::wstring&, const std::wstring&) override {}
};
