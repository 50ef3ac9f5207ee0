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
};

// Runs every task with `fetch`, at most `parallel` at once, on worker threads.
// The calling thread keeps handling its messages meanwhile (windows repaint;
// the caller guards against re-entry), and `progress(finished, total)` is
// called on it as tasks finish. Results do not depend on the tasks' order.
void RunDownloads(std::vector<DownloadTask>& tasks, const PictureFetcher& fetch, int parallel,
                  const std::function<void(int, int)>& progress);
