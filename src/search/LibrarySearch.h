// The library search of the running program: the index is built on a thread of
// its own at start-up (progress posted to a window), then searched and kept
// current on the window's thread.
#pragma once
#include "search/LibraryIndexUpdates.h"
#include "search/SearchIndex.h"
#include <atomic>
#include <memory>
#include <thread>

// Posted while a build that takes more than half a second runs: wParam = files
// read, lParam = files to read; wParam -1 when it is ready (lParam = files indexed).
constexpr UINT WM_SEARCH_INDEX_PROGRESS = WM_APP + 40;

class LibrarySearch : public LibraryIndexUpdates {
public:
    // appDir with its trailing backslash; the index file is appDir + kIndexFileName.
    LibrarySearch(std::wstring appDir, HWND notify);
    ~LibrarySearch() override;

    static const wchar_t kIndexFileName[];

    // Starts building (or bringing up to date) the index in the background.
    void Start();
    bool Ready() const { return m_ready; }

    enum class Outcome { Found, Indexing };
    // Notices files changed outside the program, then searches.
    Outcome Search(const std::wstring& query, std::vector<SearchHit>& hits);
    // Where a text (reader text, not folded) was saved before; false when nowhere
    // or while the index is being built.
    bool FindSaved(const std::wstring& text, SearchHit& where);

    void FileSaved(const std::wstring& path) override;
    void FileRemoved(const std::wstring& path) override;
    void FileMoved(const std::wstring& from, const std::wstring& to) override;

private:
    void Build();
    SearchIndex* UiIndex();
    // A damaged index met on the window's thread: build it again.
    void Restart();

    std::wstring m_appDir;
    HWND m_notify;
    std::thread m_worker;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_stop{false};
    std::unique_ptr<SearchIndex> m_ui;
};
