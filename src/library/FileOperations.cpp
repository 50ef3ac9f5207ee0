// The file operations of the file list pane on its selected rows: open, edit,
// cut and paste with the pictures, delete, rename.
#include "library/BottomBar.h"
#include "library/FileListing.h"
#include "library/IEBar.h"
#include "library/PictureTransfer.h"
#include "framework/HtmlEditView.h"
#include "settings/AppDir.h"
#include <shellapi.h>

namespace {

ShellRunner g_shellRunner = nullptr;

void Run(const wchar_t* program, const std::wstring& parameters) {
    (g_shellRunner ? g_shellRunner : ::ShellExecuteW)(nullptr, L"open", program, parameters.c_str(), nullptr, SW_SHOW);
}

// Set while an operation waits in a question or dialog, so that nothing re-enters it:
// the pane's own flag stops a second edit, paste or delete, and the frame's busy state
// (shared) stops saves, captures and the exit meanwhile.
class PaneBusy {
public:
    PaneBusy(bool& flag, BusyState* shared)
        : m_flag(flag), m_taken(!flag && !(shared && shared->Active())), m_shared(m_taken ? shared : nullptr) {
        if (m_taken) m_flag = true;
    }
    ~PaneBusy() {
        if (m_taken) m_flag = false;
    }
    bool Taken() const { return m_taken; }
private:
    bool& m_flag;
    bool m_taken;
    BusyScope m_shared;
};

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring WithoutExtension(const std::wstring& name) {
    return name.size() >= 4 ? name.substr(0, name.size() - 4) : L"";
}

}  // namespace

void SetShellRunnerForTesting(ShellRunner runner) { g_shellRunner = runner; }

std::wstring CBOTTOMBAR::FullPath(int row) const {
    return m_list.GetItemText(row, 1) + L"\\" + m_list.GetItemText(row, 0);
}

std::wstring CBOTTOMBAR::CurrentFolder() const { return m_companion ? m_companion->GetSelectedFolderPath() : L""; }

void CBOTTOMBAR::EmptyEditor() {
    CHtmlEditView* editor = m_host->EditorView();
    if (editor && editor->Engine()) editor->Engine()->NewDocument();
    m_host->m_editMode = false;
    m_editFromResults = false;
}

void CBOTTOMBAR::OpenSelectedFiles() {
    for (int row : m_list.SelectedRows())
        Run(L"iexplore.exe", FullPath(row));
}

void CBOTTOMBAR::OpenContainingFolder() {
    std::vector<int> rows = m_list.SelectedRows();
    if (rows.empty()) return;
    // Quoted: explorer reads a comma as the end of the folder.
    std::wstring folder = L"\"" + m_list.GetItemText(rows[0], 1) + L"\"";
    Run(L"explorer.exe", folder);
}

void CBOTTOMBAR::EditSelectedFile() {
    PaneBusy busy(m_busy, m_host->SharedBusy());
    if (!busy.Taken()) return;
    // The rows chosen now are the ones loaded, even when the save below refreshes the list.
    struct Chosen { std::wstring path, name, folder; };
    std::vector<Chosen> chosen;
    for (int row : m_list.SelectedRows())
        chosen.push_back({FullPath(row), m_list.GetItemText(row, 0), m_list.GetItemText(row, 1)});
    if (chosen.empty()) return;
    // Collected text that was never saved is offered for saving too: loading a file
    // replaces it.
    if (m_host->IsEditorModified() &&
        ::MessageBoxW(m_hWnd, L"文档已经修改，是否保存？", L"提示", MB_YESNO | MB_ICONQUESTION) == IDYES)
        m_host->SaveWebText();
    CHtmlEditView* editor = m_host->EditorView();
    for (const Chosen& file : chosen) {
        if (editor && editor->Engine()) editor->Engine()->NewDocument();
        if (editor) editor->Navigate(file.path);
        m_host->m_editMode = true;
        // The file is written back where it lies: a search result's folder need not be the
        // tree's.
        m_host->m_editFolder = RelativeFolder(GetAppDir(), file.folder);
        m_host->m_webTextName = WithoutExtension(file.name);
    }
    m_editFromResults = m_searchShown;
    m_host->EditorLoaded(chosen.back().path);
}

void CBOTTOMBAR::CutSelectedFiles() {
    if (m_busy) return;   // a paste in progress keeps its list
    m_host->m_cutPending = true;
    m_cutList.clear();
    for (int row : m_list.SelectedRows()) m_cutList.push_back(FullPath(row));
}

void CBOTTOMBAR::PasteFiles() {
    PaneBusy busy(m_busy, m_host->SharedBusy());
    if (!busy.Taken()) return;
    const std::wstring destination = CurrentFolder();
    const std::wstring destFolder = GetAppDir() + destination;
    const std::vector<std::wstring> cut = m_cutList;
    for (const std::wstring& path : cut) {
        size_t slash = path.find_last_of(L'\\');
        if (slash == std::wstring::npos) continue;
        std::wstring name = path.substr(slash + 1);
        const std::wstring sourceFolder = path.substr(0, slash);
        if (!Exists(destFolder + L"\\" + name)) {
            ::MoveFileExW(path.c_str(), (destFolder + L"\\" + name).c_str(), MOVEFILE_COPY_ALLOWED);
        } else {
            if (::MessageBoxW(m_hWnd, L"文件夹中已存在同名的文件，是否真的要继续贴粘到这个文件夹中？", L"询问",
                              MB_YESNO | MB_ICONQUESTION) != IDYES)
                return;
            m_host->m_webTextName = WithoutExtension(name);
            m_host->AskFileName(destination);
            if (m_host->m_webTextName.empty()) return;
            name = m_host->m_webTextName + L".htm";
            ::MoveFileExW(path.c_str(), (destFolder + L"\\" + name).c_str(), MOVEFILE_COPY_ALLOWED);
        }
        TransferPicturesMove(sourceFolder, name, destFolder);
        m_host->IndexUpdates().FileMoved(path, destFolder + L"\\" + name);
        m_host->m_cutPending = false;
        SendMessage(WM_REFRESH_FILELIST, 0, (LPARAM)destination.c_str());
    }
    if (m_host->m_editMode) EmptyEditor();
}

void CBOTTOMBAR::DeleteSelectedFiles() {
    PaneBusy busy(m_busy, m_host->SharedBusy());
    if (!busy.Taken()) return;
    // The rows asked about are the rows deleted, whatever refreshes while the question waits.
    std::vector<const FileRow*> chosen;
    for (int row : m_list.SelectedRows()) chosen.push_back(m_list.Row(row));
    if (chosen.empty()) return;
    std::vector<std::pair<std::wstring, std::wstring>> files;   // folder, name
    for (const FileRow* row : chosen) files.push_back({row->text[1], row->text[0]});
    if (::MessageBoxW(m_hWnd, L"真的要删除这些项？", L"提示", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    for (const auto& [folder, name] : files) {
        TransferPicturesDelete(folder, name);
        ::DeleteFileW((folder + L"\\" + name).c_str());
        m_host->IndexUpdates().FileRemoved(folder + L"\\" + name);
        for (int i = 0; i < m_list.GetItemCount(); ++i) {
            const FileRow* row = m_list.Row(i);
            if (row->text[0] == name && row->text[1] == folder) {
                m_list.DeleteItem(i);
                break;
            }
        }
    }
    // The count shown is the count of the rows left.
    int left = m_list.GetItemCount();
    m_host->SetStatusText(m_searchShown ? FoundCountText(left) : FileCountText(left));
    if (m_host->m_editMode) EmptyEditor();
}

void CBOTTOMBAR::RenameSelectedFile() {
    std::vector<int> rows = m_list.SelectedRows();
    if (rows.empty()) return;
    ::SetFocus(m_list.m_hWnd);
    m_list.SendMessage(LVM_EDITLABELW, rows[0]);
}

void CBOTTOMBAR::OnBeginLabelEdit(NMLVDISPINFOW* info) {
    m_oldLabel = m_list.GetItemText(info->item.iItem, 0);
    if (HWND edit = (HWND)m_list.SendMessage(LVM_GETEDITCONTROL))
        ::SetWindowTextW(edit, NameBeforeFirstDot(m_oldLabel).c_str());
}

void CBOTTOMBAR::OnEndLabelEdit(NMLVDISPINFOW* info) {
    // A message box shown here takes the focus from the edit box, and the list then
    // ends the same edit once more: that is no new rename.
    if (m_endingEdit) return;
    if (!info->item.pszText || !info->item.pszText[0]) return;
    const int row = info->item.iItem;
    const std::wstring folder = m_list.GetItemText(row, 1);
    std::wstring text = info->item.pszText;
    PaneBusy ending(m_endingEdit, nullptr);
    BusyScope shared(m_host->SharedBusy());   // its message boxes and the shell's rename
    std::wstring refusal = RenameRefusal(text, folder);
    if (!refusal.empty()) {
        ::MessageBoxW(m_hWnd, refusal.c_str(), L"错误", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    text += L".htm";
    std::wstring from = folder + L"\\" + m_oldLabel + L'\0';
    std::wstring to = folder + L"\\" + text + L'\0';
    SHFILEOPSTRUCTW op{};
    op.hwnd = m_hWnd;
    op.wFunc = FO_RENAME;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = FOF_ALLOWUNDO;
    if (::SHFileOperationW(&op) != 0 || op.fAnyOperationsAborted) return;
    m_host->IndexUpdates().FileMoved(folder + L"\\" + m_oldLabel, folder + L"\\" + text);
    m_list.SetItemText(row, 0, text);
    // The file open for editing is written back under its new name, not again under the old.
    if (m_host->m_editMode && _wcsicmp(m_host->m_editFolder.c_str(), RelativeFolder(GetAppDir(), folder).c_str()) == 0 &&
        _wcsicmp(m_host->m_webTextName.c_str(), WithoutExtension(m_oldLabel).c_str()) == 0)
        m_host->m_webTextName = WithoutExtension(text);
}

bool CBOTTOMBAR::PreTranslateMessage(MSG* msg) {
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !m_list.IsWindow()) return false;
    HWND edit = (HWND)m_list.SendMessage(LVM_GETEDITCONTROL);
    if (!edit || msg->hwnd != edit) return false;
    // Cut, copy, paste, undo and Delete edit the name; the frame's accelerators
    // would send them to the editor instead.
    ::TranslateMessage(msg);
    ::DispatchMessageW(msg);
    return true;
}
