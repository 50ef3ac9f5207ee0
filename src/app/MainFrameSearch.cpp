// The search box beside the toolbar and the library search behind it.
#include "app/MainFrame.h"
#include "framework/Dpi.h"
#include "library/FileListing.h"
#include "resources/resource.h"
#include "settings/AppDir.h"
#include <algorithm>

namespace {
const wchar_t kSearchCue[] = L"搜索网文";
const int kSearchBoxWidth = 200, kSearchBoxMinWidth = 100, kSearchBoxHeight = 24, kSearchBoxGap = 12;
}  // namespace

LibraryIndexUpdates& CMainFrame::IndexUpdates() {
    return m_search ? *m_search : FileListHost::IndexUpdates();
}

bool CMainFrame::CreateSearchBox() {
    // A child of the toolbar, which clips it out of its own painting and places it in each
    // layout pass: at creation the bar may not have its width yet.
    // Its font and sizes come with the frame's DPI (MainFrameDpi.cpp).
    m_searchBox = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                    0, 0, kSearchBoxWidth, kSearchBoxHeight, m_wndToolBar.m_hWnd,
                                    (HMENU)(UINT_PTR)IDC_SEARCH_BOX, ::GetModuleHandleW(nullptr), nullptr);
    if (!m_searchBox) return false;
    ::SendMessageW(m_searchBox, EM_SETCUEBANNER, TRUE, (LPARAM)kSearchCue);
    m_wndToolBar.m_searchBox = m_searchBox;
    RecalcLayout();
    return true;
}

SIZE CSearchToolBar::CalcDynamicLayout(int length, DWORD mode) {
    SIZE size = CToolBar::CalcDynamicLayout(length, mode);
    if (!m_searchBox) return size;
    RECT last{};
    int buttons = GetButtonCount();
    if (buttons > 0) SendMessage(TB_GETITEMRECT, buttons - 1, (LPARAM)&last);
    // The box is as high as its text needs at the bar's DPI, and never less than at 100 %.
    const int gap = dpi::Scale(kSearchBoxGap, m_dpi), minWidth = dpi::Scale(kSearchBoxMinWidth, m_dpi);
    const int boxWidth = dpi::Scale(kSearchBoxWidth, m_dpi);
    const int height = std::max(dpi::Scale(kSearchBoxHeight, m_dpi), m_textHeight + dpi::Scale(8, m_dpi));
    int right = (length > 0 ? length : GetClientRect().right) - gap;
    int x = last.right + gap, top = (last.top + last.bottom - height) / 2;
    if (buttons <= 0 || x + minWidth > right) {
        x = gap;
        top = size.cy;
        size.cy += height + dpi::Scale(4, m_dpi);
    }
    int width = std::max(0, std::min(boxWidth, right - x));
    ::SetWindowPos(m_searchBox, nullptr, x, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return size;
}

void CMainFrame::StartLibrarySearch() {
    if (m_search) return;
    m_search = std::make_unique<LibrarySearch>(GetAppDir(), m_hWnd);
    m_search->Start();
}

bool CMainFrame::PreTranslateSearchKeys(MSG* msg) {
    if (msg->message != WM_KEYDOWN || !m_searchBox) return false;
    bool ctrl = ::GetKeyState(VK_CONTROL) < 0, alt = ::GetKeyState(VK_MENU) < 0;
    if (msg->wParam == 'F' && ctrl && !alt) {
        ::SetFocus(m_searchBox);
        ::SendMessageW(m_searchBox, EM_SETSEL, 0, -1);
        return true;
    }
    if (msg->hwnd != m_searchBox) return false;
    if (msg->wParam == VK_RETURN) {
        ::PostMessageW(m_hWnd, WM_COMMAND, ID_SEARCH_RUN, 0);
        return true;
    }
    if (msg->wParam == VK_ESCAPE) {
        ::SetWindowTextW(m_searchBox, L"");
        if (!IsBusy()) LeaveSearch();
        return true;
    }
    return false;
}

void CMainFrame::RunSearch() {
    if (!m_searchBox || !m_search) return;
    int len = ::GetWindowTextLengthW(m_searchBox);
    std::wstring query(len + 1, L'\0');
    query.resize(::GetWindowTextW(m_searchBox, &query[0], len + 1));
    if (query.find_first_not_of(L" \t\x3000") == std::wstring::npos) {
        LeaveSearch();
        return;
    }
    std::vector<SearchHit> hits;
    if (m_search->Search(query, hits) == LibrarySearch::Outcome::Indexing) {
        if (m_wndStatusBar.IsWindow()) m_wndStatusBar.SetPaneText(0, L"正在建立搜索索引，请稍后再搜索");
        return;
    }
    std::wstring appDir = GetAppDir();
    const LONGLONG bias = LocalTimeBias();
    std::vector<std::unique_ptr<FileRow>> rows;
    for (auto& hit : hits) {
        auto row = std::make_unique<FileRow>();
        row->text[0] = hit.name;
        row->text[1] = ListedFolder(appDir, hit.folder);
        FILETIME created{(DWORD)hit.created, (DWORD)(hit.created >> 32)};
        row->text[2] = FormatLocalFileTime(AddBias(created, bias));
        rows.push_back(std::move(row));
    }
    m_wndListBar.ShowSearchResults(std::move(rows), FoundCountText((int)hits.size()));
}

bool CMainFrame::SearchAgain() {
    if (!m_searchBox || !m_search || ::GetWindowTextLengthW(m_searchBox) == 0) return false;
    RunSearch();
    return m_wndListBar.ShowingSearchResults();
}

void CMainFrame::LeaveSearch() {
    if (!m_wndListBar.ShowingSearchResults()) return;
    std::wstring folder = m_wndTreeBar.GetSelectedFolderPath();
    ::SendMessageW(m_wndListBar.m_hWnd, WM_REFRESH_FILELIST, 0, (LPARAM)folder.c_str());
}

void CMainFrame::OnSearchIndexProgress(WPARAM wp, LPARAM lp) {
    if ((int)wp == -1) {
        // The status bar shows what the file list last said again.
        SetStatusText(m_listStatus);
        return;
    }
    if (m_wndStatusBar.IsWindow())
        m_wndStatusBar.SetPaneText(0, L"正在建立搜索索引：" + std::to_wstring((int)wp) + L" / " + std::to_wstring((int)lp));
}

void CMainFrame::OnSearchStoreChanged() {
    // Files changed outside the program were found after the results were shown: the
    // results follow, unless a question or dialog holds the window (the next search will).
    if (!IsBusy() && m_wndListBar.ShowingSearchResults()) RunSearch();
}
