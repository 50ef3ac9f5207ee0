// Picture downloads over urlmon, several at a time.
#pragma once
#include <functional>
#include <string>
#include <vector>

// Downloads url to file. True only for a 2xx answer; otherwise no file is left
// (urlmon reports success for error pages and would save them as the picture).
bool DownloadPicture(const std::wstring& url, const std::wstring& file);

struct DownloadTask {
    std::wstring url;
    std::wstring file;
    bool ok;
};

// Runs every task with `fetch`, at most `parallel` at once, on worker threads.
// The calling thread waits; `progress(finished, total)` is called on it as
// tasks finish. Tasks are independent: results do not depend on their order.
void RunDownloads(std::vector<DownloadTask>& tasks,
                  const std::function<bool(const std::wstring&, const std::wstring&)>& fetch, int parallel,
                  const std::function<void(int, int)>& progress);
