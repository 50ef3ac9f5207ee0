#include "library/SortListCtrl.h"
#include <algorithm>

int CompareCodeUnits(const std::wstring& a, const std::wstring& b) {
    // wchar_t is an unsigned 16-bit type here, so this is code-unit order.
    int d = a.compare(b);
    return d > 0 ? 1 : (d < 0 ? -1 : 0);
}

bool CSortListCtrl::Create(DWORD style, const RECT& r, HWND parent, UINT id) {
    HWND h = ::CreateWindowExW(0, WC_LISTVIEWW, L"", style | LVS_OWNERDATA, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent, (HMENU)(UINT_PTR)id, ::GetModuleHandleW(nullptr), nullptr);
    if (!h) return false;
    SubclassWindow(h);
    return true;
}

void CSortListCtrl::OnColumnClick(int column) {
    if (column == m_sortColumn) {
        m_ascending = m_ascending ? 0 : 1;
    } else {
        m_ascending = 1;
        m_sortColumn = column;
    }
    // The control keeps selection and focus by position: they follow their rows.
    std::vector<const FileRow*> selected;
    for (int i : SelectedRows()) selected.push_back(m_rows[i].get());
    const FileRow* focused = nullptr;
    int focus = m_hWnd ? (int)SendMessage(LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED) : -1;
    if (focus >= 0 && focus < GetItemCount()) focused = m_rows[focus].get();

    std::sort(m_rows.begin(), m_rows.end(), [this](const auto& a, const auto& b) {
        return CompareRows((LPARAM)a.get(), (LPARAM)b.get(), (LPARAM)this) < 0;
    });
    if (!m_hWnd) return;
    if (!selected.empty() || focused) {
        LVITEMW clear{};
        clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessage(LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&clear);
        for (int i = 0; i < GetItemCount(); ++i) {
            const FileRow* row = m_rows[i].get();
            UINT state = (std::find(selected.begin(), selected.end(), row) != selected.end() ? LVIS_SELECTED : 0) |
                         (row == focused ? LVIS_FOCUSED : 0);
            if (!state) continue;
            LVITEMW item{};
            item.state = state;
            item.stateMask = state;
            SendMessage(LVM_SETITEMSTATE, i, (LPARAM)&item);
        }
    }
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

int CALLBACK CSortListCtrl::CompareRows(LPARAM row1, LPARAM row2, LPARAM self) {
    auto* list = reinterpret_cast<const CSortListCtrl*>(self);
    auto* a = reinterpret_cast<const FileRow*>(row1);
    auto* b = reinterpret_cast<const FileRow*>(row2);
    if (!a || !b || list->m_sortColumn < 0 || list->m_sortColumn > 2) return 0;
    int d = CompareCodeUnits(a->text[list->m_sortColumn], b->text[list->m_sortColumn]);
    return list->m_ascending ? d : -d;
}

const FileRow* CSortListCtrl::Row(int index) const {
    return index >= 0 && index < GetItemCount() ? m_rows[index].get() : nullptr;
}

std::wstring CSortListCtrl::GetItemText(int index, int column) const {
    const FileRow* row = Row(index);
    return row && column >= 0 && column <= 2 ? row->text[column] : std::wstring();
}

void CSortListCtrl::SetItemText(int index, int column, const std::wstring& text) {
    if (!Row(index) || column < 0 || column > 2) return;
    m_rows[index]->text[column] = text;
    if (m_hWnd) SendMessage(LVM_REDRAWITEMS, index, index);
}

std::vector<int> CSortListCtrl::SelectedRows() const {
    std::vector<int> rows;
    if (!m_hWnd) return rows;
    for (int i = -1; (i = (int)SendMessage(LVM_GETNEXTITEM, i, LVNI_SELECTED)) >= 0 && i < GetItemCount();)
        rows.push_back(i);
    return rows;
}

void CSortListCtrl::DeleteItem(int index) {
    if (!Row(index)) return;
    if (m_hWnd) SendMessage(LVM_DELETEITEM, index);
    m_rows.erase(m_rows.begin() + index);
}

void CSortListCtrl::DeleteAllItems() {
    if (m_hWnd) SendMessage(LVM_DELETEALLITEMS);
    m_rows.clear();
}

void CSortListCtrl::ShowAppendedRows() {
    if (m_hWnd) SendMessage(LVM_SETITEMCOUNT, m_rows.size(), LVSICF_NOSCROLL);
}

int CSortListCtrl::FindByName(const std::wstring& prefix, int start, bool wrap) const {
    int n = GetItemCount();
    for (int k = 0; k < n; ++k) {
        int i = start + k;
        if (i >= n) {
            if (!wrap) break;
            i -= n;
        }
        const std::wstring& name = m_rows[i]->text[0];
        if (name.size() >= prefix.size() &&
            ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.c_str(), (int)prefix.size(), prefix.c_str(),
                             (int)prefix.size()) == CSTR_EQUAL)
            return i;
    }
    return -1;
}

bool CSortListCtrl::OnReflectedNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
    case LVN_COLUMNCLICK:
        OnColumnClick(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
        result = 0;
        return true;
    case LVN_GETDISPINFOW: {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(hdr)->item;
        const FileRow* row = Row(item.iItem);
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            item.pszText[0] = 0;
            if (row && item.iSubItem >= 0 && item.iSubItem <= 2) {
                const std::wstring& text = row->text[item.iSubItem];
                size_t n = std::min<size_t>(text.size(), (size_t)item.cchTextMax - 1);
                text.copy(item.pszText, n);
                item.pszText[n] = 0;
            }
        }
        if (item.mask & LVIF_IMAGE) item.iImage = 0;   // icon 151 on every row
        if (item.mask & LVIF_PARAM) item.lParam = (LPARAM)row;
        result = 0;
        return true;
    }
    case LVN_ODFINDITEMW: {
        // Typing a name's first letters selects it, as in any list.
        auto* find = reinterpret_cast<NMLVFINDITEMW*>(hdr);
        const LVFINDINFOW& info = find->lvfi;
        result = -1;
        if ((info.flags & (LVFI_STRING | LVFI_PARTIAL)) && info.psz)
            result = FindByName(info.psz, std::max(0, find->iStart), (info.flags & LVFI_WRAP) != 0);
        return true;
    }
    }
    return false;
}

int AddFileRow(CSortListCtrl& list, const std::wstring& name, const std::wstring& folder, const std::wstring& time) {
    auto row = std::make_unique<FileRow>();
    row->text[0] = name;
    row->text[1] = folder;
    row->text[2] = time;
    list.AppendRow(std::move(row));
    list.ShowAppendedRows();
    return list.GetItemCount() - 1;
}
