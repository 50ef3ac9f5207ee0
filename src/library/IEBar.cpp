#include "library/IEBar.h"
#include "library/BottomBar.h"
#include "library/FolderTreeRules.h"
#include "framework/Resources.h"
#include "resources/resource.h"
#include "settings/AppDir.h"
#include "settings/Config.h"
#include <shellapi.h>
#include <vector>

using namespace foldertree;

namespace {
HWND g_paneFrame = nullptr;

void WriteRoute(const std::wstring& path) { config::Write(L"SEL", L"ROUTE", path); }

// Runs the shell's file operation on one source; true when it reports success.
bool ShellFileOp(HWND owner, UINT func, const std::wstring& from, const std::wstring& to, FILEOP_FLAGS flags) {
    std::wstring src = DoubleNulTerminated(from);
    std::wstring dst = DoubleNulTerminated(to);
    SHFILEOPSTRUCTW op{};
    op.hwnd = owner;
    op.wFunc = func;
    op.pFrom = src.c_str();
    op.pTo = to.empty() ? nullptr : dst.c_str();
    op.fFlags = flags;
    return ::SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}
// Whether a folder shows a "+": it holds a folder the tree would show. Stops at the first.
bool HasSubfolders(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileExW((dir + L"\\*").c_str(), FindExInfoBasic, &fd, FindExSearchLimitToDirectories,
                                     nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        std::wstring name = fd.cFileName;
        found = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L".." &&
                name != kImagesFolder;
    } while (!found && ::FindNextFileW(find, &fd));
    ::FindClose(find);
    return found;
}

bool IsLink(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Removes a link itself, never what it points to.
bool RemoveLink(const std::wstring& path) {
    if (::RemoveDirectoryW(path.c_str()) || ::DeleteFileW(path.c_str())) return true;
    HANDLE h = ::CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_DELETE_ON_CLOSE,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return !IsLink(::GetFileAttributesW(path.c_str()));
}

// Deletes a folder without following any link in it: links are removed themselves.
// What cannot be removed stays (a link the system cannot remove keeps its folder).
void DeleteWithoutFollowing(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveLink(path);
            } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteWithoutFollowing(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(find, &fd));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(dir.c_str());
}

bool HoldsLinks(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) found = true;
        else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) found = HoldsLinks(dir + L"\\" + name);
    } while (!found && ::FindNextFileW(find, &fd));
    ::FindClose(find);
    return found;
}
}  // namespace

HWND GetPaneFrame() { return g_paneFrame; }

CIEBar::~CIEBar() {
    if (m_tree && ::IsWindow(m_tree)) ::DestroyWindow(m_tree);
    m_tree = nullptr;
    if (m_toolTip && ::IsWindow(m_toolTip)) ::DestroyWindow(m_toolTip);
    if (m_images) ImageList_Destroy(m_images);
    if (m_frame && g_paneFrame == m_frame) g_paneFrame = nullptr;
}

bool CIEBar::InitFolderTree(HWND mainFrame) {
    g_paneFrame = m_frame = mainFrame;
    HINSTANCE inst = ::GetModuleHandleW(nullptr);

    m_toolTip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, inst, nullptr);
    if (!m_toolTip) return false;

    m_tree = ::CreateWindowExW(0, WC_TREEVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS |
                                   TVS_SHOWSELALWAYS,
                               0, 0, 155, 253, m_hWnd, (HMENU)(UINT_PTR)IDC_TREE, inst, nullptr);
    if (!m_tree) {
        AfxMessageBox(L"Create TreeCtrl Failed!", MB_OK, m_hWnd);
        return false;
    }
    ApplyDpiToContent((HFONT)SendMessage(WM_GETFONT));

    TVINSERTSTRUCTW ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = const_cast<wchar_t*>(kRootLabel);
    ins.item.iImage = 0;
    ins.item.iSelectedImage = 0;
    HTREEITEM root = TreeView_InsertItem(m_tree, &ins);

    if (!config::Exists()) return true;
    std::wstring appDir = GetAppDir();
    // Only the top level now: a folder's subfolders are read when it is first opened.
    FillFolderTree(root, appDir.substr(0, appDir.size() - 1));
    // A library without category folders is a normal state: nothing to expand or select.
    if (!TreeView_GetChild(m_tree, root)) return true;
    if (!TreeView_Expand(m_tree, root, TVE_TOGGLE)) {
        AfxMessageBox(L"Expand failed!", MB_OK, m_hWnd);
        return true;
    }
    RestoreSelection(root);
    return true;
}

void CIEBar::RestoreSelection(HTREEITEM root) {
    std::vector<std::wstring> route = SplitRoute(config::Read(L"SEL", L"ROUTE", config::kRouteChars));
    const size_t last = route.size() - 1;
    size_t k = 0;
    HTREEITEM item = TreeView_GetNextVisible(m_tree, root);
    // Expanding a matched folder makes its children the next visible items, so the
    // route is followed level by level; only the folders on it are read.
    for (int i = 0; item && i < (int)TreeView_GetCount(m_tree) - 1; ++i, item = TreeView_GetNextVisible(m_tree, item)) {
        if (ItemText(item) != route[k]) continue;
        if (k == last) {
            TreeView_SelectItem(m_tree, item);
            return;
        }
        FillOnce(item);
        if (TreeView_GetChild(m_tree, item)) TreeView_Expand(m_tree, item, TVE_TOGGLE);
        ++k;
    }
    TreeView_SelectItem(m_tree, TreeView_GetNextVisible(m_tree, root));
}

void CIEBar::FillFolderTree(HTREEITEM parent, const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((dir + L"\\*.*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L".." || name == kImagesFolder) continue;
        // A link (junction or symbolic link) is shown but never opened: one pointing to an
        // ancestor would make the tree endless.
        bool link = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        InsertFolder(parent, name, !link);
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
}

void CIEBar::FillOnce(HTREEITEM item) {
    TVITEMW tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!item || !TreeView_GetItem(m_tree, &tv) || tv.lParam != kUnread) return;
    tv.lParam = 0;
    TreeView_SetItem(m_tree, &tv);
    FillFolderTree(item, GetAppDir() + ItemPath(item));
    SetHasChildren(item, TreeView_GetChild(m_tree, item) != nullptr);
}

void CIEBar::SetHasChildren(HTREEITEM item, bool has) {
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = item;
    tv.cChildren = has ? 1 : 0;
    TreeView_SetItem(m_tree, &tv);
}

HTREEITEM CIEBar::InsertFolder(HTREEITEM parent, const std::wstring& name, bool unread) {
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    ins.item.pszText = const_cast<wchar_t*>(name.c_str());
    ins.item.iImage = 2;
    ins.item.iSelectedImage = 1;
    // Whether an unread folder holds folders is asked when the tree first shows it
    // (TVN_GETDISPINFOW): a level of a hundred folders costs only the rows in view.
    ins.item.cChildren = unread ? I_CHILDRENCALLBACK : 0;
    ins.item.lParam = unread ? kUnread : 0;
    return TreeView_InsertItem(m_tree, &ins);
}

std::wstring CIEBar::ItemText(HTREEITEM item) const {
    if (!item) return L"";
    wchar_t buf[1024] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = 1024;
    TreeView_GetItem(m_tree, &tv);
    return buf;
}

std::wstring CIEBar::ItemPath(HTREEITEM item) const {
    if (!item) return L"";
    std::vector<std::wstring> labels;
    for (HTREEITEM h = item; h; h = TreeView_GetParent(m_tree, h)) labels.insert(labels.begin(), ItemText(h));
    return FolderPathFromLabels(labels);
}

std::wstring CIEBar::GetSelectedFolderPath() const { return m_tree ? ItemPath(Caret()) : L""; }

void CIEBar::OpenSelectedFolder() const {
    std::wstring dir = GetAppDir() + GetSelectedFolderPath();
    // Quoted: a comma or a space in the path would split it into several arguments.
    std::wstring param = L"\"" + dir + L"\"";
    ::ShellExecuteW(nullptr, L"open", L"explorer.exe", param.c_str(), nullptr, SW_SHOWNORMAL);
}

void CIEBar::RefreshFileList(const wchar_t* relPath) const {
    HWND list = g_paneFrame ? ::GetDlgItem(g_paneFrame, IDC_LISTBAR) : nullptr;
    if (list) ::SendMessageW(list, WM_REFRESH_FILELIST, 0, (LPARAM)relPath);
}

void CIEBar::ApplyDpiToContent(HFONT font) {
    m_captionHeight = Px(22);
    if (!m_tree) return;
    if (font) ::SendMessageW(m_tree, WM_SETFONT, (WPARAM)font, FALSE);
    // The rows grow with the font and the icons; the old list goes once the tree has the new one.
    const int size = dpi::IconSize(16, Dpi());
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 3, 0);
    for (UINT id : {IDI_TREE_ROOT, IDI_TREE_OPEN, IDI_TREE_FOLDER}) {
        HICON icon = dpi::LoadProgramIcon(id, 16, Dpi());
        ImageList_AddIcon(images, icon);
        if (icon) ::DestroyIcon(icon);
    }
    TreeView_SetImageList(m_tree, images, TVSIL_NORMAL);
    if (m_images) ImageList_Destroy(m_images);
    m_images = images;
}

SIZE CIEBar::CalcDynamicLayout(int, DWORD) {
    RECT f{};
    ::GetClientRect(::GetParent(m_hWnd), &f);
    if (m_tree && ::IsWindow(m_tree)) {
        int top = m_captionHeight + Px(6);
        ::MoveWindow(m_tree, Px(5), top, m_width - Px(13), f.bottom - top - Px(82), TRUE);
    }
    return {m_width, f.bottom};
}

bool CIEBar::PreTranslateMessage(MSG* msg) {
    if (m_toolTip) ::SendMessageW(m_toolTip, TTM_RELAYEVENT, 0, (LPARAM)msg);
    switch (msg->message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
        return HIWORD(msg->lParam) <= (UINT)Px(15);
    }
    return false;
}

LRESULT CIEBar::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT frameResult = 0;
    if (OnFrameMessage(msg, wp, lp, frameResult)) return frameResult;
    switch (msg) {
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->idFrom != IDC_TREE || hdr->hwndFrom != m_tree) break;
        switch (hdr->code) {
        case NM_CLICK:
            OnTreeClick();
            return 0;
        case NM_RCLICK:
            OnTreeRightClick();
            return 0;
        case TVN_ENDLABELEDITW:
            OnEndLabelEdit(reinterpret_cast<NMTVDISPINFOW*>(lp));
            return 0;
        case TVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMTVDISPINFOW*>(lp);
            if (info->item.mask & TVIF_CHILDREN) {
                info->item.cChildren = HasSubfolders(GetAppDir() + ItemPath(info->item.hItem)) ? 1 : 0;
                info->item.mask |= TVIF_DI_SETITEM;   // kept: asked once
            }
            return 0;
        }
        case TVN_ITEMEXPANDINGW: {
            auto* nm = reinterpret_cast<NMTREEVIEWW*>(lp);
            if (nm->action & TVE_EXPAND) FillOnce(nm->itemNew.hItem);
            return 0;
        }
        }
        break;
    }
    case WM_COMMAND:
        if (HIWORD(wp) == 0 && OnCommand(LOWORD(wp))) return 0;
        break;
    }
    return CDialogBar::OnMessage(msg, wp, lp);
}

bool CIEBar::OnCommand(UINT id) {
    switch (id) {
    case ID_TREE_OPEN:
        OpenSelectedFolder();
        return true;
    case ID_TREE_DELETE:
        OnDeleteFolder();
        return true;
    case ID_TREE_RENAME:
        OnRenameFolder();
        return true;
    case ID_TREE_ADD_CHILD:
        OnAddFolder(true);
        return true;
    case ID_TREE_ADD_SIBLING:
        OnAddFolder(false);
        return true;
    }
    return false;
}

HTREEITEM CIEBar::HitItem() const {
    TVHITTESTINFO hit{};
    ::GetCursorPos(&hit.pt);
    ::ScreenToClient(m_tree, &hit.pt);
    HTREEITEM item = TreeView_HitTest(m_tree, &hit);
    return (item && (hit.flags & TVHT_ONITEM)) ? item : nullptr;
}

void CIEBar::OnTreeClick() {
    HTREEITEM item = HitItem();
    if (!item) return;
    TreeView_SelectItem(m_tree, item);
    if (ItemText(Caret()).empty()) return;
    std::wstring path = GetSelectedFolderPath();
    RefreshFileList(path.c_str());
    WriteRoute(path);
}

void CIEBar::OnTreeRightClick() {
    HTREEITEM hit = HitItem();
    if (hit) TreeView_SelectItem(m_tree, hit);
    HTREEITEM item = hit ? hit : Caret();
    if (!item) return;
    if (item == TreeView_GetRoot(m_tree)) {
        RefreshFileList(nullptr);
        return;
    }
    OnTreeClick();
    POINT pt{};
    ::GetCursorPos(&pt);
    HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_POPMENU));
    if (!menu) return;
    ::TrackPopupMenu(::GetSubMenu(menu, 0), TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
    ::DestroyMenu(menu);
}

void CIEBar::OnAddFolder(bool asChild) {
    HTREEITEM caret = Caret();
    if (!caret) return;
    HTREEITEM root = TreeView_GetRoot(m_tree);
    HTREEITEM parent = asChild ? caret : TreeView_GetParent(m_tree, caret);
    if (!parent) return;   // the root has no siblings
    FillOnce(parent);   // its folders first: the new one must not be read a second time

    // The name follows the new-folder names seen anywhere in the visible tree.
    std::vector<std::wstring> labels;
    int n = (int)TreeView_GetCount(m_tree);
    HTREEITEM h = TreeView_GetNextVisible(m_tree, root);
    for (int i = 0; h && i < n; ++i, h = TreeView_GetNextVisible(m_tree, h)) labels.push_back(ItemText(h));

    HTREEITEM item = InsertFolder(parent, NextNewFolderName(labels), true);
    SetHasChildren(parent, true);
    TreeView_SelectItem(m_tree, item);
    std::wstring path = GetSelectedFolderPath();
    std::wstring dir = GetAppDir() + path;
    // An existing folder of that name is simply taken over, with its subfolders.
    if (::GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES) ::CreateDirectoryW(dir.c_str(), nullptr);
    WriteRoute(path);
    TreeView_EditLabel(m_tree, item);
    RefreshFileList(ItemPath(item).c_str());
}

void CIEBar::OnDeleteFolder() {
    HTREEITEM caret = Caret();
    // Without a folder the path would name the program directory itself.
    if (!caret || caret == TreeView_GetRoot(m_tree)) return;
    BusyScope busy(m_busy);
    if (::MessageBoxW(m_hWnd, L"是否真的要删除目录？", L"确认", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    HTREEITEM previous = TreeView_GetPrevVisible(m_tree, caret);
    // The shell's delete would follow a link into the folder it points to (under Wine even
    // to the library itself): a link loses only itself, a folder holding links is deleted
    // without following them.
    std::wstring dir = GetAppDir() + GetSelectedFolderPath();
    if (IsLink(::GetFileAttributesW(dir.c_str()))) RemoveLink(dir);
    else if (HoldsLinks(dir)) DeleteWithoutFollowing(dir);
    else ShellFileOp(m_hWnd, FO_DELETE, dir, L"", FOF_NOCONFIRMATION);
    HTREEITEM parent = TreeView_GetParent(m_tree, caret);
    TreeView_DeleteItem(m_tree, caret);
    if (parent && !TreeView_GetChild(m_tree, parent)) SetHasChildren(parent, false);
    TreeView_SelectItem(m_tree, previous);
    RefreshFileList(GetSelectedFolderPath().c_str());
}

void CIEBar::OnRenameFolder() {
    if (HTREEITEM caret = Caret()) TreeView_EditLabel(m_tree, caret);
}

void CIEBar::OnEndLabelEdit(const NMTVDISPINFOW* info) {
    // A message box shown here takes the focus from the edit box, and the tree then ends
    // the same edit a second time: that second notification is not a new rename.
    if (m_endingEdit) return;
    HTREEITEM item = info->item.hItem;
    if (!item || item == TreeView_GetRoot(m_tree)) return;
    if (!info->item.pszText || !info->item.pszText[0]) return;
    std::wstring name = info->item.pszText;
    m_endingEdit = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_endingEdit};

    BusyScope busy(m_busy);
    std::wstring appDir = GetAppDir();
    std::wstring rel = ItemPath(item);
    std::wstring target = RenameTargetPath(appDir, rel, name);
    // Names that Windows would change (a trailing dot) or refuse (NUL, COM1) are refused
    // like illegal characters, before anything is touched.
    if (!IsAcceptedFolderName(name) || target.size() >= MAX_PATH) {
        ::MessageBoxW(m_hWnd, L"目录中含有非法字符！", L"错误", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // The edited item's own folder is renamed, whichever folder was clicked last.
    if (!ShellFileOp(m_hWnd, FO_RENAME, appDir + rel, target, FOF_ALLOWUNDO)) return;

    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = const_cast<wchar_t*>(name.c_str());
    TreeView_SetItem(m_tree, &tv);
    std::wstring path = GetSelectedFolderPath();
    RefreshFileList(path.c_str());
    WriteRoute(path);
}
