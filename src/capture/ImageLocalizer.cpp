#include "capture/ImageLocalizer.h"
#include "capture/ImageSource.h"
#include "capture/PictureType.h"
#include "framework/ControlBar.h"
#include "editor/HtmlText.h"
#include "settings/AppDir.h"
#include <algorithm>
#include <cwctype>

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
              const std::function<bool(const std::wstring&)>& taken, const std::vector<size_t>& claimed,
              const std::wstring& referer, LocalizePlan& plan) {
    ForEachImageSource(html, tag, [&](long long position, const std::wstring& source) {
        bool planned = std::any_of(plan.jobs.begin(), plan.jobs.end(),
                                   [&](const PictureJob& j) { return j.source == source; }) ||
                       std::find(claimed.begin(), claimed.end(), (size_t)position) != claimed.end();
        // A plain source of an address a rewritten tag downloads anyway shares its copy.
        auto same = std::find_if(plan.jobs.begin(), plan.jobs.end(), [&](const PictureJob& j) {
            return j.source.empty() && !j.url.empty() && IsHttpSource(source) && j.url == DownloadUrlOf(source);
        });
        if (!planned && same != plan.jobs.end()) {
            same->source = source;
            planned = true;
        }
        if (IsHttpSource(source) && !planned) {
            PictureJob job;
            job.referer = referer;
            job.source = source;
            job.url = DownloadUrlOf(source);
            std::wstring ext = SafePictureExtension(job.url);
            job.stem = FreeStem(PictureStem(now(), position), ext, plan, taken);
            job.localName = job.stem + ext;
            plan.jobs.push_back(job);
        }
    });
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

// The last two labels of the host: pictures often come from another host of the page's site.
std::wstring SiteOf(const std::wstring& url) {
    size_t scheme = url.find(L"://");
    if (scheme == std::wstring::npos) return L"";
    std::wstring host = url.substr(scheme + 3, url.find_first_of(L"/?#:", scheme + 3) - scheme - 3);
    size_t last = host.rfind(L'.');
    size_t dot = last == std::wstring::npos || last == 0 ? std::wstring::npos : host.rfind(L'.', last - 1);
    host = dot == std::wstring::npos ? host : host.substr(dot + 1);
    for (wchar_t& c : host) c = (wchar_t)towlower(c);
    return host;
}

std::wstring RefererFor(const std::wstring& url, const std::vector<std::wstring>& pages) {
    std::wstring newest;
    for (auto page = pages.rbegin(); page != pages.rend(); ++page) {
        if (!IsHttpSource(*page)) continue;
        if (newest.empty()) newest = *page;
        if (!url.empty() && SiteOf(*page) == SiteOf(url)) return *page;
    }
    return newest;
}

std::wstring FailedAddress(const PictureJob& job) {
    if (!job.url.empty()) return job.url;
    return L"data:" + job.mediaType + L";base64,...";
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    bool ok = ::WriteFile(f, bytes.data(), (DWORD)bytes.size(), &put, nullptr) && put == bytes.size();
    ::CloseHandle(f);
    if (!ok) ::DeleteFileW(path.c_str());
    return ok;
}

}  // namespace

LocalizePlan PlanLocalization(const std::wstring& html, const std::function<SYSTEMTIME()>& now,
                              const std::function<bool(const std::wstring&)>& taken,
                              const std::vector<std::wstring>& pages) {
    LocalizePlan plan;
    std::vector<size_t> claimed;
    for (TaggedPicture& tagged : FindTaggedPictures(html, RefererFor(L"", pages))) {
        claimed.push_back(tagged.tagStart);
        auto same = std::find_if(plan.jobs.begin(), plan.jobs.end(), [&](const PictureJob& j) {
            return !tagged.url.empty() && j.url == tagged.url;
        });
        if (same != plan.jobs.end()) {
            same->edits.insert(same->edits.end(), tagged.edits.begin(), tagged.edits.end());
            continue;
        }
        PictureJob job;
        job.url = tagged.url;
        job.data = std::move(tagged.data);
        job.mediaType = tagged.mediaType;
        job.edits = std::move(tagged.edits);
        job.referer = RefererFor(job.url, pages);
        std::wstring ext = job.url.empty() ? L"" : SafePictureExtension(job.url);
        job.stem = FreeStem(PictureStem(now(), (long long)tagged.tagStart), ext, plan, taken);
        job.localName = job.stem + ext;
        plan.jobs.push_back(job);
    }
    ScanPass(html, L"<img", now, taken, claimed, RefererFor(L"", pages), plan);
    ScanPass(html, L"<IMG", now, taken, claimed, RefererFor(L"", pages), plan);
    for (PictureJob& job : plan.jobs)
        if (!job.source.empty()) job.referer = RefererFor(job.url, pages);
    return plan;
}

void ApplyLocalization(std::wstring& html, const LocalizePlan& plan) {
    // Tag changes from the end, so earlier positions stay valid.
    std::vector<std::pair<const TagEdit*, const PictureJob*>> edits;
    for (const PictureJob& job : plan.jobs)
        if (job.ok)
            for (const TagEdit& e : job.edits) edits.push_back({&e, &job});
    std::sort(edits.begin(), edits.end(), [](const auto& a, const auto& b) { return a.first->start > b.first->start; });
    for (const auto& [e, job] : edits)
        html.replace(e->start, e->end - e->start, e->head + (e->named ? L"images/" + job->localName : L"") + e->tail);
    html = htmltext::RewriteUrls(html, [&](const std::wstring& value) {
        for (const PictureJob& job : plan.jobs)
            if (job.ok && !job.source.empty() && job.source == value) return L"images/" + job.localName;
        return value;
    }, L"src");
}

LocalizeResult LocalizeImagesInto(const std::wstring& imagesDir, std::wstring& html, const PictureFetcher& fetch,
                                  int parallel, const PictureProgress& progress) {
    return LocalizePicturesInto(imagesDir, html, {}, [&](DownloadTask& t) {
        std::wstring type;
        t.ok = fetch(t.url, t.file, type);
        t.contentType = type;
        return t.ok;
    }, parallel, progress);
}

LocalizeResult LocalizePicturesInto(const std::wstring& imagesDir, std::wstring& html,
                                    const std::vector<std::wstring>& pages, const TaskFetcher& fetch,
                                    int parallel, const PictureProgress& progress) {
    auto now = [] { SYSTEMTIME t; ::GetLocalTime(&t); return t; };
    auto taken = [&](const std::wstring& name) {
        return ::GetFileAttributesW((imagesDir + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    LocalizePlan plan = PlanLocalization(html, now, taken, pages);
    // Downloads land under a name of no kind; only pictures get theirs afterwards.
    // A data: picture is written the same way, its media type standing for the Content-Type.
    std::vector<DownloadTask> tasks, written;
    for (size_t i = 0; i < plan.jobs.size(); ++i) {
        const PictureJob& job = plan.jobs[i];
        DownloadTask task{job.url, imagesDir + job.stem + L".part", false, L"", job.referer, L""};
        if (job.url.empty()) {
            task.ok = WriteBytes(task.file, job.data);
            task.contentType = job.mediaType;
            if (!task.ok) task.reason = L"无法写入文件";
            written.push_back(task);
        } else {
            tasks.push_back(task);
        }
    }
    RunTaskDownloads(tasks, fetch, parallel, progress);
    LocalizeResult result;
    for (size_t i = 0, d = 0, w = 0; i < plan.jobs.size(); ++i) {
        PictureJob& job = plan.jobs[i];
        DownloadTask& task = job.url.empty() ? written[w++] : tasks[d++];
        job.ok = task.ok && KeepAsPicture(imagesDir, task, job);
        job.reason = task.ok ? (job.ok ? L"" : L"不是图片") : task.reason;
        (job.ok ? result.processed : result.failed)++;
        if (!job.ok) result.failures.push_back({FailedAddress(job), job.reason});
    }
    ApplyLocalization(html, plan);
    return result;
}

LocalizeResult LocalizeImagesForFolder(CStatusBar* status, const std::wstring& folder, std::wstring& html,
                                       const std::vector<std::wstring>& pages) {
    std::wstring imagesDir = GetAppDir() + folder + L"\\images\\";
    PictureProgress progress;
    std::wstring idle;
    if (status && status->IsWindow()) {
        idle = status->GetPaneText(0);
        progress = [status](int done, int total) {
            status->SetPaneText(0, std::to_wstring(done) + L"/" + std::to_wstring(total));
            ::UpdateWindow(status->m_hWnd);
        };
    }
    LocalizeResult r = LocalizePicturesInto(imagesDir, html, pages, DownloadTaskPicture, kParallelDownloads, progress);
    if (progress) status->SetPaneText(0, idle);
    return r;
}
