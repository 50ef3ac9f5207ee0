#include "search/LibrarySearch.h"
#include "search/ReaderText.h"
#include "search/SqliteMemory.h"

const wchar_t LibrarySearch::kIndexFileName[] = L"LibraryIndex.db";

LibrarySearch::LibrarySearch(std::wstring appDir, HWND notify) : m_appDir(std::move(appDir)), m_notify(notify) {}

LibrarySearch::~LibrarySearch() {
    m_stop = true;
    if (m_worker.joinable()) m_worker.join();
}

void LibrarySearch::Start() {
    if (m_worker.joinable()) m_worker.join();
    m_ready = false;
    m_stop = false;
    try {
        m_worker = std::thread([this] { Build(); });
    } catch (...) {
        Build();   // no thread to be had: build now rather than never
    }
}

void LibrarySearch::Build() {
    SearchIndex index(m_appDir);
    if (!index.Open(m_appDir + kIndexFileName)) return;   // no index: the program works without search
    // Progress is shown only for a build that takes a while: a small library keeps
    // the file list's own status text.
    DWORD started = ::GetTickCount();
    bool shown = false;
    auto progress = [&](int done, int total) {
        if (m_notify && (shown || ::GetTickCount() - started > 500)) {
            shown = true;
            ::PostMessageW(m_notify, WM_SEARCH_INDEX_PROGRESS, done, total);
        }
        return !m_stop;
    };
    bool ok = index.Sync(progress);
    if (!ok && index.Damaged()) {
        // Damaged while being read: started afresh once.
        index.Close();
        ::DeleteFileW((m_appDir + kIndexFileName).c_str());
        ok = index.Open(m_appDir + kIndexFileName) && index.Sync(progress);
    }
    if (!ok || m_stop) return;
    int count = index.Count();
    index.Close();
    ReleaseSqliteFreeMemory();   // what the build needed is not needed again soon
    m_ready = true;
    if (m_notify && shown) ::PostMessageW(m_notify, WM_SEARCH_INDEX_PROGRESS, (WPARAM)-1, count);
}

SearchIndex* LibrarySearch::UiIndex() {
    if (!m_ready) return nullptr;
    if (!m_ui) {
        auto index = std::make_unique<SearchIndex>(m_appDir);
        if (!index->Open(m_appDir + kIndexFileName, false)) {
            Restart();
            return nullptr;
        }
        m_ui = std::move(index);
    }
    return m_ui.get();
}

void LibrarySearch::Restart() {
    // The damage may lie where the start-up check does not look: a new file.
    m_ui.reset();
    if (m_worker.joinable()) m_worker.join();
    for (const wchar_t* end : {L"", L"-wal", L"-shm"}) ::DeleteFileW((m_appDir + kIndexFileName + end).c_str());
    Start();
}

LibrarySearch::Outcome LibrarySearch::Search(const std::wstring& query, std::vector<SearchHit>& hits) {
    hits.clear();
    SearchIndex* index = UiIndex();
    if (!index) return Outcome::Indexing;
    if (index->Sync() && index->Search(query, hits)) return Outcome::Found;
    if (index->Damaged()) {
        Restart();
        return Outcome::Indexing;
    }
    return Outcome::Found;
}

bool LibrarySearch::FindSaved(const std::wstring& text, SearchHit& where) {
    SearchIndex* index = UiIndex();
    return index && index->FindContaining(FoldForSearch(text), where);
}

void LibrarySearch::FileSaved(const std::wstring& path) {
    if (SearchIndex* index = UiIndex()) index->UpdateFile(path);
}

void LibrarySearch::FileRemoved(const std::wstring& path) {
    if (SearchIndex* index = UiIndex()) index->RemoveFile(path);
}

void LibrarySearch::FileMoved(const std::wstring& from, const std::wstring& to) {
    if (SearchIndex* index = UiIndex()) index->MoveFile(from, to);
}
