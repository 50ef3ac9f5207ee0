// Making the pictures of a web text local: scan the picture tags, decide a local
// file for every http source, download them and point the HTML at the copies.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "capture/PictureDownloader.h"
#include "capture/PictureTags.h"

class CStatusBar;

struct PictureJob {
    std::wstring source;      // the attribute value as it stands in the HTML
    std::wstring url;         // the address requested
    std::wstring stem;        // time and tag position, made unique
    std::wstring localName;   // file name in the images folder: planned, then as saved
    bool ok = false;          // saved as a picture
    std::vector<TagEdit> edits;   // tag changes made when saved (lazy, srcset, data:)
    std::string data;         // the bytes of a data: picture (url empty)
    std::wstring mediaType;   // of a data: picture
    std::wstring referer;     // the page it was seen on
    std::wstring reason;      // why it failed
};

struct LocalizePlan {
    std::vector<PictureJob> jobs;   // in scan order, one per distinct source
};

// Scans the HTML ("<img" pass, then "<IMG" pass) for http picture sources.
// `now` gives the local time for each picture; `taken` tells whether a local
// name is already used in the images folder (the plan's own names are avoided
// too). The planned name carries the address's extension when it is a picture's.
// Tags whose real picture is elsewhere (lazy loading, srcset, data:) are planned
// first from `pages` (the SourceURL of each capture, oldest first): the newest
// page resolves relative addresses; each picture's Referer is the newest page of
// its site, else the newest page.
LocalizePlan PlanLocalization(const std::wstring& html, const std::function<SYSTEMTIME()>& now,
                              const std::function<bool(const std::wstring&)>& taken,
                              const std::vector<std::wstring>& pages = {});

// Rewrites each src attribute whose whole value is the source of a saved
// picture to "images/" + its local name and makes the tag changes of saved
// pictures. Everything else stays byte for byte.
void ApplyLocalization(std::wstring& html, const LocalizePlan& plan);

struct LocalizeResult {
    int processed = 0;   // sources saved and rewritten
    int failed = 0;      // sources kept: no answer in time, an error, or no picture
    std::vector<std::pair<std::wstring, std::wstring>> failures;   // address, reason
};

// Called on the calling thread while the downloads run: (finished, total).
using PictureProgress = std::function<void(int, int)>;

// Downloads running at once: enough for the pictures of a long page to arrive in
// about one answer time, few enough not to flood a server.
constexpr int kParallelDownloads = 48;

// Plans, downloads (at most `parallel` at a time) into imagesDir (with trailing
// backslash), keeps what is a picture under the extension of its kind, and
// rewrites the HTML.
LocalizeResult LocalizeImagesInto(const std::wstring& imagesDir, std::wstring& html, const PictureFetcher& fetch,
                                  int parallel = kParallelDownloads, const PictureProgress& progress = nullptr);

// The same for the program: the pages' Referers, retries and per-host limits.
LocalizeResult LocalizePicturesInto(const std::wstring& imagesDir, std::wstring& html,
                                    const std::vector<std::wstring>& pages, const TaskFetcher& fetch,
                                    int parallel = kParallelDownloads, const PictureProgress& progress = nullptr);

// The pictures of a web text saved into `folder` (relative to the program directory) go
// into its images subfolder. `status` (may be null) shows the progress in pane 0 and
// gets its text back afterwards.
LocalizeResult LocalizeImagesForFolder(CStatusBar* status, const std::wstring& folder, std::wstring& html,
                                       const std::vector<std::wstring>& pages = {});
