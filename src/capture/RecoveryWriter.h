// Writes the recovery file on a thread of its own, so that neither a capture's
// balloon nor typing waits for the disk. Requests are taken in order; a request
// that has not started yet is replaced by a newer one (only the latest state
// matters), so the thread never falls behind.
#pragma once
#include "capture/RecoveryFile.h"
#include <condition_variable>
#include <mutex>
#include <thread>

class RecoveryWriter {
public:
    RecoveryWriter() = default;
    ~RecoveryWriter();   // finishes what was asked, then ends the thread
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void Write(const std::wstring& path, RecoveryState state);
    void Remove(const std::wstring& path);
    // Waits until every request made so far is done.
    void Flush();
    // Error code of the last write or removal (0 when it succeeded).
    DWORD LastError();
    int Done();   // requests carried out (tests, benchmark)

private:
    enum class Kind { None, Write, Remove };
    void Post(Kind kind, const std::wstring& path, RecoveryState state);
    void Run();
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::thread m_thread;
    Kind m_kind = Kind::None;   // the request waiting to be taken
    std::wstring m_path;
    RecoveryState m_state;
    bool m_working = false, m_stop = false;
    DWORD m_lastError = 0;
    int m_done = 0;
};
