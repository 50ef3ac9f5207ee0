#include "search/SqliteMemory.h"
#include <windows.h>
#include <sqlite3.h>
#include <cstring>
#include <mutex>

namespace {

// The index build allocates and frees millions of blocks of many sizes (the
// full-text index's terms and their growing lists). A general heap that searches
// its free lists for a fitting block slows down as those lists grow long; here a
// freed block waits in the list of its size class for the next request of that
// class. Classes: four steps per doubling from 64 bytes up; larger blocks come
// from the heap directly.
constexpr int kClasses = 4 * 16;
constexpr size_t kDirect = (size_t)-1;

struct Head {   // before every block; 16 bytes keep the caller's block aligned
    size_t cls;   // while the block waits in a free list, the next free block
    size_t size;
};

size_t g_size[kClasses];
int g_count = 0;
void* g_free[kClasses];
SRWLOCK g_lock = SRWLOCK_INIT;

int ClassOf(size_t n) {
    if (n > g_size[g_count - 1]) return -1;
    int lo = 0, hi = g_count - 1;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (g_size[mid] >= n) hi = mid; else lo = mid + 1;
    }
    return lo;
}

void* Allocate(int n) {
    if (n <= 0) return nullptr;
    const int cls = ClassOf((size_t)n);
    Head* h = nullptr;
    if (cls >= 0) {
        ::AcquireSRWLockExclusive(&g_lock);
        h = static_cast<Head*>(g_free[cls]);
        if (h) g_free[cls] = *reinterpret_cast<void**>(h);
        ::ReleaseSRWLockExclusive(&g_lock);
    }
    const size_t size = cls >= 0 ? g_size[cls] : (size_t)n;
    if (!h) h = static_cast<Head*>(::HeapAlloc(::GetProcessHeap(), 0, sizeof(Head) + size));
    if (!h) return nullptr;
    h->cls = cls >= 0 ? (size_t)cls : kDirect;
    h->size = size;
    return h + 1;
}

void Free(void* p) {
    if (!p) return;
    Head* h = static_cast<Head*>(p) - 1;
    const size_t cls = h->cls;   // read before the link takes its place
    if (cls == kDirect) {
        ::HeapFree(::GetProcessHeap(), 0, h);
        return;
    }
    ::AcquireSRWLockExclusive(&g_lock);
    *reinterpret_cast<void**>(h) = g_free[cls];
    g_free[cls] = h;
    ::ReleaseSRWLockExclusive(&g_lock);
}

int Size(void* p) { return p ? (int)(static_cast<Head*>(p) - 1)->size : 0; }

void* Reallocate(void* p, int n) {
    if (!p) return Allocate(n);
    Head* h = static_cast<Head*>(p) - 1;
    const int cls = ClassOf((size_t)n);
    if (cls >= 0 && (size_t)cls == h->cls) return p;
    void* q = Allocate(n);
    if (!q) return nullptr;
    std::memcpy(q, p, h->size < (size_t)n ? h->size : (size_t)n);
    Free(p);
    return q;
}

int Roundup(int n) {
    const int cls = ClassOf((size_t)(n > 0 ? n : 1));
    return cls >= 0 ? (int)g_size[cls] : n;
}

int Init(void*) { return SQLITE_OK; }
void Shutdown(void*) {}

}  // namespace

void UseSqliteSizeClassMemory() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (size_t base = 64; g_count < kClasses; base *= 2)
            for (int step = 0; step < 4 && g_count < kClasses; ++step) g_size[g_count++] = base + base * step / 4;
        static const sqlite3_mem_methods methods = {Allocate, Free, Reallocate, Size, Roundup, Init, Shutdown, nullptr};
        sqlite3_config(SQLITE_CONFIG_MALLOC, &methods);
    });
}

void ReleaseSqliteFreeMemory() {
    ::AcquireSRWLockExclusive(&g_lock);
    for (int c = 0; c < g_count; ++c) {
        while (void* h = g_free[c]) {
            g_free[c] = *static_cast<void**>(h);
            ::HeapFree(::GetProcessHeap(), 0, h);
        }
    }
    ::ReleaseSRWLockExclusive(&g_lock);
}
