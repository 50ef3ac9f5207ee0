// Picture downloads over HTTP, several at a time, each within a time limit.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// A picture that has not arrived within this time counts as failed.
constexpr DWORD kPictureTimeLimitMs = 30000;

// Downloads url to file. True only for a 2xx answer that arrived completely
// within `limitMs` (connecting and receiving); otherwise no file is left.
// `contentType` receives the server's Content-Type.
bool DownloadPictureWithin(const std::wstring& url, const std::wstring& file, std::wstring& contentType,
                           DWORD limitMs);
// The same with the program's time limit.
bool DownloadPicture(const std::wstring& url, const std::wstring& file, std::wstring& contentType);

// Downloads one picture: (url, file, Content-Type received) -> arrived.
using PictureFetcher = std::function<bool(const std::wstring&, const std::wstring&, std::wstring&)>;

struct DownloadTask {
    std::wstring url;
    std::wstring file;
    bool ok;
    std::wstring contentType;
    std::wstring referer;   // the page the picture was seen on; may be empty
    std::wstring reason;    // why it failed: "HTTP 404", "超时"...
};

// Pictures fetched at once from one host, as browsers do.
constexpr int kDownloadsPerHost = 6;

// What one request came to.
struct FetchResult {
    bool ok = false;
    DWORD status = 0;          // HTTP status; 0 when no answer came
    bool timedOut = false;
    bool transient = false;    // a reset, a time-out or a 5xx: worth one more try
    std::wstring reason;       // for the user when it failed
};

// One request of url into file with the given Referer (none when empty).
FetchResult FetchPictureOnce(const std::wstring& url, const std::wstring& referer, const std::wstring& file,
                             std::wstring& contentType, DWORD limitMs);

// The program's download of a task: the page as Referer; one more try after a
// transient failure; a 403 without a page is tried again with the picture's own
// origin. Fills ok, contentType and reason.
bool DownloadTaskWithin(DownloadTask& task, DWORD limitMs);
bool DownloadTaskPicture(DownloadTask& task);

using TaskFetcher = std::function<bool(DownloadTask&)>;
// RunDownloads with a fetcher that sees the whole task (Referer, reason); at most
// kDownloadsPerHost of the running tasks share a host.
void RunTaskDownloads(std::vector<DownloadTask>& tasks, const TaskFetcher& fetch, int parallel,
                      const std::function<void(int, int)>& progress);

// Runs every task with `fetch`, at most `parallel` at once, on worker threads.
// The calling thread keeps handling its messages meanwhile (windows repaint;
// the caller guards against re-entry), and `progress(finished, total)` is
// called on it as tasks finish. Results do not depend on the tasks' order.
void RunDownloads(std::vector<DownloadTask>& tasks, const PictureFetcher& fetch, int parallel,
                  const std::function<void(int, int)>& progress);
