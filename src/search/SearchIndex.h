// The full-text index of the library: one SQLite file in the program folder,
// a table of the web texts (folder, name, times, reader text) and a trigram
// index over their titles and texts.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;

struct SearchHit {
    std::wstring folder;   // relative to the program folder ("" = the program folder)
    std::wstring name;     // file name with its extension
    LONGLONG created = 0;  // creation time, FILETIME units (UTC)
};

class SearchIndex {
public:
    // appDir: the program folder with its trailing backslash.
    explicit SearchIndex(std::wstring appDir);
    ~SearchIndex();
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    // Opens the index file, or creates it. A file that is not an index of ours or
    // fails its check is deleted and a new empty index made in its place.
    // verify false skips the full check (a second connection to a checked file).
    bool Open(const std::wstring& dbPath, bool verify = true);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    // True once an operation met a damaged file (the index should be rebuilt).
    bool Damaged() const { return m_damaged; }

    // Brings the index in line with the library on disk: files that are new or
    // whose modification time or size changed are read, vanished ones dropped.
    // progress(done, total) may return false to stop early.
    bool Sync(const std::function<bool(int, int)>& progress = {});
    // One file saved or changed (absolute path); a missing file is dropped.
    bool UpdateFile(const std::wstring& path);
    bool RemoveFile(const std::wstring& path);
    // A file moved or renamed: the row keeps its text.
    bool MoveFile(const std::wstring& from, const std::wstring& to);

    // Web texts whose title or text holds every word of the query, most relevant
    // first, newest first among equals.
    bool Search(const std::wstring& query, std::vector<SearchHit>& hits);
    // A web text whose text holds the given (folded) text; false when none does.
    bool FindContaining(const std::wstring& foldedText, SearchHit& where);
    int Count();

private:
    bool Exec(const char* sql);
    bool CreateSchema();
    bool SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& name) const;
    bool IndexFile(const std::wstring& folder, const std::wstring& name, const WIN32_FILE_ATTRIBUTE_DATA& attrs);
    bool Check(int rc);
    std::wstring AllTrigrams(const std::wstring& word);
    bool LoadKnown();

    // What the index holds of each file, by lower-case relative path: read once,
    // then kept current, so that a sync only walks the folders.
    struct Known {
        std::wstring folder, name;
        LONGLONG mtime, size;
        unsigned pass;   // the last sync that met the file on disk
    };
    std::unordered_map<std::wstring, Known> m_known;
    bool m_knownLoaded = false;
    unsigned m_pass = 0;

    std::wstring m_appDir;
    std::wstring m_dbPath;
    sqlite3* m_db = nullptr;
    bool m_damaged = false;
};
