#include "capture/PictureDownloader.h"
#include <wininet.h>
#include <atomic>
#include <thread>

namespace {

struct Handle {
    HINTERNET h = nullptr;
    ~Handle() { if (h) ::InternetCloseHandle(h); }
};

void SetTimeouts(HINTERNET h, DWORD ms) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionW(h, option, &ms, sizeof ms);
}

bool Fetch(const std::wstring& url, HANDLE out, std::wstring& contentType, DWORD limitMs) {
    const DWORD start = ::GetTickCount();
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    wchar_t host[256] = {};
    std::wstring path(url.size() + 1, L'\0');
    parts.lpszHostName = host;
    parts.dwHostNameLength = 255;
    parts.lpszUrlPath = &path[0];
    parts.dwUrlPathLength = (DWORD)url.size();
    std::wstring extra(url.size() + 1, L'\0');
    parts.lpszExtraInfo = &extra[0];
    parts.dwExtraInfoLength = (DWORD)url.size();
    if (!::InternetCrackUrlW(url.c_str(), 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
        return false;
    std::wstring object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                          std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty()) object = L"/";

    // One session per downloading thread: opening one costs more than a small picture.
    static thread_local Handle session;
    if (!session.h)
        session.h = ::InternetOpenW(L"Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1)", INTERNET_OPEN_TYPE_PRECONFIG,
                                    nullptr, nullptr, 0);
    if (!session.h) return false;
    // A silent server is given up after the limit, while connecting as while
    // receiving; each handle keeps its own copy of the limits.
    SetTimeouts(session.h, limitMs);
    Handle connection{::InternetConnectW(session.h, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0)};
    if (!connection.h) return false;
    SetTimeouts(connection.h, limitMs);
    DWORD flags = INTERNET_FLAG_NO_UI | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES |
                  INTERNET_FLAG_NO_AUTH | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    Handle request{::HttpOpenRequestW(connection.h, L"GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0)};
    if (!request.h) return false;
    SetTimeouts(request.h, limitMs);
    if (!::HttpSendRequestW(request.h, nullptr, 0, nullptr, 0)) return false;
    DWORD status = 0, size = sizeof status;
    if (!::HttpQueryInfoW(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
        status < 200 || status >= 300)
        return false;
    wchar_t type[256] = {};
    size = sizeof type - sizeof(wchar_t);
    if (::HttpQueryInfoW(request.h, HTTP_QUERY_CONTENT_TYPE, type, &size, nullptr)) contentType = type;
    static thread_local char buffer[64 * 1024];
    for (;;) {
        if (::GetTickCount() - start > limitMs) return false;   // a server that trickles
        DWORD got = 0, put = 0;
        if (!::InternetReadFile(request.h, buffer, sizeof buffer, &got)) return false;
        if (got == 0) return true;
        if (!::WriteFile(out, buffer, got, &put, nullptr) || put != got) return false;
    }
}

}  // namespace

bool DownloadPictureWithin(const std::wstring& url, const std::wstring& file, std::wstring& contentType,
                           DWORD limitMs) {
    contentType.clear();
    HANDLE out = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    bool ok = Fetch(url, out, contentType, limitMs);
    ::CloseHandle(out);
    if (!ok) ::DeleteFileW(file.c_str());
    return ok;
}

bool DownloadPicture(const std::wstring& url, const std::wstring& file, std::wstring& contentType) {
    return DownloadPictureWithin(url, file, contentType, kPictureTimeLimitMs);
}

void RunDownloads(std::vector<DownloadTask>& tasks, const PictureFetcher& fetch, int parallel,
                  const std::function<void(int, int)>& progress) {
    const int total = (int)tasks.size();
    if (total == 0) return;
    std::atomic<int> next{0}, finished{0};
    HANDLE changed = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    auto worker = [&] {
        for (int i; (i = next++) < total;) {
            bool ok = false;
            std::wstring type;
            try { ok = fetch(tasks[i].url, tasks[i].file, type); } catch (...) { ok = false; }
            tasks[i].ok = ok;
            tasks[i].contentType = type;
            ++finished;
            ::SetEvent(changed);
        }
    };
    int count = parallel < 1 ? 1 : (parallel > total ? total : parallel);
    std::vector<std::thread> threads;
    try {
        for (int i = 0; i < count; ++i) threads.emplace_back(worker);
    } catch (...) {
        // Fewer threads than wanted; with none at all, download here.
        if (threads.empty()) worker();
    }
    int shown = -1;
    bool quit = false;
    WPARAM quitCode = 0;
    while (shown < total) {
        int now = finished;
        if (now != shown && progress) progress(now, total);
        shown = now;
        if (shown >= total) break;
        // Windows keep painting and answering while the pictures arrive.
        ::MsgWaitForMultipleObjects(1, &changed, FALSE, 200, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    for (auto& t : threads) t.join();
    ::CloseHandle(changed);
    if (quit) ::PostQuitMessage((int)quitCode);   // for the loop that owns it
}
