#include "capture/WebTextSaver.h"
#include "capture/ImageLocalizer.h"
#include "capture/WebTextFile.h"
#include "app/MainFrame.h"
#include "app/TrayIcon.h"
#include "settings/AppDir.h"

const wchar_t kChooseFolderMessage[] = L"请先在目录树中选择保存网文的分类目录！";

namespace {

const wchar_t kRootLabel[] = L"我的网文";
// A page title proposed as a name is cut here: titles run longer than a text's first words.
constexpr int kTitleNameLength = 60;

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

SaveOutcome RunSaveWebText(CMainFrame& frame, const std::function<std::wstring()>& selectedFolder) {
    // The dialog, the downloads and the questions let messages in: nothing may
    // start another save or end the program under this one.
    BusyScope busy(frame.Busy());
    SaveOutcome outcome;
    CHtmlEditView* view = frame.m_mainView ? frame.m_mainView : &frame.m_view;
    HtmlEngine* engine = view->Engine();
    // A body being set is never read half-way.
    if (!engine || !engine->HasDocument() || view->IsBusy()) return outcome;

    std::wstring folder;
    if (!frame.m_editMode) {
        std::wstring text;
        engine->GetBodyText(text);
        // A text begun by a hand-off is proposed under its page's title (cleaned of what
        // file names cannot hold); the dialog still confirms it.
        bool byTitle = !frame.m_proposedTitle.empty() && !ProposeWebTextName(text, 1).empty();
        frame.m_webTextName = byTitle ? ProposeWebTextName(CleanFileName(frame.m_proposedTitle), kTitleNameLength)
                                      : ProposeWebTextName(text, frame.m_nameLength);
        if (!frame.m_webTextName.empty()) {
            folder = selectedFolder();
            if (IsRootFolder(folder)) {
                ::MessageBoxW(frame.m_hWnd, kChooseFolderMessage, L"提示", MB_OK | MB_ICONINFORMATION);
                return outcome;
            }
            frame.m_fileNameDlg.m_folder = folder;
            frame.m_fileNameDlg.DoModal(frame.m_hWnd);
        }
    } else {
        folder = frame.m_editFolder;
        frame.m_editMode = false;
    }
    if (frame.m_webTextName.empty()) return outcome;

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
        } disabled{frame.m_hWnd};
        // Pictures go beside the file that refers to them.
        pictures = LocalizeImagesForFolder(&frame.m_wndStatusBar, folder, html, frame.CaptureSources());
        outcome.failedPictures = pictures.failed;
    }
    if (html.empty()) return outcome;

    frame.m_ready = true;
    outcome.path = appDir + folder + L"\\" + frame.m_webTextName + L".htm";
    RemoveFolderFileUrl(html, appDir, folder, engine->DocumentUrl());
    DWORD error = WriteWebTextFile(outcome.path, WrapWebText(frame.m_webTextName, html));
    if (error) {
        ReportFileError(frame.m_hWnd, outcome.path, error);
        return outcome;
    }
    outcome.written = true;
    frame.m_proposedTitle.clear();
    frame.IndexUpdates().FileSaved(outcome.path);
    if (frame.m_wndListBar.IsWindow())
        ::SendMessageW(frame.m_wndListBar.m_hWnd, WM_REFRESH_FILELIST, 0, (LPARAM)folder.c_str());
    engine->NewDocument();

    if (frame.m_openPrompt) {
        outcome.report = L"保存网文：“" + frame.m_webTextName + L".htm”完毕，是否查看文件？";
        if (outcome.failedPictures) outcome.report += L"\n\n" + FailedPicturesNote(pictures);
        if (::MessageBoxW(::GetForegroundWindow(), outcome.report.c_str(), L"保存", MB_YESNO | MB_ICONQUESTION) == IDYES)
            ::ShellExecuteW(nullptr, L"open", L"iexplore.exe", outcome.path.c_str(), nullptr, SW_SHOW);
    } else {
        outcome.report = L"已保存完毕！";
        if (outcome.failedPictures) outcome.report += L"\n" + FailedPicturesNote(pictures);
        ShowTrayBalloon(kBalloonInfo, L"", outcome.report.c_str());
    }
    return outcome;
}

void CMainFrame::SaveWebText() {
    if (RunSaveWebText(*this, [this] { return m_wndTreeBar.GetSelectedFolderPath(); }).written) DiscardRecovery();
}
