// The test HTTP server (tools/httpserver) serving a temporary folder on 127.0.0.1.
#pragma once
#include "support/Harness.h"
#include <string>

namespace zt {

class HttpServer {
public:
    // delayMs: how long each answer waits.
    explicit HttpServer(DWORD delayMs = 0);
    ~HttpServer();
    bool Running() const { return m_port != 0; }
    int Port() const { return m_port; }
    std::wstring Url(const std::wstring& path) const;   // path starts with "/"
    // Puts a file into the served folder (relative path with "/" or "\").
    void Put(const std::wstring& rel, const std::string& bytes);
    const std::wstring& Root() const { return m_root; }
    // How often the server was asked for `target` (path and query as requested).
    int Requests(const std::string& target) const;
private:
    std::wstring m_root;
    Process m_process;
    int m_port = 0;
};

}  // namespace zt
