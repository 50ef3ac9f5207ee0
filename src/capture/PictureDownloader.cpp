#include "capture/PictureDownloader.h"
#include <wininet.h>
#include <atomic>
#include <condition_variable>
#include <cwctype>
#include <map>
#include <mutex>
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

// Failures before an answer: a reset or a time-out may pass, a refused connection
// or an unknown name will not.
void NoteError(FetchResult& r) {
    DWORD e = ::GetLastError();
    r.timedOut = e == ERROR_INTERNET_TIMEOUT;
    r.transient = r.timedOut || e == ERROR_INTERNET_CONNECTION_RESET || e == ERROR_INTERNET_CONNECTION_ABORTED;
    r.reason = r.timedOut ? L"超时" : L"连接失败";
}

bool Fetch(const std::wstring& url, const std::wstring& referer, HANDLE out, std::wstring& contentType, DWORD limitMs,
           FetchResult& r) {
    r.reason = L"地址无效";
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
    r.reason = L"连接失败";
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
    std::wstring headers = referer.empty() ? L"" : L"Referer: " + referer + L"\r\n";
    if (!::HttpSendRequestW(request.h, headers.empty() ? nullptr : headers.c_str(), (DWORD)headers.size(), nullptr, 0))
        return NoteError(r), false;
    DWORD status = 0, size = sizeof status;
    if (!::HttpQueryInfoW(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return NoteError(r), false;
    r.status = status;
    if (status < 200 || status >= 300) {
        r.transient = status >= 500;
        r.reason = L"HTTP " + std::to_wstring(status);
        return false;
    }
    wchar_t type[256] = {};
    size = sizeof type - sizeof(wchar_t);
    if (::HttpQueryInfoW(request.h, HTTP_QUERY_CONTENT_TYPE, type, &size, nullptr)) contentType = type;
    static thread_local char buffer[64 * 1024];
    for (;;) {
        if (::GetTickCount() - start > limitMs) {   // a server that trickles
            r.timedOut = r.transient = true;
            r.reason = L"超时";
            return false;
        }
        DWORD got = 0, put = 0;
        if (!::InternetReadFile(request.h, buffer, sizeof buffer, &got)) return NoteError(r), false;
        if (got == 0) return true;
        if (!::WriteFile(out, buffer, got, &put, nullptr) || put != got) {
            r.reason = L"无法写入文件";
            return false;
        }
    }
}

// Scheme, host and port: what browsers count connections by.
std::wstring HostOf(const std::wstring& url) {
    size_t scheme = url.find(L"://");
    if (scheme == std::wstring::npos) return url;
    std::wstring host = url.substr(0, url.find_first_of(L"/?#", scheme + 3));
    for (wchar_t& c : host) c = (wchar_t)towlower(c);
    return host;
}

}  // namespace

FetchResult FetchPictureOnce(const std::wstring& url, const std::wstring& referer, const std::wstring& file,
                             std::wstring& contentType, DWORD limitMs) {
    FetchResult r;
    contentType.clear();
    HANDLE out = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        r.reason = L"无法写入文件";
        return r;
    }
    r.ok = Fetch(url, referer, out, contentType, limitMs, r);
    ::CloseHandle(out);
    if (!r.ok) ::DeleteFileW(file.c_str());
    return r;
}

bool DownloadPictureWithin(const std::wstring& url, const std::wstring& file, std::wstring& contentType,
                           DWORD limitMs) {
    return FetchPictureOnce(url, L"", file, contentType, limitMs).ok;
}

bool DownloadTaskWithin(DownloadTask& task, DWORD limitMs) {
    FetchResult r = FetchPictureOnce(task.url, task.referer, task.file, task.contentType, limitMs);
    if (!r.ok && r.transient) r = FetchPictureOnce(task.url, task.referer, task.file, task.contentType, limitMs);
    // Hosts that refuse strangers usually accept a visitor of their own site.
    if (!r.ok && r.status == 403 && task.referer.empty()) {
        std::wstring origin = task.url.substr(0, task.url.find_first_of(L"/?#", task.url.find(L"://") + 3));
        r = FetchPictureOnce(task.url, origin + L"/", task.file, task.contentType, limitMs);
    }
    task.ok = r.ok;
    task.reason = r.ok ? L"" : r.reason;
    return r.ok;
}

bool DownloadTaskPicture(DownloadTask& task) { return DownloadTaskWithin(task, kPictureTimeLimitMs); }

bool DownloadPicture(const std::wstring& url, const std::wstring& file, std::wstring& contentType) {
    return DownloadPictureWithin(url, file, contentType, kPictureTimeLimitMs);
}

void RunDownloads(std::vector<DownloadTask>& tasks, const PictureFetcher& fetch, int parallel,
                  const std::function<void(int, int)>& progress) {
    RunTaskDownloads(tasks, [&](DownloadTask& t) {
        std::wstring type;
        t.ok = fetch(t.url, t.file, type);
        t.contentType = type;
        return t.ok;
    }, parallel, progress);
}

void RunTaskDownloads(std::vector<DownloadTask>& tasks, const TaskFetcher& fetch, int parallel,
                      const std::function<void(int, int)>& progress) {
    const int total = (int)tasks.size();
    if (total == 0) return;
    std::atomic<int> finished{0};
    HANDLE changed = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    // Each worker takes the first waiting task whose host is not at its limit.
    std::mutex lock;
    std::condition_variable hostFreed;
    std::vector<bool> taken(tasks.size(), false);
    std::vector<std::wstring> hosts;
    std::map<std::wstring, int> running;
    for (const DownloadTask& t : tasks) hosts.push_back(HostOf(t.url));
    int waiting = total;
    auto worker = [&] {
        for (;;) {
            int i = -1;
            {
                std::unique_lock<std::mutex> hold(lock);
                for (;;) {
                    if (waiting == 0) return;
                    for (int k = 0; k < total && i < 0; ++k)
                        if (!taken[k] && running[hosts[k]] < kDownloadsPerHost) i = k;
                    if (i >= 0) break;
                    hostFreed.wait(hold);
                }
                taken[i] = true;
                --waiting;
                ++running[hosts[i]];
            }
            bool ok = false;
            try { ok = fetch(tasks[i]); } catch (...) { ok = false; }
            tasks[i].ok = ok;
            {
                std::lock_guard<std::mutex> hold(lock);
                --running[hosts[i]];
            }
            hostFreed.notify_all();
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
