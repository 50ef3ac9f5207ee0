#include "search/LibrarySearch.h"
#include "search/ReaderText.h"
#include <chrono>

namespace {
// How long a search waits for the walk that looks for files changed outside the program.
const DWORD kWalkWaitMs = 40;
const size_t kBatch = 64;
}  // namespace

LibrarySearch::LibrarySearch(std::wstring appDir, HWND notify)
    : m_appDir(std::move(appDir)), m_notify(notify), m_store(m_appDir) {}

LibrarySearch::~LibrarySearch() {
    {
        std::lock_guard<std::mutex> hold(m_walkLock);
        m_stop = true;
    }
    m_walkChanged.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

void LibrarySearch::Start() {
    if (m_worker.joinable()) return;
    try {
        m_worker = std::thread([this] {
            // The window's thread first: the store is read and merged in its pauses.
            ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
            Run();
        });
    } catch (...) {
        // No thread to be had: no search rather than a window that waits for the build.
    }
}

void LibrarySearch::Run() {
    bool loaded = false;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_store.Open()) return;   // no store: the program works without search
        loaded = m_store.Loaded();
    }
    // A store of an earlier run answers at once; a new one only when it is built.
    if (loaded) {
        m_ready = true;
        Prefault();
    }
    unsigned before;
    {
        std::lock_guard<std::mutex> hold(m_walkLock);
        before = m_walksAsked;
    }
    bool shown = Merge(!loaded) && !loaded;
    m_ready = true;
    if (m_notify && shown) {
        std::lock_guard<std::mutex> hold(m_lock);
        ::PostMessageW(m_notify, WM_SEARCH_INDEX_PROGRESS, (WPARAM)-1, m_store.Count());
    }
    {
        std::lock_guard<std::mutex> hold(m_walkLock);
        m_walksDone = before;
    }
    m_walkChanged.notify_all();
    for (;;) {
        unsigned asked;
        {
            std::unique_lock<std::mutex> wait(m_walkLock);
            m_walkChanged.wait(wait, [&] { return m_stop || m_walksAsked != m_walksDone; });
            if (m_stop) return;
            asked = m_walksAsked;
        }
        bool changed = Merge(false);
        {
            std::lock_guard<std::mutex> hold(m_walkLock);
            m_walksDone = asked;
        }
        m_walkChanged.notify_all();
        if (changed && m_notify) ::PostMessageW(m_notify, WM_SEARCH_STORE_CHANGED, 0, 0);
    }
}

void LibrarySearch::Prefault() {
    // In steps, so that a search of the window's thread never waits long for the store.
    for (size_t at = 0;;) {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_stop || at >= m_store.MappedBytes()) return;
        at = m_store.Prefault(at, 8 << 20);
    }
}

bool LibrarySearch::Merge(bool showProgress) {
    // The walk and the reading of files take the time; the store is held only to compare
    // and to append, a batch at a time.
    DWORD walkStart = ::GetTickCount();
    std::vector<LibraryFile> disk = WalkLibrary(m_appDir);
    m_lastWalkMs = ::GetTickCount() - walkStart;
    std::vector<const LibraryFile*> changed;
    std::vector<std::wstring> gone;
    struct Ended {
        std::atomic<DWORD>& at;
        ~Ended() { at = ::GetTickCount(); }
    } ended{m_lastWalkEnd};
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_store.Diff(disk, changed, gone);
        for (auto& key : gone) m_store.RemoveKey(key);
        m_store.Flush();
    }
    DWORD started = ::GetTickCount();
    bool shown = false;
    const size_t total = changed.size();
    std::vector<StoredTextReader> readers(total ? kBatch : 0);
    for (size_t i = 0; i < total && !m_stop; i += kBatch) {
        size_t end = std::min(total, i + kBatch);
        for (size_t k = i; k < end; ++k) {
            const LibraryFile& f = *changed[k];
            readers[k - i].Read(m_appDir + (f.folder.empty() ? L"" : f.folder + L"\\") + f.name, f.name);
        }
        {
            std::lock_guard<std::mutex> hold(m_lock);
            for (size_t k = i; k < end; ++k) m_store.Put(*changed[k], readers[k - i].Text());
            m_store.Flush();
        }
        // Progress is shown only for a build that takes a while: a small library keeps
        // the file list's own status text.
        if (showProgress && m_notify && (shown || ::GetTickCount() - started > 500)) {
            shown = true;
            ::PostMessageW(m_notify, WM_SEARCH_INDEX_PROGRESS, end, total);
        }
    }
    if (!changed.empty() || !gone.empty()) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_store.CompactIfNeeded();
    }
    return showProgress ? shown : (!changed.empty() || !gone.empty());
}

unsigned LibrarySearch::AskForWalk() {
    unsigned ticket;
    {
        std::lock_guard<std::mutex> hold(m_walkLock);
        ticket = ++m_walksAsked;
    }
    m_walkChanged.notify_all();
    return ticket;
}

bool LibrarySearch::WaitForWalk(DWORD ms) {
    if (!m_worker.joinable()) return false;
    unsigned ticket = AskForWalk();
    std::unique_lock<std::mutex> wait(m_walkLock);
    return m_walkChanged.wait_for(wait, std::chrono::milliseconds(ms),
                                  [&] { return m_stop || (int)(m_walksDone - ticket) >= 0; });
}

LibrarySearch::Outcome LibrarySearch::Search(const std::wstring& query, std::vector<SearchHit>& hits) {
    hits.clear();
    if (!m_ready) return Outcome::Indexing;
    // A library whose walk takes longer than the wait gets its results at once, and is
    // walked again only when the last walk is a second old: searches in a row do not
    // keep a walk running beside them.
    if (m_lastWalkMs < kWalkWaitMs) WaitForWalk(kWalkWaitMs);
    else if (::GetTickCount() - m_lastWalkEnd > 1000) AskForWalk();
    std::lock_guard<std::mutex> hold(m_lock);
    m_store.Search(query, hits);
    return Outcome::Found;
}

bool LibrarySearch::FindSaved(const std::wstring& text, SearchHit& where) {
    if (!m_ready) return false;
    std::lock_guard<std::mutex> hold(m_lock);
    return m_store.FindContaining(FoldForSearch(text), where);
}

void LibrarySearch::FileSaved(const std::wstring& path) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_store.UpdateFile(path);
}

void LibrarySearch::FileRemoved(const std::wstring& path) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_store.RemoveFile(path);
}

void LibrarySearch::FileMoved(const std::wstring& from, const std::wstring& to) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_store.MoveFile(from, to);
}
