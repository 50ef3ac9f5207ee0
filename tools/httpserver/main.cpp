// Test HTTP server: serves the files of one folder on 127.0.0.1.
//   httpserver <folder> <port file> [delay ms] [seconds to live]
// Listens on a free loopback port and writes its number to <port file>.
// GET /<path> answers 200 with the file, 404 when it is missing;
// GET /redirect/<path> answers 302 to /<path>. Each answer waits <delay ms>.
// GET /referer/<path> answers 403 unless the Referer is a page of this server;
// GET /fail-once/<path> answers 503 the first time, then serves /<path>.
// Every request line's target is appended to <folder>\requests.log.
// The Content-Type is the text of <file>.type when that file exists.
// Exits after <seconds to live> (default 120) so no test leaves it behind.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <cstdio>
#include <string>
#include <mutex>
#include <set>

namespace {
std::wstring g_root;
DWORD g_delay = 0;
int g_port = 0;
std::mutex g_lock;
std::set<std::string> g_failedOnce;

// The value of a request header (case-insensitive name); "" when absent.
std::string Header(const std::string& request, const std::string& name) {
    for (size_t at = request.find("\r\n"); at != std::string::npos; at = request.find("\r\n", at + 2)) {
        if (_strnicmp(request.c_str() + at + 2, (name + ":").c_str(), name.size() + 1) != 0) continue;
        size_t from = request.find_first_not_of(' ', at + 3 + name.size());
        if (from == std::string::npos) return "";   // a header cut off after its name
        return request.substr(from, request.find("\r\n", from) - from);
    }
    return "";
}

void LogRequest(const std::string& target) {
    std::lock_guard<std::mutex> hold(g_lock);
    FILE* f = _wfopen((g_root + L"requests.log").c_str(), L"ab");
    if (!f) return;
    fprintf(f, "%s\n", target.c_str());
    fclose(f);
}

std::string Decode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            out += (char)strtol(s.substr(i + 1, 2).c_str(), nullptr, 16);
            i += 2;
        } else out += s[i];
    }
    return out;
}

std::wstring Widen(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), &w[0], n);
    return w;
}

void SendAll(SOCKET s, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        int n = send(s, data.data() + sent, (int)(data.size() - sent), 0);
        if (n <= 0) return;
        sent += n;
    }
}

bool ReadFileBytes(const std::wstring& path, std::string& out) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) { CloseHandle(h); return false; }
    DWORD size = GetFileSize(h, nullptr), got = 0;
    out.assign(size, '\0');
    if (size) ReadFile(h, &out[0], size, &got, nullptr);
    out.resize(got);
    CloseHandle(h);
    return true;
}

void Serve(SOCKET client) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        int n = recv(client, buf, sizeof(buf), 0);
        if (n <= 0) break;
        request.append(buf, n);
    }
    if (g_delay) Sleep(g_delay);
    std::string target;
    size_t sp1 = request.find(' '), sp2 = sp1 == std::string::npos ? sp1 : request.find(' ', sp1 + 1);
    if (sp2 != std::string::npos) target = request.substr(sp1 + 1, sp2 - sp1 - 1);
    if (!target.empty()) LogRequest(target);
    target = target.substr(0, target.find_first_of("?#"));
    std::string path = Decode(target);
    std::string response;
    bool refused = false, failing = false;
    if (path.rfind("/referer/", 0) == 0) {
        std::string own = "http://127.0.0.1:" + std::to_string(g_port) + "/";
        refused = Header(request, "Referer").rfind(own, 0) != 0;
        path = path.substr(8);
    } else if (path.rfind("/fail-once/", 0) == 0) {
        std::lock_guard<std::mutex> hold(g_lock);
        failing = g_failedOnce.insert(path).second;
        path = path.substr(10);
    }
    if (refused || failing) {
        std::string body = refused ? "<html><body>403 Forbidden</body></html>" : "<html><body>503</body></html>";
        response = std::string(refused ? "HTTP/1.1 403 Forbidden" : "HTTP/1.1 503 Service Unavailable") +
                   "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                   "\r\nConnection: close\r\n\r\n" + body;
    } else if (path.rfind("/redirect/", 0) == 0) {
        response = "HTTP/1.1 302 Found\r\nLocation: " + target.substr(9) +
                   "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    } else {
        std::string body;
        bool safe = path.find("..") == std::string::npos && path.find('\\') == std::string::npos &&
                    path.find(':') == std::string::npos && !path.empty();
        // A browser's speculative connection may close without a request: no path at all.
        std::wstring file = path.empty() ? g_root : g_root + Widen(path.substr(1));
        for (wchar_t& c : file)
            if (c == L'/') c = L'\\';
        std::string type = "application/octet-stream";
        if (safe && ReadFileBytes(file, body)) {
            ReadFileBytes(file + L".type", type);
            response = "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nCache-Control: no-store\r\n"
                       "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        } else {
            body = "<html><body>404 Not Found</body></html>";
            response = "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        }
    }
    SendAll(client, response);
    shutdown(client, SD_SEND);
    closesocket(client);
}

DWORD WINAPI ServeThread(void* client) {
    Serve(SOCKET(reinterpret_cast<UINT_PTR>(client)));
    return 0;
}

DWORD g_lifeMs = 0;
DWORD WINAPI EndOfLife(void*) {
    Sleep(g_lifeMs);
    ExitProcess(0);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: httpserver <folder> <port file> [delay ms] [seconds to live]\n");
        return 2;
    }
    g_root = argv[1];
    if (!g_root.empty() && g_root.back() != L'\\') g_root += L'\\';
    g_delay = argc > 3 ? (DWORD)_wtoi(argv[3]) : 0;
    DWORD life = argc > 4 ? (DWORD)_wtoi(argv[4]) : 120;
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa)) return 1;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (bind(listener, (sockaddr*)&addr, sizeof(addr)) || listen(listener, 64)) return 1;
    int len = sizeof(addr);
    getsockname(listener, (sockaddr*)&addr, &len);
    g_port = ntohs(addr.sin_port);
    g_lifeMs = life * 1000;
    CloseHandle(CreateThread(nullptr, 0, EndOfLife, nullptr, 0, nullptr));
    // The port file appears complete: written to a temporary name, then renamed.
    std::wstring portFile = argv[2], temp = portFile + L".tmp";
    FILE* f = _wfopen(temp.c_str(), L"wb");
    if (!f) return 1;
    fprintf(f, "%d", ntohs(addr.sin_port));
    fclose(f);
    MoveFileExW(temp.c_str(), portFile.c_str(), MOVEFILE_REPLACE_EXISTING);
    for (;;) {
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        // A plain system thread a request: the server died now and then as a detached
        // std::thread ended, with that thread's state overwritten.
        HANDLE thread = CreateThread(nullptr, 0, ServeThread, reinterpret_cast<void*>(UINT_PTR(client)), 0, nullptr);
        if (thread) CloseHandle(thread);
        else closesocket(client);
    }
}
