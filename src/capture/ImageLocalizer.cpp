#include "capture/ImageLocalizer.h"
#include "capture/ImageSource.h"
#include "capture/PictureDownloader.h"
#include "app/MainFrame.h"
#include "settings/AppDir.h"
#include <algorithm>
#include <cwctype>

namespace {

void ReplaceAll(std::wstring& s, const std::wstring& from, const std::wstring& to) {
    if (from.empty()) return;
    for (size_t i = s.find(from); i != std::wstring::npos; i = s.find(from, i + to.size())) s.replace(i, from.size(), to);
}

bool SameName(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

std::wstring FreeName(const std::wstring& stem, const std::wstring& ext, const LocalizePlan& plan,
                      const std::function<bool(const std::wstring&)>& taken) {
    for (int n = 0;; ++n) {
        std::wstring name = stem + (n ? L"_" + std::to_wstring(n) : L"") + ext;
        bool used = std::any_of(plan.jobs.begin(), plan.jobs.end(),
                                [&](const PictureJob& j) { return SameName(j.localName, name); });
        if (!used && !(taken && taken(name))) return name;
    }
}

void ScanPass(std::wstring& html, const wchar_t* tag, const std::function<SYSTEMTIME()>& now,
              const std::function<bool(const std::wstring&)>& taken, LocalizePlan& plan) {
    long long previous = 1;
    for (;;) {
        size_t from = (size_t)(previous + 1);
        size_t found = from > html.size() ? std::wstring::npos : html.find(tag, from);
        long long position = found == std::wstring::npos ? -1 : (long long)found;
        previous = position;
        std::wstring source = ExtractImageSource(html, position);
        if (IsHttpSource(source)) {
            PictureJob job;
            job.source = source;
            job.url = DownloadUrlOf(source);
            job.localName = FreeName(PictureStem(now(), position), SafePictureExtension(job.url), plan, taken);
            ReplaceAll(html, source, L"images/" + job.localName);
            plan.jobs.push_back(job);
        }
        // The run after a failed search has been made; the pass ends there.
        if (position <= 0) break;
    }
}

}  // namespace

LocalizePlan PlanLocalization(const std::wstring& html, const std::function<SYSTEMTIME()>& now,
                              const std::function<bool(const std::wstring&)>& taken) {
    LocalizePlan plan;
    std::wstring work = html;
    ScanPass(work, L"<img", now, taken, plan);
    ScanPass(work, L"<IMG", now, taken, plan);
    return plan;
}

void ApplyLocalization(std::wstring& html, const LocalizePlan& plan) {
    for (const PictureJob& job : plan.jobs)
        if (job.ok) ReplaceAll(html, job.source, L"images/" + job.localName);
}

LocalizeResult LocalizeImagesInto(const std::wstring& imagesDir, std::wstring& html, const PictureFetcher& fetch,
                                  int parallel, const PictureProgress& progress) {
    auto now = [] { SYSTEMTIME t; ::GetLocalTime(&t); return t; };
    auto taken = [&](const std::wstring& name) {
        return ::GetFileAttributesW((imagesDir + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    LocalizePlan plan = PlanLocalization(html, now, taken);
    std::vector<DownloadTask> tasks;
    for (const PictureJob& job : plan.jobs) tasks.push_back({job.url, imagesDir + job.localName, false});
    RunDownloads(tasks, fetch, parallel, progress);
    LocalizeResult result;
    for (size_t i = 0; i < plan.jobs.size(); ++i) {
        plan.jobs[i].ok = tasks[i].ok;
        (tasks[i].ok ? result.processed : result.failed)++;
    }
    ApplyLocalization(html, plan);
    return result;
}

LocalizeResult LocalizeImagesForFolder(CMainFrame* frame, const std::wstring& folder, std::wstring& html) {
    std::wstring imagesDir = GetAppDir() + folder + L"\\images\\";
    PictureProgress progress;
    std::wstring idle;
    if (frame && frame->m_wndStatusBar.IsWindow()) {
        idle = frame->m_wndStatusBar.GetPaneText(0);
        progress = [frame](int done, int total) {
            frame->m_wndStatusBar.SetPaneText(0, std::to_wstring(done) + L"/" + std::to_wstring(total));
            ::UpdateWindow(frame->m_wndStatusBar.m_hWnd);
        };
    }
    LocalizeResult r = LocalizeImagesInto(imagesDir, html, DownloadPicture, kParallelDownloads, progress);
    if (progress) frame->m_wndStatusBar.SetPaneText(0, idle);
    return r;
}

bool LocalizeImages(CMainFrame* frame, std::wstring& html) {
    std::wstring folder = frame ? frame->m_wndTreeBar.GetSelectedFolderPath() : L"";
    return LocalizeImagesForFolder(frame, folder, html).processed > 0;
}
