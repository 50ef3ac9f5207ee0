#include "FileListHost.h"
#include "settings/AppDir.h"
#include "settings/Config.h"
#include <commctrl.h>

namespace fl {

std::wstring CountText(int n) { return L"此文件夹中含有：" + std::to_wstring(n) + L" 个网页文件！"; }

void ListFrame::SetUp() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES |
                                              ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    dir = std::make_unique<zt::TempFolder>(L"列表");
    SetAppDirForTesting(dir->Path());
    config::WriteFirstRunDefaults();
    for (const wchar_t* f : {L"新闻", L"小说", L"散文"}) MakeDir(f);
    doc = std::make_unique<CPagewickDoc>();
    frame = std::make_unique<CMainFrame>();
    ASSERT_TRUE(frame->LoadFrame(doc.get()));
    SetMainFrame(frame.get());
    doc->OnNewDocument();
    frame->ShowWindow(SW_SHOW);
}

void ListFrame::TearDown() {
    frame->DestroyWindow();
    SetMainFrame(nullptr);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    frame.reset();
    SetAppDirForTesting(L"");
}

void ListFrame::MakeFile(const std::wstring& rel, int minutes, const std::string& bytes) const {
    zt::WriteBytes(dir->Path() + rel, bytes);
    SetTimes(rel, minutes);
}

void ListFrame::SetTimes(const std::wstring& rel, int minutes) const {
    std::wstring path = dir->Path() + rel;
    SYSTEMTIME st{2009, 3, 0, 7, 8, 0, 0, 0};
    FILETIME local{}, utc{};
    SystemTimeToFileTime(&st, &local);
    ULARGE_INTEGER t{{local.dwLowDateTime, local.dwHighDateTime}};
    t.QuadPart += (ULONGLONG)minutes * 60 * 10000000ULL;
    local = {t.LowPart, t.HighPart};
    LocalFileTimeToFileTime(&local, &utc);
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, &utc, &utc, &utc);
    CloseHandle(h);
}

std::wstring ListFrame::Cell(int row, int column) {
    wchar_t buf[1024] = {};
    ListView_GetItemText(List(), row, column, buf, 1024);
    return buf;
}

std::vector<std::wstring> ListFrame::Column(int column) {
    std::vector<std::wstring> out;
    for (int i = 0; i < Rows(); ++i) out.push_back(Cell(i, column));
    return out;
}

void ListFrame::Select(const std::vector<int>& rows) {
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    for (int r : rows) ListView_SetItemState(List(), r, LVIS_SELECTED, LVIS_SELECTED);
}

}  // namespace fl
