#include "capture/WebTextSaver.h"
#include "capture/ImageLocalizer.h"
#include "capture/WebTextFile.h"
#include "framework/HtmlEditView.h"
#include "framework/TrayBalloon.h"
#include "settings/AppDir.h"
#include <shellapi.h>

const wchar_t kChooseFolderMessage[] = L"请先在目录树中选择保存网文的分类目录！";

namespace {

const wchar_t kRootLabel[] = L"我的网文";
// A page title proposed as a name is cut here: titles run longer than a text's first words.
constexpr int kTitleNameLength = 60;

// As much of a text's start as tells one text from another.
constexpr int kTitledStartLength = 40;

// The tree's root item is no folder of its own: web texts go into category folders.
bool IsRootFolder(const std::wstring& folder) {
    if (folder.empty()) return true;
    return folder == kRootLabel && ::GetFileAttributesW((GetAppDir() + folder).c_str()) == INVALID_FILE_ATTRIBUTES;
}

void ReportFileError(HWND owner, const std::wstring& path, DWORD error) {
    wchar_t* system = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     error, 0, (LPWSTR)&system, 0, nullptr);
    std::wstring text = L"无法创建文件“" + path + L"”。";
    if (system) {
        text += L"\n";
        text += system;
        ::LocalFree(system);
    }
    ::MessageBoxW(owner, text.c_str(), L"Pagewick", MB_OK | MB_ICONEXCLAMATION);
}

std::wstring FailedPicturesNote(const LocalizeResult& r) {
    std::wstring note = L"有 " + std::to_wstring(r.failed) + L" 张图片未能保存，网文中保留了它们的原地址。";
    // Addresses the user can open in the browser; a long list would hide the question.
    const size_t shown = r.failures.size() < 10 ? r.failures.size() : 10;
    for (size_t i = 0; i < shown; ++i) note += L"\n" + r.failures[i].first + L"（" + r.failures[i].second + L"）";
    if (r.failures.size() > shown) note += L"\n另有 " + std::to_wstring(r.failures.size() - shown) + L" 张未列出。";
    return note;
}

}  // namespace

std::wstring TitledTextStart(const std::wstring& bodyText) {
    return ProposeWebTextName(bodyText, kTitledStartLength);
}

SaveOutcome RunSaveWebText(WebTextSaveHost& host, const std::function<std::wstring()>& selectedFolder) {
    // The dialog, the downloads and the questions let messages in: nothing may
    // start another save or end the program under this one.
    BusyScope busy(host.Busy());
    SaveOutcome outcome;
    CHtmlEditView* view = host.EditorView();
    HtmlEngine* engine = view ? view->Engine() : nullptr;
    // A body being set is never read half-way.
    if (!engine || !engine->HasDocument() || view->IsBusy()) return outcome;

    const HWND window = host.SaveWindow();
    std::wstring& name = host.WebTextName();
    std::wstring folder;
    if (!host.EndEditedFile(folder)) {
        std::wstring text;
        engine->GetBodyText(text);
        // A text begun by a hand-off is proposed under its page's title (cleaned of what
        // file names cannot hold); the dialog still confirms it. Captures appended later
        // leave the start as it was (a shorter start is a prefix of the longer one).
        const std::wstring& title = host.ProposedTitle();
        const std::wstring& titledStart = host.ProposedTitleStart();
        bool byTitle = !title.empty() && !ProposeWebTextName(text, 1).empty() &&
                       TitledTextStart(text).compare(0, titledStart.size(), titledStart) == 0;
        name = byTitle ? ProposeWebTextName(CleanFileName(title), kTitleNameLength)
                       : ProposeWebTextName(text, host.NameLength());
        if (!name.empty()) {
            folder = selectedFolder();
            if (IsRootFolder(folder)) {
                ::MessageBoxW(window, kChooseFolderMessage, L"提示", MB_OK | MB_ICONINFORMATION);
                return outcome;
            }
            host.AskFileName(folder);
        }
    }
    if (name.empty()) return outcome;

    std::wstring html;
    engine->GetBodyHtml(html);
    const std::wstring appDir = GetAppDir();
    std::wstring images = appDir + folder + L"\\images";
    if (::GetFileAttributesW(images.c_str()) == INVALID_FILE_ATTRIBUTES) ::CreateDirectoryW(images.c_str(), nullptr);
    LocalizeResult pictures;
    {
        // While the pictures arrive the window keeps painting, but takes no input as
        // under a dialog: what is typed now would be lost when the editor is cleared.
        struct Disabled {
            HWND w;
            BOOL was = ::EnableWindow(w, FALSE);
            ~Disabled() { if (!was) ::EnableWindow(w, TRUE); }
        } disabled{window};
        // Pictures go beside the file that refers to them.
        pictures = LocalizeImagesForFolder(host.ProgressBar(), folder, html, host.CaptureSources());
        outcome.failedPictures = pictures.failed;
    }
    if (html.empty()) return outcome;

    host.SetReady();
    outcome.path = appDir + folder + L"\\" + name + L".htm";
    RemoveFolderFileUrl(html, appDir, folder, engine->DocumentUrl());
    DWORD error = WriteWebTextFile(outcome.path, WrapWebText(name, html));
    if (error) {
        ReportFileError(window, outcome.path, error);
        return outcome;
    }
    outcome.written = true;
    host.ProposedTitle().clear();
    host.ProposedTitleStart().clear();
    host.WebTextWritten(outcome.path, folder);
    engine->NewDocument();

    if (host.OpenPrompt()) {
        outcome.report = L"保存网文：“" + name + L".htm”完毕，是否查看文件？";
        if (outcome.failedPictures) outcome.report += L"\n\n" + FailedPicturesNote(pictures);
        if (::MessageBoxW(::GetForegroundWindow(), outcome.report.c_str(), L"保存", MB_YESNO | MB_ICONQUESTION) == IDYES)
            ::ShellExecuteW(nullptr, L"open", L"iexplore.exe", outcome.path.c_str(), nullptr, SW_SHOW);
    } else {
        outcome.report = L"已保存完毕！";
        if (outcome.failedPictures) outcome.report += L"\n" + FailedPicturesNote(pictures);
        host.ShowBalloon(kBalloonInfo, L"", outcome.report.c_str());
    }
    return outcome;
}
