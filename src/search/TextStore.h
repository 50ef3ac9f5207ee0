// The library's text store: the reader text (folded title and text) of every web
// text, one after the other in one UTF-16 file in the program folder, with a
// catalogue of where each text lies. A search scans the texts themselves: no index.
//
// Files: LibraryText.cat, the catalogue: a header naming the generation of its data
// file, then records (one text put or removed), each with its length and checksum, so
// a record cut short by a crash is ignored. LibraryText-<generation>.dat holds the
// texts. A change appends to both; when more than a quarter of the data is dead the
// live texts are written to a data file of the next generation and a new catalogue
// replaces the old one in one step, so a crash leaves either the old or the new pair.
#pragma once
#include <windows.h>
#include "search/ReaderText.h"
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

struct SearchHit {
    std::wstring folder;   // relative to the program folder ("" = the program folder)
    std::wstring name;     // file name with its extension
    LONGLONG created = 0;  // creation time, FILETIME units (UTC)
};

// A .htm file of the library as a directory walk meets it.
struct LibraryFile {
    std::wstring folder, name;
    LONGLONG mtime = 0, size = 0, ctime = 0;
};

// The .htm files of the library: every folder but "images" ones, links not followed.
std::vector<LibraryFile> WalkLibrary(const std::wstring& appDir);

// What the store keeps of one file: the folded title (file name, then the <TITLE>
// when it differs) and the folded text.
struct StoredText {
    std::wstring title, body;
};
// Reads web-text files one after another and takes out their reader text, in memory
// kept from one file to the next: a text's worth taken and given back for every file
// fragments the heap of some systems until each allocation takes long.
class StoredTextReader {
public:
    // The text of a file (empty when unreadable); valid until the next Read.
    const StoredText& Read(const std::wstring& path, const std::wstring& name);
    const StoredText& Text() const { return m_out; }

private:
    std::string m_bytes;
    std::wstring m_decoded;
    ReaderText m_text;
    StoredText m_out;
};

class TextStore {
public:
    static const wchar_t kCatalogueName[];   // LibraryText.cat

    // appDir: the program folder with its trailing backslash; the store lives there.
    explicit TextStore(std::wstring appDir);
    ~TextStore();
    TextStore(const TextStore&) = delete;
    TextStore& operator=(const TextStore&) = delete;

    // Loads the store, or makes an empty one: a damaged, foreign or unreadable store
    // is deleted first. False only when no store can be made at all.
    bool Open();
    void Close();
    bool IsOpen() const { return m_data != INVALID_HANDLE_VALUE; }
    // True when Open found a whole store of an earlier run (not a new, empty one).
    bool Loaded() const { return m_loaded; }

    // The walk's files compared with the store: those to read again, and the keys
    // of those gone from disk.
    void Diff(const std::vector<LibraryFile>& disk, std::vector<const LibraryFile*>& changed,
              std::vector<std::wstring>& gone) const;
    // Put and RemoveKey are written a few megabytes at a time: Flush writes what is left.
    // A failed write reads the store again from its files.
    bool Put(const LibraryFile& file, const StoredText& text);
    bool RemoveKey(const std::wstring& key);
    bool Flush();
    // Brings the store in line with the library on disk in one go (walk, read, put).
    // progress(done, total) may return false to stop early.
    bool Sync(const std::function<bool(int, int)>& progress = {});
    // One file saved or changed (absolute path); a missing file is dropped. These three
    // leave the rewrite of a store with much dead data to the next Sync or CompactIfNeeded.
    bool UpdateFile(const std::wstring& path);
    bool RemoveFile(const std::wstring& path);
    // A file moved or renamed: read again under its new name (the name is in its title).
    bool MoveFile(const std::wstring& from, const std::wstring& to);

    // Web texts whose title or text holds every word of the query: title hits first,
    // then the most occurrences, then the newest.
    bool Search(const std::wstring& query, std::vector<SearchHit>& hits);
    // The oldest web text whose text holds the given folded text; false when none does.
    bool FindContaining(const std::wstring& foldedText, SearchHit& where);
    int Count() const { return (int)m_entries.size(); }

    // Writes the live texts into a new data file when more than a quarter is dead
    // (force: always).
    bool CompactIfNeeded(bool force = false);
    // Reads one byte of every page in [from, from + bytes) of the mapped data, so that
    // later searches find it in memory; returns where it stopped (the end: no more).
    size_t Prefault(size_t from, size_t bytes);
    size_t MappedBytes() const { return (size_t)(m_remap ? m_dataUnits : m_mappedUnits) * 2; }
    // Lower-case relative path: the key of a file in the store.
    static std::wstring Key(const std::wstring& folder, const std::wstring& name);

private:
    struct Entry {
        std::wstring folder, name;
        LONGLONG mtime, size, ctime;
        size_t record;
    };
    struct Record {
        ULONGLONG offset;      // first unit of the title in the data
        DWORD titleLen, bodyLen;
        const Entry* entry;    // null when dead (the map's elements do not move)
        ULONGLONG End() const { return offset + titleLen + 1 + bodyLen + 1; }
    };

    bool Load();
    bool CreateEmpty(ULONGLONG generation);
    bool OpenData(ULONGLONG generation, bool create);
    bool MapData();
    bool EnsureMapped();
    void Unmap();
    void DeleteFiles();
    void RemoveStrayFiles();
    void AddRecord(const std::string& payload);
    bool Apply(const std::string& payload, bool& damaged);
    const wchar_t* Units(ULONGLONG offset) const;
    long RecordAt(ULONGLONG unit) const;
    std::wstring DataPath(ULONGLONG generation) const;
    bool SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& name) const;
    void Forget(const std::wstring& key);

    std::wstring m_appDir;
    HANDLE m_data = INVALID_HANDLE_VALUE;
    HANDLE m_cat = INVALID_HANDLE_VALUE;
    HANDLE m_mapping = nullptr;
    const wchar_t* m_view = nullptr;
    ULONGLONG m_mappedUnits = 0;   // the data file's units when it was mapped
    std::wstring m_tail;           // texts appended since: kept here, searched too
    std::wstring m_pending;        // texts appended, not yet written: the last units of m_dataUnits
    std::string m_pendingCat;      // their catalogue records, written after them
    bool m_remap = false;          // appended beyond what the tail keeps: map again before reading
    ULONGLONG m_dataUnits = 0;     // units in the data file, header included
    ULONGLONG m_liveUnits = 0;
    ULONGLONG m_generation = 0;
    bool m_loaded = false;
    std::vector<Record> m_records;   // by offset
    std::unordered_map<std::wstring, Entry> m_entries;
};
