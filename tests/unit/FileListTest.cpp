// The file list pane on a real main frame: refresh, sorting, start folder, edit
// mode and the popup menu.
#include "FileListHost.h"
#include "TreePaneHost.h"
#include "library/FileListing.h"
#include "resources/resource.h"
#include "settings/AppDir.h"
#include "settings/Config.h"
#include <algorithm>
#include <commctrl.h>

using namespace fl;

namespace {

using Texts = std::vector<std::wstring>;

bool Descending(const Texts& t) { return std::is_sorted(t.rbegin(), t.rend()); }

TEST_F(ListFrame, RefreshListsNamesFoldersAndTimesNewestFirstAndCountsThem) {
    // Eleven web texts, a subfolder whose name ends in .htm, and what is not listed.
    for (int i = 0; i < 11; ++i) MakeFile(L"新闻\\新闻" + std::to_wstring(i) + L".htm", (i * 7) % 11);
    MakeDir(L"新闻\\x.htm");
    MakeFile(L"新闻\\说明.txt", 20);
    MakeDir(L"新闻\\images");
    MakeFile(L"新闻\\images\\a.htm", 20);
    MakeFile(L"根.htm", 3);
    const std::wstring news = dir->Path() + L"新闻";

    for (const wchar_t* rel : {L"新闻\\", L"新闻"}) {
        Refresh(rel);
        ASSERT_EQ(12, Rows()) << zt::Narrow(rel);
        EXPECT_EQ(CountText(12), Status());
        Texts names = Column(0);
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), L"x.htm"));
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), L"新闻10.htm"));
        for (int i = 0; i < Rows(); ++i) {
            EXPECT_EQ(news, Cell(i, 1));   // never with a trailing backslash
            // The time from the directory search is the time the file itself reports.
            EXPECT_EQ(FormatCreationTime(news, Cell(i, 0)), Cell(i, 2)) << zt::Narrow(Cell(i, 0));
        }
        EXPECT_TRUE(Descending(Column(2)));
    }
    EXPECT_EQ(L"2009/03/07 08:10:00", Cell(1, 2));   // newest file first after the subfolder made now
    EXPECT_EQ(L"2009/03/07 08:00:00", Cell(11, 2));

    // Null and empty paths list the program folder itself.
    std::wstring root = dir->NoSlash();
    for (const wchar_t* rel : {(const wchar_t*)nullptr, L""}) {
        Refresh(rel);
        ASSERT_EQ(1, Rows());
        EXPECT_EQ(L"根.htm", Cell(0, 0));
        EXPECT_EQ(root, Cell(0, 1));
        EXPECT_EQ(CountText(1), Status());
    }
    for (const wchar_t* rel : {L"小说", L"没有这个目录"}) {
        Refresh(rel);
        EXPECT_EQ(0, Rows());
        EXPECT_EQ(L"此文件夹中含有：0 个网页文件！", Status());
    }
}

TEST_F(ListFrame, HeaderClicksSortByCodeUnitsAndARefreshKeepsAscendingTimes) {
    MakeFile(L"新闻\\a.htm", 4);
    MakeFile(L"新闻\\B.htm", 1);
    MakeFile(L"新闻\\中.htm", 3);
    MakeFile(L"新闻\\Z.htm", 2);
    Refresh(L"新闻");
    EXPECT_EQ((Texts{L"a.htm", L"中.htm", L"Z.htm", L"B.htm"}), Column(0));

    // A real click on a header reaches the list's own sort.
    HWND header = ListView_GetHeader(List());
    auto clickHeader = [&](int column) {
        RECT r{};
        Header_GetItemRect(header, column, &r);
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(header, WM_LBUTTONUP, 0, at);
    };
    clickHeader(0);
    EXPECT_EQ((Texts{L"B.htm", L"Z.htm", L"a.htm", L"中.htm"}), Column(0));
    Select({2});   // the selection moves with its row
    clickHeader(0);
    EXPECT_EQ((Texts{L"中.htm", L"a.htm", L"Z.htm", L"B.htm"}), Column(0));
    EXPECT_EQ(std::vector<int>{1}, frame->m_wndListBar.List().SelectedRows());
    clickHeader(2);   // another column: ascending
    EXPECT_EQ((Texts{L"B.htm", L"Z.htm", L"中.htm", L"a.htm"}), Column(0));
    // Already ascending by time: the refresh's two clicks keep it ascending.
    Refresh(L"新闻");
    EXPECT_EQ((Texts{L"B.htm", L"Z.htm", L"中.htm", L"a.htm"}), Column(0));
    clickHeader(1);   // equal folders: any order, then the refresh is newest first again
    Refresh(L"新闻");
    EXPECT_EQ((Texts{L"a.htm", L"中.htm", L"Z.htm", L"B.htm"}), Column(0));
    Refresh(L"小说");
    clickHeader(0);   // an empty list sorts without harm
    EXPECT_EQ(0, Rows());
}

class StartFrame : public CFrameWnd {};

TEST(FileListStart, TheStartFolderIsNamedByTheIdAndIndexKeys) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    zt::TempFolder dir(L"起始");
    SetAppDirForTesting(dir.Path());
    for (const wchar_t* f : {L"小说", L"散文", L"诗歌"}) {
        CreateDirectoryW((dir.Path() + f).c_str(), nullptr);
        zt::WriteBytes(dir.Path() + f + L"\\" + f + L".htm", "x");
    }
    zt::WriteBytes(dir.Path() + L"根.htm", "x");
    struct Case {
        const wchar_t *id, *key, *value, *listed;
    } cases[] = {
        {L"1", L"INDEX0", L"小说", L"小说.htm"},
        {nullptr, L"INDEX-1", L"散文", L"散文.htm"},   // no ID: n = 0
        {L"3x", L"INDEX2", L"诗歌", L"诗歌.htm"},      // leading digits only
        {L"-2", L"INDEX-1", L"散文", L"散文.htm"},     // no leading digit: n = 0
        {nullptr, nullptr, nullptr, L"根.htm"},        // nothing: the program folder
    };
    CWnd::RegisterWndClass(L"ZelvaneListTestFrame", 0, (HBRUSH)(COLOR_BTNFACE + 1));
    for (const Case& c : cases) {
        DeleteFileW((dir.Path() + L"Config.ini").c_str());
        if (c.id) config::Write(L"SEL", L"ID", c.id);
        if (c.key) config::Write(L"FOLDER", c.key, c.value);
        StartFrame frame;
        ASSERT_TRUE(frame.CreateEx(0, L"ZelvaneListTestFrame", L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, 0));
        CBOTTOMBAR bar;
        ASSERT_TRUE(bar.Create(frame.m_hWnd, IDD_LISTBAR, DockSide::Top, IDC_LISTBAR));
        ASSERT_TRUE(bar.InitFileList(nullptr));
        ASSERT_EQ(1, bar.List().GetItemCount()) << zt::Narrow(c.listed);
        EXPECT_EQ(c.listed, bar.List().GetItemText(0, 0));
        bar.DestroyWindow();
        frame.DestroyWindow();
    }
    SetAppDirForTesting(L"");
}

// Answers the save question after a tree click came in while it was open.
struct QuestionWithClick {
    static QuestionWithClick* self;
    HWND pane;
    int button;
    std::vector<std::wstring> questions;
    UINT_PTR timer;
    QuestionWithClick(HWND p, int b) : pane(p), button(b) {
        self = this;
        timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
            HWND box = nullptr;
            EnumThreadWindows(GetCurrentThreadId(), [](HWND h, LPARAM lp) -> BOOL {
                wchar_t cls[16] = {};
                GetClassNameW(h, cls, 16);
                if (IsWindowVisible(h) && std::wstring(cls) == L"#32770") *(HWND*)lp = h;
                return TRUE;
            }, (LPARAM)&box);
            if (!box) return;
            self->questions.push_back(zt::WindowText(box) + L"|" + zt::MessageBoxText(box));
            SendMessageW(self->pane, WM_REFRESH_FILELIST, 0, (LPARAM)L"散文");
            zt::PressButton(box, self->button);
        });
    }
    ~QuestionWithClick() { KillTimer(nullptr, timer); }
};
QuestionWithClick* QuestionWithClick::self = nullptr;

TEST_F(ListFrame, AFolderClickWhileEditingAsksToSaveFirst) {
    MakeFile(L"小说\\小说.htm", 1);
    MakeFile(L"散文\\散文.htm", 1);
    HtmlEngine* editor = frame->m_view.Engine();
    frame->m_openPrompt = false;
    auto edit = [&](const wchar_t* folder, const wchar_t* name) {
        frame->m_editMode = true;
        frame->m_editFolder = folder;
        frame->m_webTextName = name;
        editor->SetBodyHtml(L"<p>改过的网文</p>");
    };
    // No discards the changes and empties the editor; a click that came while the
    // question was open is the folder shown.
    edit(L"新闻", L"旧文");
    {
        QuestionWithClick answer(frame->m_wndListBar.m_hWnd, IDNO);
        Refresh(L"小说");
        EXPECT_EQ((Texts{L"提示|文档已经修改，是否保存？"}), answer.questions);
    }
    EXPECT_FALSE(frame->m_editMode);
    std::wstring body;
    editor->GetBodyHtml(body);
    EXPECT_EQ(L"", body);
    EXPECT_FALSE(zt::FileExists(dir->Path() + L"新闻\\旧文.htm"));
    EXPECT_EQ((Texts{L"散文.htm"}), Column(0));

    // Yes writes the edited file back, then the clicked folder is listed.
    edit(L"新闻", L"旧文");
    {
        tt::ModalAnswerer answer(IDYES);
        Refresh(L"小说");
        ASSERT_EQ(1u, answer.boxes.size());
    }
    EXPECT_TRUE(zt::FileExists(dir->Path() + L"新闻\\旧文.htm"));
    EXPECT_FALSE(frame->m_editMode);
    EXPECT_EQ((Texts{L"小说.htm"}), Column(0));
    EXPECT_EQ(CountText(1), Status());

    // Unchanged: no question, edit mode ends all the same.
    edit(L"新闻", L"旧文");
    editor->NewDocument();
    {
        tt::ModalAnswerer answer(IDYES);
        Refresh(L"散文");
        EXPECT_TRUE(answer.boxes.empty());
    }
    EXPECT_FALSE(frame->m_editMode);
}

TEST_F(ListFrame, PopupMenuOffersRowCommandsWithASelectionAndPasteAfterACut) {
    MakeFile(L"新闻\\一.htm", 1);
    MakeFile(L"新闻\\二.htm", 2);
    Refresh(L"新闻");
    static std::vector<std::pair<UINT, bool>> items;   // id, enabled
    SUBCLASSPROC record = [](HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) -> LRESULT {
        if (m == WM_INITMENUPOPUP) {
            HMENU menu = (HMENU)wp;
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                UINT id = GetMenuItemID(menu, i);
                UINT state = GetMenuState(menu, i, MF_BYPOSITION);
                if (id) items.push_back({id, !(state & (MF_DISABLED | MF_GRAYED))});
            }
        }
        return DefSubclassProc(h, m, wp, lp);
    };
    HWND pane = frame->m_wndListBar.m_hWnd;
    SetWindowSubclass(pane, record, 3, 0);
    auto enabled = [&](bool cut) {
        frame->m_cutPending = cut;
        items.clear();
        tt::ModalAnswerer closeMenu;
        NMHDR hdr{List(), IDC_FILELIST, (UINT)NM_RCLICK};
        SendMessageW(pane, WM_NOTIFY, IDC_FILELIST, (LPARAM)&hdr);
        EXPECT_EQ(1, closeMenu.menusShown);
        std::vector<UINT> on;
        for (auto& [id, isOn] : items)
            if (isOn) on.push_back(id);
        EXPECT_EQ(7u, items.size());   // and two separators
        return on;
    };
    using Ids = std::vector<UINT>;
    const Ids rowCommands{ID_LIST_OPEN, ID_LIST_EDIT, ID_LIST_CUT, ID_LIST_DELETE, ID_LIST_FOLDER, ID_LIST_RENAME};
    Select({});
    EXPECT_EQ(Ids{}, enabled(false));
    EXPECT_EQ(Ids{ID_LIST_PASTE}, enabled(true));
    Select({1});
    EXPECT_EQ(rowCommands, enabled(false));
    Select({0, 1});
    EXPECT_EQ((Ids{ID_LIST_OPEN, ID_LIST_EDIT, ID_LIST_CUT, ID_LIST_PASTE, ID_LIST_DELETE, ID_LIST_FOLDER,
                   ID_LIST_RENAME}),
              enabled(true));
    RemoveWindowSubclass(pane, record, 3);
}

}  // namespace
