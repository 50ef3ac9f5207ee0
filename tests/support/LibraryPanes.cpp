#include "support/LibraryPanes.h"
#include "support/Harness.h"
#include "support/Remote.h"
#include <commctrl.h>

namespace zt {

std::wstring StatusText(HWND frame) {
    HWND status = ChildById(frame, 0xE801);
    RemoteBuffer buf(status, 1024);
    SendMessageW(status, SB_GETTEXTW, 0, (LPARAM)buf.Address());
    return buf.ReadString(0, 500);
}

std::wstring TreeText(HWND tree, HTREEITEM item) {
    RemoteBuffer buf(tree, sizeof(TVITEMW) + 512);
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = (LPWSTR)((BYTE*)buf.Address() + sizeof(TVITEMW));
    tv.cchTextMax = 256;
    buf.Write(&tv, sizeof(tv));
    SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)buf.Address());
    return buf.ReadString(sizeof(TVITEMW), 256);
}

bool ClickFolder(HWND frame, HWND tree, const std::wstring& label) {
    HTREEITEM root = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    HTREEITEM item = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)root);
    while (item && TreeText(tree, item) != label)
        item = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item);
    if (!item) return false;
    RemoteBuffer buf(tree, sizeof(RECT));
    buf.Write(&item, sizeof(item));
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, (LPARAM)buf.Address());
    auto bytes = buf.Read(sizeof(RECT));
    if (bytes.size() != sizeof(RECT)) return false;
    RECT r = *reinterpret_cast<RECT*>(bytes.data());
    POINT pt{r.left + 4, (r.top + r.bottom) / 2};
    POINT screen = pt;
    ClientToScreen(tree, &screen);
    SetForegroundWindow(frame);
    SetCursorPos(screen.x, screen.y);   // the tree asks where the cursor is
    WaitFor([&] { POINT now{}; GetCursorPos(&now); return now.x == screen.x && now.y == screen.y; }, 2000, 10);
    // Mouse moves from the way there, still queued, would make the tree start a drag.
    Sleep(200);
    PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    PostMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    return true;
}

std::wstring RowText(HWND list, int row, int columns) {
    RemoteBuffer buf(list, sizeof(LVITEMW) + 2048);
    std::wstring text;
    for (int col = 0; col < columns; ++col) {
        LVITEMW item{};
        item.iSubItem = col;
        item.pszText = (LPWSTR)((BYTE*)buf.Address() + sizeof(LVITEMW));
        item.cchTextMax = 900;
        buf.Write(&item, sizeof(item));
        SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)buf.Address());
        text += (col ? L"|" : L"") + buf.ReadString(sizeof(LVITEMW), 900);
    }
    return text;
}

int RowOf(HWND list, const std::wstring& name) {
    int n = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < n; ++i)
        if (RowText(list, i, 1) == name) return i;
    return -1;
}

void SelectOnly(HWND list, int row) {
    RemoteBuffer buf(list, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    buf.Write(&item, sizeof(item));
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)buf.Address());
    item.state = LVIS_SELECTED;
    buf.Write(&item, sizeof(item));
    SendMessageW(list, LVM_SETITEMSTATE, row, (LPARAM)buf.Address());
}

}  // namespace zt
