#include "capture/ImageLocalizer.h"
#include "capture/ImageSource.h"
#include "capture/PictureType.h"
#include "app/MainFrame.h"
#include "editor/HtmlText.h"
#include "settings/AppDir.h"
#include <algorithm>

namespace {

bool SameName(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

// stem, stem_1, stem_2...: the first that neither the plan nor the folder uses with this extension.
std::wstring FreeStem(const std::wstring& stem, const std::wstring& ext, const LocalizePlan& plan,
                      const std::function<bool(const std::wstring&)>& taken) {
    for (int n = 0;; ++n) {
        std::wstring candidate = stem + (n ? L"_" + std::to_wstring(n) : L"");
        bool used = std::any_of(plan.jobs.begin(), plan.jobs.end(),
                                [&](const PictureJob& j) { return SameName(j.stem, candidate); });
        if (!used && !(taken && taken(candidate + ext))) return candidate;
    }
}

// One pass over the HTML as it stands: nothing is rewritten while scanning, so
// no source can hide another, and each distinct source is planned once.
void ScanPass(const std::wstring& html, const wchar_t* tag, const std::function<SYSTEMTIME()>& now,
              const std::function<bool(const std::wstring&)>& taken, LocalizePlan& plan) {
    long long previous = 1;
    for (;;) {
        size_t from = (size_t)(previous + 1);
        size_t found = from > html.size() ? std::wstring::npos : html.find(tag, from);
        long long position = found == std::wstring::npos ? -1 : (long long)found;
        previous = position;
        std::wstring source = ExtractImageSource(html, position);
        bool planned = std::any_of(plan.jobs.begin(), plan.jobs.end(),
                                   [&](const PictureJob& j) { return j.source == source; });
        if (IsHttpSource(source) && !planned) {
            PictureJob job;
            job.source = source;
            job.url = DownloadUrlOf(source);
            std::wstring ext = SafePictureExtension(job.url);
            job.stem = FreeStem(PictureStem(now(), position), ext, plan, taken);
            job.localName = job.stem + ext;
            plan.jobs.push_back(job);
        }
        // The run after a failed search has been made; the pass ends there.
        if (position <= 0) break;
    }
}

std::string FileHead(const std::wstring& path) {
    std::string head(kPictureHeadBytes, '\0');
    DWORD got = 0;
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "";
    if (!::ReadFile(f, &head[0], (DWORD)head.size(), &got, nullptr)) got = 0;
    ::CloseHandle(f);
    head.resize(got);
    return head;
}

// Gives a downloaded file the name of its kind, or removes it when it is no picture.
bool KeepAsPicture(const std::wstring& imagesDir, const DownloadTask& task, PictureJob& job) {
    std::wstring ext = PictureExtensionFor(FileHead(task.file), task.contentType, SafePictureExtension(job.url));
    if (!ext.empty()) {
        for (int n = 0;; ++n) {
            std::wstring name = job.stem + (n ? L"_" + std::to_wstring(n) : L"") + ext;
            // MoveFileW never replaces: a picture saved earlier under that name is kept.
            if (::MoveFileW(task.file.c_str(), (imagesDir + name).c_str())) {
                job.localName = name;
                return true;
            }
            if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_FILE_EXISTS) break;
        }
    }
    ::DeleteFileW(task.file.c_str());
    return false;
}

}  // namespace

LocalizePlan PlanLocalization(const std::wstring& html, const std::function<SYSTEMTIME()>& now,
                              const std::function<bool(const std::wstring&)>& taken) {
    LocalizePlan plan;
    ScanPass(html, L"<img", now, taken, plan);
    ScanPass(html, L"<IMG", now, taken, plan);
    return plan;
}

void ApplyLocalization(std::wstring& html, const LocalizePlan& plan) {
    html = htmltext::RewriteUrls(html, [&](const std::wstring& value) {
        for (const PictureJob& job : plan.jobs)
            if (job.ok && job.source == value) return L"images/" + job.localName;
        return value;
    }, L"src");
}

LocalizeResult LocalizeImagesInto(const std::wstring& imagesDir, std::wstring& html, const PictureFetcher& fetch,
                                  int parallel, const PictureProgress& progress) {
    auto now = [] { SYSTEMTIME t; ::GetLocalTime(&t); return t; };
    auto taken = [&](const std::wstring& name) {
        return ::GetFileAttributesW((imagesDir + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    LocalizePlan plan = PlanLocalization(html, now, taken);
    // Downloads land under a name of no kind; only pictures get theirs afterwards.
    std::vector<DownloadTask> tasks;
    for (const PictureJob& job : plan.jobs) tasks.push_back({job.url, imagesDir + job.stem + L".part", false, L""});
    RunDownloads(tasks, fetch, parallel, progress);
    LocalizeResult result;
    for (size_t i = 0; i < plan.jobs.size(); ++i) {
        plan.jobs[i].ok = tasks[i].ok && KeepAsPicture(imagesDir, tasks[i], plan.jobs[i]);
        (plan.jobs[i].ok ? result.processed : result.failed)++;
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
