#include "capture/RecoveryWriter.h"

RecoveryWriter::~RecoveryWriter() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void RecoveryWriter::Write(const std::wstring& path, RecoveryState state) { Post(Kind::Write, path, std::move(state)); }

void RecoveryWriter::Remove(const std::wstring& path) { Post(Kind::Remove, path, RecoveryState()); }

void RecoveryWriter::Post(Kind kind, const std::wstring& path, RecoveryState state) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_kind = kind;
        m_path = path;
        m_state = std::move(state);
        if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
    }
    m_changed.notify_all();
}

void RecoveryWriter::Flush() {
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_kind == Kind::None && !m_working; });
}

DWORD RecoveryWriter::LastError() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lastError;
}

int RecoveryWriter::Done() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_done;
}

void RecoveryWriter::Run() {
    std::unique_lock<std::mutex> hold(m_lock);
    for (;;) {
        m_changed.wait(hold, [this] { return m_kind != Kind::None || m_stop; });
        if (m_kind == Kind::None) return;   // stopping with nothing left to do
        Kind kind = m_kind;
        std::wstring path = std::move(m_path);
        RecoveryState state = std::move(m_state);
        m_kind = Kind::None;
        m_working = true;
        hold.unlock();
        DWORD error = 0;
        if (kind == Kind::Write) {
            error = WriteRecoveryFile(path, state);
        } else if (!::DeleteFileW(path.c_str())) {
            error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) error = 0;
        }
        hold.lock();
        m_working = false;
        m_lastError = error;
        ++m_done;
        m_changed.notify_all();
    }
}
