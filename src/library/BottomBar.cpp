#include "library/BottomBar.h"
#include "library/FileListing.h"
#include "library/IEBar.h"
#include "framework/HtmlEditView.h"
#include "framework/Resources.h"
#include "resources/resource.h"
#include "settings/AppDir.h"
#include "settings/Config.h"

namespace {
const UINT kRowCommands[] = {ID_LIST_OPEN, ID_LIST_DELETE, ID_LIST_RENAME, ID_LIST_FOLDER, ID_LIST_EDIT, ID_LIST_CUT};
}  // namespace

CBOTTOMBAR::~CBOTTOMBAR() {
    if (m_list.IsWindow()) m_list.DestroyWindow();
    if (m_images) ImageList_Destroy(m_images);
}

bool CBOTTOMBAR::InitFileList(CIEBar* companion) {
    const DWORD style = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_EDITLABELS | LVS_SHOWSELALWAYS;
    if (!m_list.Create(style, RECT{3, 6, 500, 190}, m_hWnd, IDC_FILELIST))
        AfxMessageBox(L"Create List failed!", MB_OK, m_hWnd);
    if (m_list.IsWindow()) {
        static const struct { const wchar_t* heading; int width; } columns[] = {
            {L"文件名", 200}, {L"路径", 400}, {L"创建时间", 200}};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
            col.fmt = LVCFMT_LEFT;
            col.cx = columns[i].width;
            col.pszText = const_cast<wchar_t*>(columns[i].heading);
            col.iSubItem = i;
            m_list.SendMessage(LVM_INSERTCOLUMNW, i, (LPARAM)&col);
        }
        m_list.SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    }

    // The start folder is named by two keys the program itself never writes.
    std::wstring id = config::Read(L"SEL", L"ID", config::kShortChars);
    std::wstring key = StartFolderKey(id);
    ListFolderFiles(GetAppDir() + config::Read(L"FOLDER", key.c_str(), config::kFolderIndexChars));

    ApplyDpiToContent((HFONT)SendMessage(WM_GETFONT));

    m_companion = companion;
    SortByCreationTime();
    return true;
}

void CBOTTOMBAR::ApplyDpiToContent(HFONT font) {
    if (!m_list.IsWindow()) return;
    if (font) m_list.SendMessage(WM_SETFONT, (WPARAM)font, FALSE);
    // The rows grow with the font and the icon; the old list goes once the list has the new one.
    const int size = dpi::IconSize(16, Dpi());
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 0);
    HICON icon = dpi::LoadProgramIcon(IDI_LIST_ROW, 16, Dpi());
    ImageList_AddIcon(images, icon);
    if (icon) ::DestroyIcon(icon);
    m_list.SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)images);
    if (m_images) ImageList_Destroy(m_images);
    m_images = images;
}

int CBOTTOMBAR::ListFolderFiles(const std::wstring& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((folder + L"\\*.htm").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int added = 0;
    // The search gives each entry's creation time: no file is opened for it.
    const LONGLONG bias = LocalTimeBias();
    do {
        auto row = std::make_unique<FileRow>();
        row->text[0] = fd.cFileName;
        row->text[1] = folder;
        row->text[2] = FormatLocalFileTime(AddBias(fd.ftCreationTime, bias));
        m_list.AppendRow(std::move(row));
        ++added;
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    m_list.ShowAppendedRows();
    return added;
}

void CBOTTOMBAR::SortByCreationTime() {
    // Two clicks on the time column: newest first, unless the list already was
    // ascending by time, which it stays.
    NMLISTVIEW click{};
    click.hdr.hwndFrom = m_list.m_hWnd;
    click.hdr.idFrom = IDC_FILELIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = 2;
    for (int i = 0; i < 2; ++i) {
        NMLISTVIEW copy = click;
        SendMessage(WM_NOTIFY, IDC_FILELIST, (LPARAM)&copy);
    }
}

void CBOTTOMBAR::LeaveEditMode() {
    if (m_host->IsEditorModified()) {
        m_asking = true;
        BusyScope shared(m_host->SharedBusy());
        int answer = ::MessageBoxW(m_hWnd, L"文档已经修改，是否保存？", L"提示", MB_YESNO | MB_ICONQUESTION);
        m_asking = false;
        if (answer == IDYES) m_host->SaveWebText();
    }
    CHtmlEditView* editor = m_host->EditorView();
    if (editor && editor->Engine()) editor->Engine()->NewDocument();
    m_host->m_editMode = false;
}

void CBOTTOMBAR::RefreshFileList(const wchar_t* relPath) {
    std::wstring path = relPath ? relPath : L"";
    if (m_asking) {
        // The save question is open: its answer comes first, then the folder asked for last.
        m_refreshWaiting = true;
        m_waitingPath = path;
        return;
    }
    // A result row edited and saved (the save ended the edit): back to the results, searched
    // again, rather than to a folder the tree does not show.
    bool resultSaved = m_searchShown && m_editFromResults && !m_host->m_editMode;
    m_editFromResults = false;
    if (resultSaved && m_host->SearchAgain()) return;
    if (m_host->m_editMode) {
        LeaveEditMode();
        if (m_refreshWaiting) path = m_waitingPath;
        m_refreshWaiting = false;
    }
    m_searchShown = false;
    m_list.DeleteAllItems();
    int count = ListFolderFiles(ListedFolder(GetAppDir(), path));
    m_host->SetStatusText(FileCountText(count));
    SortByCreationTime();
}

void CBOTTOMBAR::ShowSearchResults(std::vector<std::unique_ptr<FileRow>> rows, const std::wstring& status) {
    if (m_asking) return;   // the save question of a refresh is open: it comes first
    if (m_host->m_editMode) LeaveEditMode();
    m_editFromResults = false;
    m_searchShown = true;
    m_list.DeleteAllItems();
    for (auto& row : rows) m_list.AppendRow(std::move(row));
    m_list.ShowAppendedRows();
    // The rows stay in order of relevance: no column is sorted.
    m_list.m_sortColumn = -1;
    m_host->SetStatusText(status);
}

SIZE CBOTTOMBAR::CalcDynamicLayout(int, DWORD) {
    RECT f{};
    ::GetClientRect(::GetParent(m_hWnd), &f);
    // Every layout pass shows the current folder afresh, unless a library file is being
    // edited or search results are shown.
    if (!m_host->m_editMode && !m_searchShown) {
        std::wstring path = m_companion ? m_companion->GetSelectedFolderPath() : L"";
        SendMessage(WM_REFRESH_FILELIST, 0, (LPARAM)path.c_str());
    }
    if (!m_list.IsWindow()) return {0, 0};
    bool treeShown = m_companion && m_companion->IsWindow() &&
                     (::GetWindowLongPtrW(m_companion->m_hWnd, GWL_STYLE) & WS_VISIBLE);
    int w = treeShown ? f.right - m_companion->m_width : f.right;
    const int x0 = f.left + Px(treeShown ? 3 : 2), top = f.top + Px(7), edge = Px(3);
    ::MoveWindow(m_list.m_hWnd, x0, top, w + edge - x0, m_height - Px(7) - top, TRUE);
    const short widths[] = {(short)((w - edge) / 4), (short)((w - edge) / 2), (short)((w - edge) / 4 - Px(13))};
    for (int i = 0; i < 3; ++i) m_list.SendMessage(LVM_SETCOLUMNWIDTH, i, MAKELPARAM(widths[i], 0));
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return {w + Px(6), m_height};
}

LRESULT CBOTTOMBAR::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT frameResult = 0;
    if (OnFrameMessage(msg, wp, lp, frameResult)) return frameResult;
    switch (msg) {
    case WM_REFRESH_FILELIST:
        RefreshFileList(reinterpret_cast<const wchar_t*>(lp));
        return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr && hdr->hwndFrom && hdr->hwndFrom == m_list.m_hWnd) return OnNotify(hdr);
        break;
    }
    case WM_COMMAND:
        if (HIWORD(wp) == 0 && lp == 0 && OnCommand(LOWORD(wp))) return 0;
        break;
    }
    return CDialogBar::OnMessage(msg, wp, lp);
}

LRESULT CBOTTOMBAR::OnNotify(NMHDR* hdr) {
    LRESULT result = 0;
    // Header clicks and cell texts are the list's own business.
    if (m_list.OnReflectedNotify(hdr, result)) return result;
    switch (hdr->code) {
    case NM_RCLICK:
        ShowPopupMenu();
        return 0;
    case NM_DBLCLK:
        EditSelectedFile();
        return 0;
    case LVN_BEGINLABELEDITW:
        OnBeginLabelEdit(reinterpret_cast<NMLVDISPINFOW*>(hdr));
        return 0;
    case LVN_ENDLABELEDITW:
        // The list never takes the typed text itself: the cell changes only after a rename.
        OnEndLabelEdit(reinterpret_cast<NMLVDISPINFOW*>(hdr));
        return 0;
    }
    return 0;
}

void CBOTTOMBAR::ShowPopupMenu() {
    HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_POPLIST));
    if (!menu) return;
    HMENU popup = ::GetSubMenu(menu, 0);
    if (m_list.SendMessage(LVM_GETSELECTEDCOUNT) == 0)
        for (UINT id : kRowCommands) ::EnableMenuItem(popup, id, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    if (!m_host->m_cutPending) ::EnableMenuItem(popup, ID_LIST_PASTE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    POINT pt{};
    ::GetCursorPos(&pt);
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
    ::DestroyMenu(menu);
}

bool CBOTTOMBAR::OnCommand(UINT id) {
    switch (id) {
    case ID_LIST_OPEN: OpenSelectedFiles(); return true;
    case ID_LIST_EDIT: EditSelectedFile(); return true;
    case ID_LIST_CUT: CutSelectedFiles(); return true;
    case ID_LIST_PASTE: PasteFiles(); return true;
    case ID_LIST_DELETE: DeleteSelectedFiles(); return true;
    case ID_LIST_FOLDER: OpenContainingFolder(); return true;
    case ID_LIST_RENAME: RenameSelectedFile(); return true;
    }
    return false;
}
