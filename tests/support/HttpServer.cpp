#include "support/HttpServer.h"

namespace zt {

HttpServer::HttpServer(DWORD delayMs) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    static int counter = 0;
    m_root = std::wstring(tmp) + L"zelvane http " + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter) + L"\\";
    RemoveTree(m_root.substr(0, m_root.size() - 1));
    CreateDirectoryW(m_root.c_str(), nullptr);
    std::wstring portFile = m_root + L"port.txt";
    if (!m_process.Start(ToolFile(L"httpserver.exe"),
                         L"\"" + m_root.substr(0, m_root.size() - 1) + L"\" \"" + portFile + L"\" " +
                             std::to_wstring(delayMs) + L" 170"))
        return;
    WaitFor([&] { return FileExists(portFile); }, 15000);
    auto bytes = ReadBytes(portFile);
    m_port = atoi(std::string(bytes.begin(), bytes.end()).c_str());
    DeleteFileW(portFile.c_str());
}

HttpServer::~HttpServer() {
    m_process.Kill();
    RemoveTree(m_root.substr(0, m_root.size() - 1));
}

std::wstring HttpServer::Url(const std::wstring& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(m_port) + path;
}

void HttpServer::Put(const std::wstring& rel, const std::string& bytes) {
    std::wstring path = m_root + rel;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    for (size_t i = m_root.size(); (i = path.find(L'\\', i)) != std::wstring::npos; ++i)
        CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    WriteBytes(path, bytes);
}

int HttpServer::Requests(const std::string& target) const {
    auto log = ReadBytes(m_root + L"requests.log");
    std::string text(log.begin(), log.end());
    int count = 0;
    for (size_t at = 0; (at = text.find(target + "\n", at)) != std::string::npos; at += target.size())
        if (at == 0 || text[at - 1] == '\n') ++count;
    return count;
}

}  // namespace zt
