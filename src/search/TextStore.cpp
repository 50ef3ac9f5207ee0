#include "search/TextStore.h"
#include "search/ReaderText.h"
#include "search/SearchQuery.h"
#include "search/UnitScan.h"
#include <algorithm>
#include <cstring>

const wchar_t TextStore::kCatalogueName[] = L"LibraryText.cat";

namespace {

// Raised whenever the layout of the files changes: an older store is rebuilt.
const DWORD kVersion = 1;
const char kCatalogueMagic[4] = {'Z', 'L', 'T', 'C'};
const char kDataMagic[4] = {'Z', 'L', 'T', 'D'};
const ULONGLONG kHeaderUnits = 8;   // the data file's 16-byte header
const DWORD kMaxRecordBytes = 1 << 20;
const BYTE kPut = 1, kRemove = 2;
// Texts are written a few megabytes at a time (and whenever a change is done).
const size_t kFlushUnits = 1 << 20;

struct Header {
    char magic[4];
    DWORD version;
    ULONGLONG generation;
};
static_assert(sizeof(Header) == 16, "headers are 16 bytes");

DWORD Crc32(const void* data, size_t n) {
    static DWORD table[256];
    static bool made = false;
    if (!made) {
        for (DWORD i = 0; i < 256; ++i) {
            DWORD c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        made = true;
    }
    DWORD c = 0xFFFFFFFFu;
    auto* p = static_cast<const BYTE*>(data);
    for (size_t i = 0; i < n; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

template <class T> void Append(std::string& out, T v) { out.append(reinterpret_cast<const char*>(&v), sizeof(v)); }
void PutText(std::string& out, const std::wstring& s) {
    Append(out, (WORD)s.size());
    out.append(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(wchar_t));
}

// Reads what a record holds, never past its end.
struct Reader {
    const char* p;
    size_t left;
    bool ok = true;
    template <class T> T Get() {
        T v{};
        if (left < sizeof(T)) { ok = false; return v; }
        memcpy(&v, p, sizeof(T));
        p += sizeof(T);
        left -= sizeof(T);
        return v;
    }
    std::wstring Text() {
        WORD n = Get<WORD>();
        if (!ok || left < n * sizeof(wchar_t)) { ok = false; return L""; }
        std::wstring s(n, L'\0');
        memcpy(&s[0], p, n * sizeof(wchar_t));
        p += n * sizeof(wchar_t);
        left -= n * sizeof(wchar_t);
        return s;
    }
};

bool WriteAll(HANDLE h, const void* data, size_t n) {
    auto* p = static_cast<const char*>(data);
    while (n) {
        DWORD chunk = (DWORD)std::min<size_t>(n, 1 << 24), wrote = 0;
        if (!::WriteFile(h, p, chunk, &wrote, nullptr) || wrote != chunk) return false;
        p += chunk;
        n -= chunk;
    }
    return true;
}

bool ReadAll(HANDLE h, void* data, size_t n) {
    auto* p = static_cast<char*>(data);
    while (n) {
        DWORD chunk = (DWORD)std::min<size_t>(n, 1 << 24), got = 0;
        if (!::ReadFile(h, p, chunk, &got, nullptr) || got != chunk) return false;
        p += chunk;
        n -= chunk;
    }
    return true;
}

LONGLONG FileSizeOf(HANDLE h) {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(h, &size) ? size.QuadPart : -1;
}

LONGLONG Time(const FILETIME& t) { return (LONGLONG)(((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime); }

void Walk(const std::wstring& appDir, const std::wstring& rel, std::vector<LibraryFile>& out, int depth) {
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
        LibraryFile f;
        f.folder = rel;
        f.name = std::move(name);
        f.mtime = Time(fd.ftLastWriteTime);
        f.ctime = Time(fd.ftCreationTime);
        f.size = (LONGLONG)(((ULONGLONG)fd.nFileSizeHigh << 32) | fd.nFileSizeLow);
        out.push_back(std::move(f));
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    for (auto& d : dirs) Walk(appDir, d, out, depth + 1);
}

}  // namespace

std::vector<LibraryFile> WalkLibrary(const std::wstring& appDir) {
    std::vector<LibraryFile> out;
    Walk(appDir, L"", out, 0);
    return out;
}

const StoredText& StoredTextReader::Read(const std::wstring& path, const std::wstring& name) {
    if (!ReadFileBytes(path, m_bytes)) m_bytes.clear();   // unreadable now: stored empty, read again when it changes
    FoldedReaderText(m_bytes, m_text, m_decoded);
    m_out.title = FoldForSearch(name.size() > 4 ? name.substr(0, name.size() - 4) : name);
    if (!m_text.title.empty() && m_text.title != m_out.title) m_out.title += L" " + m_text.title;
    m_out.body.swap(m_text.body);
    return m_out;
}

TextStore::TextStore(std::wstring appDir) : m_appDir(std::move(appDir)) {}

TextStore::~TextStore() { Close(); }

std::wstring TextStore::Key(const std::wstring& folder, const std::wstring& name) {
    std::wstring k = folder + L"\\" + name;
    ::CharLowerBuffW(&k[0], (DWORD)k.size());
    return k;
}

std::wstring TextStore::DataPath(ULONGLONG generation) const {
    return m_appDir + L"LibraryText-" + std::to_wstring(generation) + L".dat";
}

void TextStore::Unmap() {
    if (m_view) ::UnmapViewOfFile(m_view);
    if (m_mapping) ::CloseHandle(m_mapping);
    m_view = nullptr;
    m_mapping = nullptr;
    m_mappedUnits = 0;
    m_tail.clear();
    m_remap = false;
}

void TextStore::Close() {
    if (m_data != INVALID_HANDLE_VALUE && m_cat != INVALID_HANDLE_VALUE) Flush();
    m_pending.clear();
    m_pendingCat.clear();
    Unmap();
    if (m_data != INVALID_HANDLE_VALUE) ::CloseHandle(m_data);
    if (m_cat != INVALID_HANDLE_VALUE) ::CloseHandle(m_cat);
    m_data = m_cat = INVALID_HANDLE_VALUE;
    m_records.clear();
    m_entries.clear();
    m_dataUnits = m_liveUnits = 0;
    m_loaded = false;
}

void TextStore::DeleteFiles() {
    ULONGLONG gen = m_generation;
    Close();
    ::DeleteFileW((m_appDir + kCatalogueName).c_str());
    ::DeleteFileW(DataPath(gen).c_str());
    RemoveStrayFiles();
}

void TextStore::RemoveStrayFiles() {
    // Data files of other generations: left by a rewrite that did not finish, or not yet removed.
    ::DeleteFileW((m_appDir + kCatalogueName + L".tmp").c_str());
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((m_appDir + L"LibraryText-*.dat").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    std::wstring keep = IsOpen() ? DataPath(m_generation).substr(m_appDir.size()) : L"";
    do {
        if (_wcsicmp(fd.cFileName, keep.c_str()) != 0) ::DeleteFileW((m_appDir + fd.cFileName).c_str());
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
}

bool TextStore::Open() {
    Close();
    // The index file of earlier versions is of no use any more, and large.
    for (const wchar_t* old : {L"LibraryIndex.db", L"LibraryIndex.db-wal", L"LibraryIndex.db-shm"})
        ::DeleteFileW((m_appDir + old).c_str());
    if (Load()) {
        m_loaded = true;
        RemoveStrayFiles();
        return true;
    }
    // Damaged, foreign, of another layout or missing: an empty store replaces it.
    DeleteFiles();
    return CreateEmpty(1);
}

bool TextStore::OpenData(ULONGLONG generation, bool create) {
    m_data = ::CreateFileW(DataPath(generation).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_data != INVALID_HANDLE_VALUE;
}

bool TextStore::CreateEmpty(ULONGLONG generation) {
    Close();
    m_generation = generation;
    Header h{{}, kVersion, generation};
    memcpy(h.magic, kDataMagic, 4);
    if (!OpenData(generation, true) || !WriteAll(m_data, &h, sizeof(h))) {
        Close();
        return false;
    }
    memcpy(h.magic, kCatalogueMagic, 4);
    m_cat = ::CreateFileW((m_appDir + kCatalogueName).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_cat == INVALID_HANDLE_VALUE || !WriteAll(m_cat, &h, sizeof(h))) {
        Close();
        return false;
    }
    m_dataUnits = kHeaderUnits;
    return MapData();
}

bool TextStore::MapData() {
    Unmap();
    m_mappedUnits = m_dataUnits;
    m_mapping = ::CreateFileMappingW(m_data, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (m_mapping) m_view = static_cast<const wchar_t*>(::MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 0));
    if (!m_view) {
        Close();
        return false;
    }
    return true;
}

bool TextStore::Load() {
    m_cat = ::CreateFileW((m_appDir + kCatalogueName).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_cat == INVALID_HANDLE_VALUE) return false;
    LONGLONG catSize = FileSizeOf(m_cat);
    if (catSize < (LONGLONG)sizeof(Header) || catSize > (1LL << 31)) return false;
    std::string bytes((size_t)catSize, '\0');
    if (!ReadAll(m_cat, &bytes[0], bytes.size())) return false;
    Header h;
    memcpy(&h, bytes.data(), sizeof(h));
    if (memcmp(h.magic, kCatalogueMagic, 4) != 0 || h.version != kVersion || h.generation == 0) return false;
    m_generation = h.generation;

    // The data file must be the catalogue's own generation, whole as far as the catalogue says.
    if (!OpenData(m_generation, false)) return false;
    LONGLONG dataSize = FileSizeOf(m_data);
    Header d{};
    DWORD got = 0;
    if (dataSize < (LONGLONG)sizeof(Header) || (dataSize & 1) || !::ReadFile(m_data, &d, sizeof(d), &got, nullptr) ||
        got != sizeof(d) || memcmp(d.magic, kDataMagic, 4) != 0 || d.version != kVersion || d.generation != m_generation)
        return false;
    m_dataUnits = (ULONGLONG)dataSize / 2;

    size_t at = sizeof(Header);
    while (at < bytes.size()) {
        // A record cut short or not matching its checksum ends the catalogue: what a crash
        // during an append leaves. The file is cut back there so new records follow good ones.
        DWORD len = 0, crc = 0;
        bool whole = bytes.size() - at >= 8;
        if (whole) {
            memcpy(&len, bytes.data() + at, 4);
            memcpy(&crc, bytes.data() + at + 4, 4);
            whole = len > 0 && len <= kMaxRecordBytes && bytes.size() - at - 8 >= len &&
                    Crc32(bytes.data() + at + 8, len) == crc;
        }
        if (!whole) {
            LARGE_INTEGER pos;
            pos.QuadPart = (LONGLONG)at;
            if (!::SetFilePointerEx(m_cat, pos, nullptr, FILE_BEGIN) || !::SetEndOfFile(m_cat)) return false;
            break;
        }
        bool damaged = false;
        Apply(bytes.substr(at + 8, len), damaged);
        if (damaged) return false;
        at += 8 + len;
    }
    // Records must lie one after the other inside the data file.
    std::sort(m_records.begin(), m_records.end(), [](const Record& a, const Record& b) { return a.offset < b.offset; });
    ULONGLONG end = kHeaderUnits;
    for (size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].offset < end) return false;
        end = m_records[i].End();
        if (m_records[i].entry) const_cast<Entry*>(m_records[i].entry)->record = i;
    }
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(m_cat, zero, nullptr, FILE_END)) return false;
    return MapData();
}

bool TextStore::Apply(const std::string& payload, bool& damaged) {
    Reader r{payload.data(), payload.size()};
    BYTE kind = r.Get<BYTE>();
    if (kind == kPut) {
        Record rec{};
        rec.offset = r.Get<ULONGLONG>();
        rec.titleLen = r.Get<DWORD>();
        rec.bodyLen = r.Get<DWORD>();
        Entry e{};
        e.mtime = r.Get<LONGLONG>();
        e.size = r.Get<LONGLONG>();
        e.ctime = r.Get<LONGLONG>();
        e.folder = r.Text();
        e.name = r.Text();
        // Lengths and offsets are checked against the data file before anything is read there.
        if (!r.ok || e.name.empty() || rec.offset < kHeaderUnits || rec.offset > m_dataUnits ||
            (ULONGLONG)rec.titleLen + rec.bodyLen + 2 > m_dataUnits - rec.offset) {
            damaged = true;
            return false;
        }
        std::wstring key = Key(e.folder, e.name);
        Forget(key);
        e.record = m_records.size();
        auto& slot = m_entries[key] = std::move(e);
        rec.entry = &slot;
        m_records.push_back(rec);
        m_liveUnits += rec.End() - rec.offset;
        return true;
    }
    if (kind == kRemove) {
        std::wstring folder = r.Text(), name = r.Text();
        if (!r.ok) {
            damaged = true;
            return false;
        }
        Forget(Key(folder, name));
        return true;
    }
    damaged = true;
    return false;
}

void TextStore::Forget(const std::wstring& key) {
    auto it = m_entries.find(key);
    if (it == m_entries.end()) return;
    Record& rec = m_records[it->second.record];
    rec.entry = nullptr;
    m_liveUnits -= rec.End() - rec.offset;
    m_entries.erase(it);
}

bool TextStore::Put(const LibraryFile& file, const StoredText& text) {
    if (!IsOpen()) return false;
    const size_t titleLen = std::min<size_t>(text.title.size(), 0xFFFF), bodyLen = std::min<size_t>(text.body.size(), 0x3FFFFFFF);
    const size_t units = titleLen + bodyLen + 2;
    Record rec{m_dataUnits, (DWORD)titleLen, (DWORD)bodyLen, nullptr};
    // Copied once, into what is written next; a NUL would end a text early in a search:
    // the store keeps none but the two that end title and text.
    size_t from = m_pending.size();
    m_pending.append(text.title, 0, titleLen);
    m_pending += L'\0';
    m_pending.append(text.body, 0, bodyLen);
    m_pending += L'\0';
    wchar_t* p = &m_pending[from];
    std::replace(p, p + titleLen, L'\0', L' ');
    std::replace(p + titleLen + 1, p + units - 1, L'\0', L' ');
    std::string payload;
    Append(payload, kPut);
    Append(payload, rec.offset);
    Append(payload, rec.titleLen);
    Append(payload, rec.bodyLen);
    Append(payload, file.mtime);
    Append(payload, file.size);
    Append(payload, file.ctime);
    PutText(payload, file.folder);
    PutText(payload, file.name);
    AddRecord(payload);
    // A build appends the whole library: beyond a few megabytes the texts are not kept
    // twice, and the file is mapped again when it is next read (mapping copies the file
    // under some systems: once per build, not once per few megabytes).
    if (!m_remap && m_tail.size() + units <= (8u << 20)) m_tail.append(p, units);
    else m_remap = true;
    m_dataUnits += units;
    std::wstring key = Key(file.folder, file.name);
    Forget(key);
    Entry e{file.folder, file.name, file.mtime, file.size, file.ctime, m_records.size()};
    auto& slot = m_entries[key] = std::move(e);
    rec.entry = &slot;
    m_records.push_back(rec);
    m_liveUnits += units;
    return m_pending.size() < kFlushUnits || Flush();
}

void TextStore::AddRecord(const std::string& payload) {
    Append(m_pendingCat, (DWORD)payload.size());
    Append(m_pendingCat, Crc32(payload.data(), payload.size()));
    m_pendingCat += payload;
}

bool TextStore::Flush() {
    if (!IsOpen()) return false;
    if (m_pending.empty() && m_pendingCat.empty()) return true;
    // The texts first: a catalogue record never points at data not yet written.
    LARGE_INTEGER end{};
    end.QuadPart = (LONGLONG)(m_dataUnits - m_pending.size()) * 2;
    bool ok = ::SetFilePointerEx(m_data, end, nullptr, FILE_BEGIN) && WriteAll(m_data, m_pending.data(), m_pending.size() * 2) &&
              WriteAll(m_cat, m_pendingCat.data(), m_pendingCat.size());
    m_pending.clear();
    m_pendingCat.clear();
    // What memory holds is ahead of the files now: what they hold is read again.
    if (!ok) Open();
    return ok;
}

bool TextStore::RemoveKey(const std::wstring& key) {
    auto it = m_entries.find(key);
    if (!IsOpen() || it == m_entries.end()) return true;
    std::string payload;
    Append(payload, kRemove);
    PutText(payload, it->second.folder);
    PutText(payload, it->second.name);
    // After the puts not yet written, in the order they were made.
    AddRecord(payload);
    Forget(key);
    return m_pendingCat.size() < kFlushUnits || Flush();
}

void TextStore::Diff(const std::vector<LibraryFile>& disk, std::vector<const LibraryFile*>& changed,
                     std::vector<std::wstring>& gone) const {
    std::unordered_map<std::wstring, bool> seen;
    for (auto& f : disk) {
        std::wstring key = Key(f.folder, f.name);
        auto it = m_entries.find(key);
        if (it == m_entries.end() || it->second.mtime != f.mtime || it->second.size != f.size ||
            it->second.folder != f.folder || it->second.name != f.name)
            changed.push_back(&f);
        seen[key] = true;
    }
    for (auto& e : m_entries)
        if (!seen.count(e.first)) gone.push_back(e.first);
}

bool TextStore::Sync(const std::function<bool(int, int)>& progress) {
    if (!IsOpen()) return false;
    std::vector<LibraryFile> disk = WalkLibrary(m_appDir);
    std::vector<const LibraryFile*> changed;
    std::vector<std::wstring> gone;
    Diff(disk, changed, gone);
    bool ok = true;
    for (auto& key : gone) ok = RemoveKey(key) && ok;
    int total = (int)changed.size();
    StoredTextReader reader;
    for (int i = 0; ok && i < total; ++i) {
        const LibraryFile& f = *changed[i];
        ok = Put(f, reader.Read(m_appDir + (f.folder.empty() ? L"" : f.folder + L"\\") + f.name, f.name));
        if (ok && progress && (i % 64 == 0 || i + 1 == total) && !progress(i + 1, total)) return Flush() && ok;
    }
    return Flush() && ok && CompactIfNeeded();
}

bool TextStore::SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& name) const {
    if (path.size() <= m_appDir.size() || _wcsnicmp(path.c_str(), m_appDir.c_str(), m_appDir.size()) != 0) return false;
    std::wstring rel = path.substr(m_appDir.size());
    size_t slash = rel.find_last_of(L'\\');
    folder = slash == std::wstring::npos ? L"" : rel.substr(0, slash);
    name = slash == std::wstring::npos ? rel : rel.substr(slash + 1);
    return !name.empty();
}

bool TextStore::UpdateFile(const std::wstring& path) {
    LibraryFile f;
    if (!IsOpen() || !SplitPath(path, f.folder, f.name)) return false;
    WIN32_FILE_ATTRIBUTE_DATA attrs{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attrs) ||
        (attrs.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return RemoveFile(path);
    f.mtime = Time(attrs.ftLastWriteTime);
    f.ctime = Time(attrs.ftCreationTime);
    f.size = (LONGLONG)(((ULONGLONG)attrs.nFileSizeHigh << 32) | attrs.nFileSizeLow);
    StoredTextReader reader;
    return Put(f, reader.Read(path, f.name)) && Flush();
}

bool TextStore::RemoveFile(const std::wstring& path) {
    std::wstring folder, name;
    if (!IsOpen() || !SplitPath(path, folder, name)) return false;
    return RemoveKey(Key(folder, name)) && Flush();
}

bool TextStore::MoveFile(const std::wstring& from, const std::wstring& to) {
    std::wstring folder, name;
    if (!IsOpen() || !SplitPath(from, folder, name)) return false;
    return RemoveKey(Key(folder, name)) && UpdateFile(to);
}

const wchar_t* TextStore::Units(ULONGLONG offset) const {
    return offset < m_mappedUnits ? m_view + offset : m_tail.data() + (offset - m_mappedUnits);
}

long TextStore::RecordAt(ULONGLONG unit) const {
    auto it = std::upper_bound(m_records.begin(), m_records.end(), unit,
                               [](ULONGLONG u, const Record& r) { return u < r.offset; });
    if (it == m_records.begin()) return -1;
    --it;
    return unit < it->End() ? (long)(it - m_records.begin()) : -1;
}

namespace {
struct Candidate {
    size_t record;
    int titleWords;
    ULONGLONG count;
};

// Occurrences of a word in [from, to); how many of them start before titleEnd.
ULONGLONG CountIn(const wchar_t* from, const wchar_t* to, const std::wstring& w, const wchar_t* titleEnd, bool& inTitle) {
    ULONGLONG n = 0;
    for (const wchar_t* p = from; (p = FindUnits(p, to - p, w.data(), w.size())) != nullptr; p += 1) {
        ++n;
        if (p < titleEnd) inTitle = true;
    }
    return n;
}
}  // namespace

bool TextStore::EnsureMapped() {
    if (!Flush()) return false;
    if (m_remap) {
        m_remap = false;
        return MapData();
    }
    return IsOpen();
}

bool TextStore::Search(const std::wstring& query, std::vector<SearchHit>& hits) {
    hits.clear();
    if (!EnsureMapped()) return false;
    std::vector<std::wstring> words = QueryWords(query);
    if (words.empty()) return true;
    // The longest word first: it finds the fewest texts, and the others are looked for
    // only in those.
    std::stable_sort(words.begin(), words.end(), [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    std::vector<Candidate> found;
    const std::wstring& w = words[0];
    // The mapped data, then the texts appended since it was mapped.
    const ULONGLONG bounds[2][2] = {{kHeaderUnits, m_mappedUnits}, {m_mappedUnits, m_dataUnits}};
    for (auto& b : bounds) {
        if (b[1] <= b[0]) continue;
        const wchar_t* base = Units(b[0]) - b[0];   // so that base + unit is the unit's address
        ULONGLONG u = b[0];
        while (u < b[1]) {
            const wchar_t* hit = FindUnits(base + u, (size_t)(b[1] - u), w.data(), w.size());
            if (!hit) break;
            ULONGLONG at = (ULONGLONG)(hit - base);
            long r = RecordAt(at);
            if (r < 0) { u = at + 1; continue; }
            const Record& rec = m_records[r];
            if (rec.entry) {
                bool inTitle = false;
                ULONGLONG n = CountIn(hit, base + rec.End(), w, base + rec.offset + rec.titleLen, inTitle);
                found.push_back({(size_t)r, inTitle ? 1 : 0, n});
            }
            u = rec.End();
        }
    }
    for (size_t k = 1; k < words.size() && !found.empty(); ++k) {
        std::vector<Candidate> kept;
        for (auto& c : found) {
            const Record& rec = m_records[c.record];
            const wchar_t* start = Units(rec.offset);
            bool inTitle = false;
            ULONGLONG n = CountIn(start, start + (rec.End() - rec.offset), words[k], start + rec.titleLen, inTitle);
            if (!n) continue;
            kept.push_back({c.record, c.titleWords + (inTitle ? 1 : 0), c.count + n});
        }
        found.swap(kept);
    }
    std::sort(found.begin(), found.end(), [&](const Candidate& a, const Candidate& b) {
        if (a.titleWords != b.titleWords) return a.titleWords > b.titleWords;
        if (a.count != b.count) return a.count > b.count;
        return m_records[a.record].entry->ctime > m_records[b.record].entry->ctime;
    });
    for (auto& c : found) {
        const Entry& e = *m_records[c.record].entry;
        hits.push_back({e.folder, e.name, e.ctime});
    }
    return true;
}

bool TextStore::FindContaining(const std::wstring& folded, SearchHit& where) {
    if (!EnsureMapped() || CharCount(folded) < 3) return false;
    const Entry* best = nullptr;
    for (const Record& rec : m_records) {
        if (!rec.entry || rec.bodyLen < folded.size()) continue;
        const wchar_t* body = Units(rec.offset) + rec.titleLen + 1;
        if (FindUnits(body, rec.bodyLen, folded.data(), folded.size()) && (!best || rec.entry->ctime < best->ctime))
            best = rec.entry;
    }
    if (!best) return false;
    where = {best->folder, best->name, best->ctime};
    return true;
}

size_t TextStore::Prefault(size_t from, size_t bytes) {
    if (!EnsureMapped()) return from + bytes;
    // One read a page makes every page of the mapping present for the searches to come.
    size_t end = std::min<size_t>((size_t)m_mappedUnits * 2, from + bytes);
    volatile const char* p = reinterpret_cast<const char*>(m_view);
    char sum = 0;
    for (size_t at = from; p && at < end; at += 4096) sum = (char)(sum + p[at]);
    (void)sum;
    return end;
}

bool TextStore::CompactIfNeeded(bool force) {
    if (!EnsureMapped()) return false;
    ULONGLONG dead = m_dataUnits - kHeaderUnits - m_liveUnits;
    if (!force && (dead < (1u << 16) || dead * 4 <= m_dataUnits)) return true;
    // The live texts into the next generation's data file, then a catalogue of only them
    // beside it; replacing the catalogue is the one step that makes the new pair current.
    const ULONGLONG next = m_generation + 1;
    const std::wstring dataPath = DataPath(next), catPath = m_appDir + kCatalogueName, tmpPath = catPath + L".tmp";
    HANDLE data = ::CreateFileW(dataPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE cat = ::CreateFileW(tmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Header h{{}, kVersion, next};
    memcpy(h.magic, kDataMagic, 4);
    bool ok = data != INVALID_HANDLE_VALUE && cat != INVALID_HANDLE_VALUE && WriteAll(data, &h, sizeof(h));
    memcpy(h.magic, kCatalogueMagic, 4);
    ok = ok && WriteAll(cat, &h, sizeof(h));
    ULONGLONG at = kHeaderUnits;
    std::string catalogue;
    for (const Record& rec : m_records) {
        if (!ok || !rec.entry) continue;
        ULONGLONG n = rec.End() - rec.offset;
        ok = WriteAll(data, Units(rec.offset), (size_t)n * 2);
        std::string payload;
        Append(payload, kPut);
        Append(payload, at);
        Append(payload, rec.titleLen);
        Append(payload, rec.bodyLen);
        Append(payload, rec.entry->mtime);
        Append(payload, rec.entry->size);
        Append(payload, rec.entry->ctime);
        PutText(payload, rec.entry->folder);
        PutText(payload, rec.entry->name);
        Append(catalogue, (DWORD)payload.size());
        Append(catalogue, Crc32(payload.data(), payload.size()));
        catalogue += payload;
        at += n;
    }
    ok = ok && WriteAll(cat, catalogue.data(), catalogue.size());
    if (data != INVALID_HANDLE_VALUE) ::CloseHandle(data);
    if (cat != INVALID_HANDLE_VALUE) ::CloseHandle(cat);
    if (ok) {
        // The catalogue is closed first: the replace needs it.
        ::CloseHandle(m_cat);
        m_cat = INVALID_HANDLE_VALUE;
        ok = ::MoveFileExW(tmpPath.c_str(), catPath.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    }
    if (!ok) {
        ::DeleteFileW(tmpPath.c_str());
        ::DeleteFileW(dataPath.c_str());
        // What is on disk is still the old pair: read it again.
        Open();
        return false;
    }
    return Open();   // loads the new pair and removes the old data file
}
