// The library search of the running program: a thread of its own loads the text store
// at start-up (building it when there is none, progress posted to a window), reads
// every page of it so the first search is quick, and merges what a walk of the library
// finds changed. Searches and the file operations use the store on the window's thread.
#pragma once
#include "search/LibraryIndexUpdates.h"
#include "search/TextStore.h"
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Posted while a build that takes more than half a second runs: wParam = files
// read, lParam = files to read; wParam -1 when it is ready (lParam = files stored).
constexpr UINT WM_SEARCH_INDEX_PROGRESS = WM_APP + 40;
// Posted when a walk after start-up merged files changed outside the program.
constexpr UINT WM_SEARCH_STORE_CHANGED = WM_APP + 41;
// Posted by the window to itself to start the search once it is shown.
constexpr UINT WM_SEARCH_START = WM_APP + 42;

class LibrarySearch : public LibraryIndexUpdates {
public:
    // appDir with its trailing backslash; the store lives there.
    LibrarySearch(std::wstring appDir, HWND notify);
    ~LibrarySearch() override;

    // Loads (or builds) the store in the background.
    void Start();
    bool Ready() const { return m_ready; }

    enum class Outcome { Found, Indexing };
    // Searches what the store holds. The walk for files changed outside the program is
    // started too: what it finds within a short wait is in the result, anything later
    // comes with WM_SEARCH_STORE_CHANGED.
    Outcome Search(const std::wstring& query, std::vector<SearchHit>& hits);
    // Where a text (reader text, not folded) was saved before; false when nowhere
    // or while the store is being built.
    bool FindSaved(const std::wstring& text, SearchHit& where);
    // Asks for a walk and waits up to ms for it to be merged; true when it was.
    bool WaitForWalk(DWORD ms);

    void FileSaved(const std::wstring& path) override;
    void FileRemoved(const std::wstring& path) override;
    void FileMoved(const std::wstring& from, const std::wstring& to) override;

private:
    void Run();
    // One walk of the library merged into the store; true when something changed.
    bool Merge(bool showProgress);
    void Prefault();
    unsigned AskForWalk();

    std::wstring m_appDir;
    HWND m_notify;
    std::thread m_worker;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;   // the store
    TextStore m_store;
    std::mutex m_walkLock;   // the walk counters
    std::condition_variable m_walkChanged;
    unsigned m_walksAsked = 0, m_walksDone = 0;
    std::atomic<DWORD> m_lastWalkMs{0}, m_lastWalkEnd{0};
};
