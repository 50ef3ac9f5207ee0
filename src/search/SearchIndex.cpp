#include "search/SearchIndex.h"
#include "search/ReaderText.h"
#include "search/SearchQuery.h"
#include "search/SqliteMemory.h"
#include <sqlite3.h>

namespace {

// Raised whenever the layout of the file changes: an older file is rebuilt.
const int kSchemaVersion = 2;

class Statement {
public:
    Statement(sqlite3* db, const wchar_t* sql) { rc = sqlite3_prepare16_v2(db, sql, -1, &stmt, nullptr); }
    ~Statement() { sqlite3_finalize(stmt); }
    bool Ok() const { return rc == SQLITE_OK && stmt; }
    Statement& Bind(int i, const std::wstring& s) {
        sqlite3_bind_text16(stmt, i, s.c_str(), (int)(s.size() * sizeof(wchar_t)), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int i, LONGLONG v) {
        sqlite3_bind_int64(stmt, i, v);
        return *this;
    }
    int Step() { return rc = sqlite3_step(stmt); }
    std::wstring Text(int i) {
        auto* p = static_cast<const wchar_t*>(sqlite3_column_text16(stmt, i));
        return p ? std::wstring(p, sqlite3_column_bytes16(stmt, i) / sizeof(wchar_t)) : std::wstring();
    }
    LONGLONG Int(int i) { return sqlite3_column_int64(stmt, i); }
    sqlite3_stmt* stmt = nullptr;
    int rc = SQLITE_OK;
};

LONGLONG Time(const FILETIME& t) { return (LONGLONG)(((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime); }
LONGLONG Size(const WIN32_FILE_ATTRIBUTE_DATA& a) { return (LONGLONG)(((ULONGLONG)a.nFileSizeHigh << 32) | a.nFileSizeLow); }

std::wstring Key(const std::wstring& folder, const std::wstring& name) {
    std::wstring k = folder + L"\\" + name;
    if (!k.empty()) ::CharLowerBuffW(&k[0], (DWORD)k.size());
    return k;
}

struct DiskFile {
    std::wstring folder, name;
    WIN32_FILE_ATTRIBUTE_DATA attrs;
};

// The .htm files of the library, every folder but "images" ones, links not followed.
void WalkLibrary(const std::wstring& appDir, const std::wstring& rel, std::vector<DiskFile>& out, int depth) {
    if (depth > 60) return;
    std::wstring abs = appDir + rel;
    if (!rel.empty()) abs += L"\\";
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileExW((abs + L"*").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> dirs;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && name != L"images")
                dirs.push_back(rel.empty() ? name : rel + L"\\" + name);
            continue;
        }
        size_t n = name.size();
        if (n < 4 || _wcsicmp(name.c_str() + n - 4, L".htm") != 0) continue;
        DiskFile f{rel, name, {}};
        f.attrs.dwFileAttributes = fd.dwFileAttributes;
        f.attrs.ftCreationTime = fd.ftCreationTime;
        f.attrs.ftLastWriteTime = fd.ftLastWriteTime;
        f.attrs.nFileSizeHigh = fd.nFileSizeHigh;
        f.attrs.nFileSizeLow = fd.nFileSizeLow;
        out.push_back(std::move(f));
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    for (auto& d : dirs) WalkLibrary(appDir, d, out, depth + 1);
}

}  // namespace

SearchIndex::SearchIndex(std::wstring appDir) : m_appDir(std::move(appDir)) {}

SearchIndex::~SearchIndex() { Close(); }

void SearchIndex::Close() {
    if (m_db) sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_known.clear();
    m_knownLoaded = false;
}

bool SearchIndex::Check(int rc) {
    int primary = rc & 0xFF;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) m_damaged = true;
    return primary == SQLITE_OK || primary == SQLITE_DONE || primary == SQLITE_ROW;
}

bool SearchIndex::Exec(const char* sql) { return Check(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr)); }

bool SearchIndex::CreateSchema() {
    // The reader text is kept once, in texts; the trigram index refers to it and
    // records only which texts hold a trigram, not where: a quarter of the size and
    // time of positions. A word of more than three characters is looked up by all
    // its trigrams and then confirmed in the stored text.
    // A trailing space after each text lets a two-character word be found as the
    // start of a trigram even at the very end.
    return Exec("BEGIN;"
                "CREATE TABLE IF NOT EXISTS texts(id INTEGER PRIMARY KEY, folder TEXT NOT NULL, name TEXT NOT NULL,"
                " mtime INTEGER, size INTEGER, ctime INTEGER, title TEXT, body TEXT);"
                "CREATE UNIQUE INDEX IF NOT EXISTS texts_path ON texts(folder COLLATE NOCASE, name COLLATE NOCASE);"
                "CREATE VIRTUAL TABLE IF NOT EXISTS fts USING fts5(title, body, content='texts', content_rowid='id',"
                " tokenize='trigram case_sensitive 1', detail=none);"
                "CREATE VIRTUAL TABLE IF NOT EXISTS fts_terms USING fts5vocab(fts, 'row');"
                "CREATE TRIGGER IF NOT EXISTS texts_ai AFTER INSERT ON texts BEGIN"
                " INSERT INTO fts(rowid, title, body) VALUES (new.id, new.title, new.body); END;"
                "CREATE TRIGGER IF NOT EXISTS texts_ad AFTER DELETE ON texts BEGIN"
                " INSERT INTO fts(fts, rowid, title, body) VALUES ('delete', old.id, old.title, old.body); END;"
                "CREATE TRIGGER IF NOT EXISTS texts_au AFTER UPDATE OF title, body ON texts BEGIN"
                " INSERT INTO fts(fts, rowid, title, body) VALUES ('delete', old.id, old.title, old.body);"
                " INSERT INTO fts(rowid, title, body) VALUES (new.id, new.title, new.body); END;"
                "PRAGMA user_version = 2;"
                "COMMIT;");
}

bool SearchIndex::Open(const std::wstring& dbPath, bool verify) {
    UseSqliteSizeClassMemory();
    Close();
    m_dbPath = dbPath;
    m_damaged = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool good = sqlite3_open16(dbPath.c_str(), &m_db) == SQLITE_OK;
        if (good) {
            sqlite3_busy_timeout(m_db, 10000);
            int version = -1;
            {
                Statement v(m_db, L"PRAGMA user_version");
                if (v.Ok() && v.Step() == SQLITE_ROW) version = (int)v.Int(0);
            }
            if (version == 0) {
                bool empty = false;
                {
                    Statement t(m_db, L"SELECT count(*) FROM sqlite_master");
                    empty = t.Ok() && t.Step() == SQLITE_ROW && t.Int(0) == 0;
                }
                // Large pages: every page read or written is a call to the system, and
                // the index is written in long runs.
                good = empty && Exec("PRAGMA page_size = 65536") && CreateSchema();
            } else {
                good = version == kSchemaVersion;
            }
            if (good && verify) {
                Statement check(m_db, L"PRAGMA quick_check");
                good = check.Ok() && check.Step() == SQLITE_ROW && check.Text(0) == L"ok";
            }
            // A large page cache: the trigram index writes big segments while it is built.
            // Pages read through a mapping of the file rather than one call each.
            if (good) good = Exec("PRAGMA journal_mode = WAL") && Exec("PRAGMA synchronous = NORMAL") &&
                             Exec("PRAGMA cache_size = -65536") &&
                             Exec(sizeof(void*) == 8 ? "PRAGMA mmap_size = 1073741824" : "PRAGMA mmap_size = 134217728");
        }
        if (good && !m_damaged) return true;
        // Not ours, damaged or of another layout: a new index replaces it.
        Close();
        m_damaged = false;
        ::DeleteFileW(dbPath.c_str());
        ::DeleteFileW((dbPath + L"-wal").c_str());
        ::DeleteFileW((dbPath + L"-shm").c_str());
        ::DeleteFileW((dbPath + L"-journal").c_str());
    }
    return false;
}

bool SearchIndex::SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& name) const {
    if (path.size() <= m_appDir.size() || _wcsnicmp(path.c_str(), m_appDir.c_str(), m_appDir.size()) != 0) return false;
    std::wstring rel = path.substr(m_appDir.size());
    size_t slash = rel.find_last_of(L'\\');
    folder = slash == std::wstring::npos ? L"" : rel.substr(0, slash);
    name = slash == std::wstring::npos ? rel : rel.substr(slash + 1);
    return !name.empty();
}

bool SearchIndex::IndexFile(const std::wstring& folder, const std::wstring& name,
                            const WIN32_FILE_ATTRIBUTE_DATA& attrs) {
    std::wstring path = m_appDir + (folder.empty() ? L"" : folder + L"\\") + name;
    std::wstring html;
    if (!ReadTextFile(path, html)) html.clear();   // unreadable now: indexed empty, read again when it changes
    ReaderText text = ExtractReaderText(html);
    std::wstring stem = name.size() > 4 ? name.substr(0, name.size() - 4) : name;
    std::wstring title = FoldForSearch(stem);
    std::wstring inner = FoldForSearch(text.title);
    if (!inner.empty() && inner != title) title += L" " + inner;
    Statement up(m_db, L"INSERT INTO texts(folder, name, mtime, size, ctime, title, body) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)"
                       L" ON CONFLICT(folder COLLATE NOCASE, name COLLATE NOCASE) DO UPDATE SET folder = ?1, name = ?2, mtime = ?3, size = ?4,"
                       L" ctime = ?5, title = ?6, body = ?7");
    if (!up.Ok()) return Check(up.rc);
    up.Bind(1, folder).Bind(2, name).Bind(3, Time(attrs.ftLastWriteTime)).Bind(4, Size(attrs))
        .Bind(5, Time(attrs.ftCreationTime)).Bind(6, title + L" ").Bind(7, FoldForSearch(text.body) + L" ");
    if (!Check(up.Step())) return false;
    if (m_knownLoaded) m_known[Key(folder, name)] = {folder, name, Time(attrs.ftLastWriteTime), Size(attrs), m_pass};
    return true;
}

bool SearchIndex::LoadKnown() {
    if (m_knownLoaded) return true;
    m_known.clear();
    Statement all(m_db, L"SELECT folder, name, mtime, size FROM texts");
    if (!all.Ok()) return Check(all.rc);
    while (all.Step() == SQLITE_ROW) {
        std::wstring folder = all.Text(0), name = all.Text(1);
        std::wstring key = Key(folder, name);
        m_known[key] = {std::move(folder), std::move(name), all.Int(2), all.Int(3), 0};
    }
    return m_knownLoaded = Check(all.rc);
}

bool SearchIndex::Sync(const std::function<bool(int, int)>& progress) {
    if (!m_db || !LoadKnown()) return false;
    // Every row the walk meets is marked; the unmarked ones have vanished.
    const unsigned pass = ++m_pass;
    std::vector<DiskFile> disk;
    WalkLibrary(m_appDir, L"", disk, 0);
    std::vector<const DiskFile*> changed;
    for (auto& f : disk) {
        auto it = m_known.find(Key(f.folder, f.name));
        if (it != m_known.end()) {
            it->second.pass = pass;
            if (it->second.mtime == Time(f.attrs.ftLastWriteTime) && it->second.size == Size(f.attrs)) continue;
        }
        changed.push_back(&f);
    }
    std::vector<std::wstring> gone;
    for (auto& k : m_known)
        if (k.second.pass != pass) gone.push_back(k.first);
    if (changed.empty() && gone.empty()) return true;
    bool ok = Exec("BEGIN");
    for (auto& key : gone) {
        const Known& k = m_known[key];
        Statement del(m_db, L"DELETE FROM texts WHERE folder = ?1 COLLATE NOCASE AND name = ?2 COLLATE NOCASE");
        ok = ok && del.Ok() && Check(del.Bind(1, k.folder).Bind(2, k.name).Step());
        if (ok) m_known.erase(key);
    }
    int total = (int)changed.size();
    bool stopped = false;
    for (int i = 0; ok && !stopped && i < total; ++i) {
        ok = IndexFile(changed[i]->folder, changed[i]->name, changed[i]->attrs);
        // Commit in batches so that saves of the window thread are not held up.
        if (ok && i % 2048 == 2047) ok = Exec("COMMIT") && Exec("BEGIN");
        stopped = ok && progress && (i % 64 == 0 || i + 1 == total) && !progress(i + 1, total);
    }
    ok = ok ? Exec("COMMIT") : (Exec("ROLLBACK"), false);
    if (!ok) m_knownLoaded = false;   // read again from the file next time
    return ok;
}

bool SearchIndex::UpdateFile(const std::wstring& path) {
    std::wstring folder, name;
    if (!m_db || !SplitPath(path, folder, name)) return false;
    WIN32_FILE_ATTRIBUTE_DATA attrs{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attrs) ||
        (attrs.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return RemoveFile(path);
    return IndexFile(folder, name, attrs);
}

bool SearchIndex::RemoveFile(const std::wstring& path) {
    std::wstring folder, name;
    if (!m_db || !SplitPath(path, folder, name)) return false;
    Statement del(m_db, L"DELETE FROM texts WHERE folder = ?1 COLLATE NOCASE AND name = ?2 COLLATE NOCASE");
    if (!del.Ok() || !Check(del.Bind(1, folder).Bind(2, name).Step())) return false;
    m_known.erase(Key(folder, name));
    return true;
}

bool SearchIndex::MoveFile(const std::wstring& from, const std::wstring& to) {
    std::wstring f1, n1, f2, n2;
    if (!m_db || !SplitPath(from, f1, n1) || !SplitPath(to, f2, n2)) return false;
    RemoveFile(to);
    Statement mv(m_db, L"UPDATE texts SET folder = ?3, name = ?4 WHERE folder = ?1 COLLATE NOCASE AND name = ?2 COLLATE NOCASE");
    if (!mv.Ok() || !Check(mv.Bind(1, f1).Bind(2, n1).Bind(3, f2).Bind(4, n2).Step())) return false;
    m_known.erase(Key(f1, n1));
    // The name is part of the title: the moved file is read again.
    return UpdateFile(to);
}

std::wstring SearchIndex::AllTrigrams(const std::wstring& word) {
    // A long word is narrowed down by its first trigrams; the stored text decides.
    std::vector<std::wstring> trigrams = WordTrigrams(word);
    if (trigrams.size() > 24) trigrams.resize(24);
    std::wstring all;
    for (auto& t : trigrams) all += (all.empty() ? L"" : L" AND ") + QuotedPhrase(t);
    return L"(" + all + L")";
}

bool SearchIndex::Search(const std::wstring& query, std::vector<SearchHit>& hits) {
    hits.clear();
    if (!m_db) return false;
    std::vector<std::wstring> words = QueryWords(query);
    if (words.empty()) return true;
    // The index narrows the texts down: a word of three characters and more by all
    // its trigrams, a pair by the texts of each trigram it starts (one lookup per
    // trigram: far quicker than one expression of them all). A single character
    // and every word longer than a trigram are then looked for in the stored text.
    // Relevance: words in the title first, then (when the index matched every
    // word as a whole) its ranking, then the newest.
    std::wstring match, where, titleHits;
    bool pairs = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::wstring& w = words[i];
        const std::wstring param = L"?" + std::to_wstring(i + 2);
        titleHits += (i ? L" + " : L"") + (L"(instr(t.title, " + param + L") > 0)");
        size_t n = CharCount(w);
        if (n >= 3) match += (match.empty() ? L"" : L" AND ") + AllTrigrams(w);
        if (n == 2) {
            pairs = true;
            where += L" AND t.id IN (SELECT f.rowid FROM fts_terms v JOIN fts f ON f.fts MATCH '\"' ||"
                     L" replace(v.term, '\"', '\"\"') || '\"' WHERE v.term >= " + param + L" AND v.term < " + param +
                     L" || char(1114111))";
        }
        if (n == 1 || n > 3)
            where += L" AND (instr(t.title, " + param + L") > 0 OR instr(t.body, " + param + L") > 0)";
    }
    std::wstring order = L" ORDER BY (" + titleHits + L") DESC" + (match.empty() || pairs ? L"" : L", bm25(fts)") +
                         L", t.ctime DESC";
    std::wstring sql = match.empty()
        ? L"SELECT t.folder, t.name, t.ctime FROM texts t WHERE ?1 IS NULL" + where + order
        : L"SELECT t.folder, t.name, t.ctime FROM fts JOIN texts t ON t.id = fts.rowid WHERE fts MATCH ?1" + where + order;
    Statement s(m_db, sql.c_str());
    if (!s.Ok()) return Check(s.rc);
    if (match.empty()) sqlite3_bind_null(s.stmt, 1); else s.Bind(1, match);
    for (size_t i = 0; i < words.size(); ++i) s.Bind((int)i + 2, words[i]);
    while (s.Step() == SQLITE_ROW) hits.push_back({s.Text(0), s.Text(1), s.Int(2)});
    return Check(s.rc);
}

bool SearchIndex::FindContaining(const std::wstring& folded, SearchHit& where) {
    if (!m_db || CharCount(folded) < 3) return false;
    // The trigrams of the start of the text find the candidates; the whole text decides.
    std::wstring head = folded.substr(0, 64);
    if (head.size() > 1 && head.back() >= 0xD800 && head.back() < 0xDC00) head.pop_back();
    Statement s(m_db, L"SELECT t.folder, t.name, t.ctime FROM fts JOIN texts t ON t.id = fts.rowid"
                      L" WHERE fts MATCH ?1 AND instr(t.body, ?2) > 0 ORDER BY t.ctime LIMIT 1");
    if (!s.Ok()) return Check(s.rc);
    s.Bind(1, AllTrigrams(head)).Bind(2, folded);
    if (s.Step() != SQLITE_ROW) return false;
    where = {s.Text(0), s.Text(1), s.Int(2)};
    return true;
}

int SearchIndex::Count() {
    if (!m_db) return 0;
    Statement c(m_db, L"SELECT count(*) FROM texts");
    return c.Ok() && c.Step() == SQLITE_ROW ? (int)c.Int(0) : 0;
}
