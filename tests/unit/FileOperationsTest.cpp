// The file operations of the file list on a real main frame: rename, delete and
// paste with their pictures.
#include "FileListHost.h"
#include "TreePaneHost.h"
#include "capture/WebTextFile.h"
#include "library/PictureTransfer.h"
#include "resources/resource.h"
#include <algorithm>
#include <commctrl.h>
#include <functional>
#include <map>

using namespace fl;

namespace {

using Texts = std::vector<std::wstring>;

// Answers the dialogs of this thread by caption while a modal loop runs.
struct Answers {
    static Answers* self;
    std::map<std::wstring, std::function<void(HWND)>> byCaption;
    std::vector<std::wstring> seen;   // caption|text
    std::vector<HWND> done;
    UINT_PTR timer;
    Answers() {
        self = this;
        timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
            EnumThreadWindows(GetCurrentThreadId(), [](HWND h, LPARAM) -> BOOL {
                wchar_t cls[16] = {};
                GetClassNameW(h, cls, 16);
                if (!IsWindowVisible(h) || std::wstring(cls) != L"#32770") return TRUE;
                if (std::find(self->done.begin(), self->done.end(), h) != self->done.end()) return TRUE;
                self->done.push_back(h);
                std::wstring caption = zt::WindowText(h);
                self->seen.push_back(caption + L"|" + zt::MessageBoxText(h));
                auto it = self->byCaption.find(caption);
                if (it != self->byCaption.end()) it->second(h);
                else zt::PressButton(h, GetDlgItem(h, IDOK) ? IDOK : IDCANCEL);
                return TRUE;
            }, 0);
        });
    }
    ~Answers() { KillTimer(nullptr, timer); }
};
Answers* Answers::self = nullptr;

class FileOps : public ListFrame {
protected:
    // A web text as the save writes it.
    void WebText(const std::wstring& rel, const std::wstring& body, int minutes = 1) {
        std::wstring name = rel.substr(rel.find_last_of(L'\\') + 1);
        ASSERT_EQ(0u, WriteWebTextFile(dir->Path() + rel, WrapWebText(name.substr(0, name.size() - 4), body)));
        SetTimes(rel, minutes);
    }
    void Picture(const std::wstring& rel, const std::string& bytes) {
        CreateDirectoryW((dir->Path() + rel.substr(0, rel.find_last_of(L'\\'))).c_str(), nullptr);
        zt::WriteBytes(dir->Path() + rel, bytes);
    }
    bool Has(const std::wstring& rel) { return zt::FileExists(dir->Path() + rel); }
    std::string Bytes(const std::wstring& rel) {
        auto b = zt::ReadBytes(dir->Path() + rel);
        return std::string(b.begin(), b.end());
    }
    std::wstring Text(const std::wstring& rel) {
        std::wstring t;
        ReadWebText(dir->Path() + rel, t);
        return t;
    }
    void Command(UINT id) { frame->m_wndListBar.SendMessage(WM_COMMAND, id); }
    int RowOf(const std::wstring& name) {
        for (int i = 0; i < Rows(); ++i)
            if (Cell(i, 0) == name) return i;
        return -1;
    }
    // Runs the program's own message loop step: the frame's pre-translation first.
    void PumpLikeTheProgram(DWORD ms) {
        DWORD start = GetTickCount();
        do {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (frame->PreTranslateMessage(&msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(10);
        } while (GetTickCount() - start < ms);
    }
    void Keys(std::initializer_list<WORD> held, WORD key) {
        for (WORD k : held) keybd_event((BYTE)k, 0, 0, 0);
        keybd_event((BYTE)key, 0, 0, 0);
        keybd_event((BYTE)key, 0, KEYEVENTF_KEYUP, 0);
        for (WORD k : held) keybd_event((BYTE)k, 0, KEYEVENTF_KEYUP, 0);
        PumpLikeTheProgram(300);
    }
};

void SetClipboardText(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * 2);
    memcpy(GlobalLock(mem), text.c_str(), (text.size() + 1) * 2);
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
}

TEST_F(FileOps, RenameOffersTheNameBeforeItsFirstDotAndRefusesBadNames) {
    WebText(L"新闻\\a.b.htm", L"<p>a</p>");
    Refresh(L"新闻");
    HWND list = List();
    auto beginEdit = [&](int row) {
        Select({row});
        Command(ID_LIST_RENAME);
        return ListView_GetEditControl(list);
    };
    auto endEdit = [&](HWND edit, const wchar_t* text) {
        SetWindowTextW(edit, text);
        SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
        tt::Pump(50);
    };
    // The file is open for editing: it is saved back under its new name.
    frame->m_editMode = true;
    frame->m_editFolder = L"新闻";
    frame->m_webTextName = L"a.b";
    HWND edit = beginEdit(0);
    ASSERT_TRUE(edit);
    EXPECT_EQ(L"a", zt::WindowText(edit));
    endEdit(edit, L"a");
    EXPECT_TRUE(Has(L"新闻\\a.htm"));
    EXPECT_FALSE(Has(L"新闻\\a.b.htm"));
    EXPECT_EQ(L"a.htm", Cell(0, 0));
    EXPECT_EQ(L"a", frame->m_webTextName);
    frame->m_editMode = false;

    // Refused names: a message, nothing renamed, the cell as it was.
    for (const wchar_t* bad : {L"新/名", L"CON", L"com1.x", L"名\t字"}) {
        Answers answers;
        edit = beginEdit(0);
        ASSERT_TRUE(edit);
        endEdit(edit, bad);
        tt::Pump(200);
        ASSERT_EQ(1u, answers.seen.size()) << zt::Narrow(bad);
        EXPECT_EQ(0u, answers.seen[0].find(L"错误|")) << zt::Narrow(answers.seen[0]);
        if (std::wstring(bad) == L"新/名") {
            EXPECT_EQ(L"错误|目录中含有非法字符！", answers.seen[0]);
        }
        EXPECT_EQ(L"a.htm", Cell(0, 0));
        EXPECT_TRUE(Has(L"新闻\\a.htm"));
    }

    // A name without a dot: the box starts empty and an empty name changes nothing.
    AddFileRow(frame->m_wndListBar.List(), L"无点", dir->NoSlash() + L"\\新闻", L"");
    edit = beginEdit(1);
    ASSERT_TRUE(edit);
    EXPECT_EQ(L"", zt::WindowText(edit));
    endEdit(edit, L"");
    EXPECT_EQ(L"无点", Cell(1, 0));
}

TEST_F(FileOps, KeysTypedInTheRenameBoxEditTheNameNotTheWebText) {
    WebText(L"新闻\\旧名.htm", L"<p>a</p>");
    Refresh(L"新闻");
    SetForegroundWindow(frame->m_hWnd);
    PumpLikeTheProgram(100);
    Select({0});
    Command(ID_LIST_RENAME);
    HWND edit = ListView_GetEditControl(List());
    ASSERT_TRUE(edit);
    ASSERT_TRUE(zt::WaitFor([&] { return GetFocus() == edit; }, 2000));
    SetClipboardText(L"剪贴");
    Keys({VK_CONTROL}, 'V');   // replaces the selected name
    EXPECT_EQ(L"剪贴", zt::WindowText(edit));
    Keys({VK_CONTROL}, 'Z');
    EXPECT_EQ(L"旧名", zt::WindowText(edit));
    SendMessageW(edit, EM_SETSEL, 0, -1);
    Keys({VK_SHIFT}, VK_INSERT);
    EXPECT_EQ(L"剪贴", zt::WindowText(edit));
    SendMessageW(edit, EM_SETSEL, 0, 1);
    Keys({VK_CONTROL}, VK_INSERT);   // copy "剪"
    Keys({VK_SHIFT}, VK_DELETE);     // cut it
    EXPECT_EQ(L"贴", zt::WindowText(edit));
    Keys({}, VK_DELETE);
    EXPECT_EQ(L"", zt::WindowText(edit));
    std::wstring body;
    frame->m_view.Engine()->GetBodyHtml(body);
    EXPECT_EQ(L"", body);   // the editor got none of these keys
    SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(FileOps, DeleteRemovesTheChosenRowsAndPicturesNoOtherWebTextShows) {
    Picture(L"新闻\\images\\own0.png", "0");
    Picture(L"新闻\\images\\own2.png", "2");
    Picture(L"新闻\\images\\shared.png", "s");
    Picture(L"新闻\\images\\mixed.png", "m");
    zt::WriteBytes(dir->Path() + L"保留.txt", "keep");
    for (int i = 0; i < 5; ++i) {
        std::wstring body = L"<p>" + std::to_wstring(i) + L"</p><img src=\"images/own" + std::to_wstring(i) + L".png\">";
        if (i == 0 || i == 3) body += L"<IMG src=\"images/shared.png\">";
        if (i == 4) body += L"<Img src=\"images/mixed.png\">";
        if (i == 2) body += L"<img src=\"images/../../保留.txt\"><img src=\"images\\..\\文1.htm\">";   // from the web
        WebText(L"新闻\\文" + std::to_wstring(i) + L".htm", body, 10 - i);   // 文0 newest: row 0
    }
    // Copied in by hand, in UTF-8: it shows 文4's picture too.
    Picture(L"新闻\\images\\own4.png", "4");
    MakeFile(L"新闻\\手工.htm", 0, "<p>\xE6\x89\x8B</p><img src=\"images/own4.png\">");
    Refresh(L"新闻");
    ASSERT_EQ((Texts{L"文0.htm", L"文1.htm", L"文2.htm", L"文3.htm", L"文4.htm", L"手工.htm"}), Column(0));
    Select({0, 2, 4});
    {
        tt::ModalAnswerer no(IDNO);
        Command(ID_LIST_DELETE);
        ASSERT_EQ(1u, no.boxes.size());
        EXPECT_EQ(L"真的要删除这些项？", no.boxes[0].text);
    }
    EXPECT_EQ(6, Rows());
    {
        tt::ModalAnswerer yes(IDYES);
        Command(ID_LIST_DELETE);
    }
    EXPECT_EQ((Texts{L"文1.htm", L"文3.htm", L"手工.htm"}), Column(0));
    EXPECT_EQ(CountText(3), Status());
    for (const wchar_t* gone : {L"文0.htm", L"文2.htm", L"文4.htm", L"images\\own0.png", L"images\\own2.png"})
        EXPECT_FALSE(Has(std::wstring(L"新闻\\") + gone)) << zt::Narrow(gone);
    EXPECT_TRUE(Has(L"新闻\\文1.htm"));
    EXPECT_TRUE(Has(L"保留.txt"));   // a reference leads nowhere outside the images folder
    EXPECT_TRUE(Has(L"新闻\\images\\shared.png"));   // 文3 still shows it
    EXPECT_TRUE(Has(L"新闻\\images\\mixed.png"));    // <Img is no picture tag here
    EXPECT_TRUE(Has(L"新闻\\images\\own4.png"));     // the hand-copied text still shows it

    Select({1});   // the last one to show the shared picture takes it along
    tt::ModalAnswerer yes(IDYES);
    Command(ID_LIST_DELETE);
    EXPECT_FALSE(Has(L"新闻\\images\\shared.png"));
}

TEST_F(FileOps, PasteCarriesPicturesAndKeepsEachWebTextShowingItsOwn) {
    Picture(L"新闻\\images\\a.png", "AAAA");
    Picture(L"新闻\\images\\b.png", "BBBB");
    Picture(L"新闻\\images\\c.png", "CCCC");
    WebText(L"新闻\\图文.htm", L"<img src=\"images/a.png\"><p>x</p><IMG src=\"images/b.png\"><img src='images/c.png'>");
    WebText(L"新闻\\同图.htm", L"<img src=\"images/c.png\">");
    // The destination already holds a different b.png and the same a.png.
    Picture(L"散文\\images\\b.png", "other");
    Picture(L"散文\\images\\a.png", "AAAA");
    Refresh(L"新闻");
    Select({RowOf(L"图文.htm")});
    Command(ID_LIST_CUT);
    EXPECT_TRUE(frame->m_cutPending);

    // Into a folder without an images folder: everything moves; c.png, which 同图 still
    // shows, is copied.
    HWND tree = frame->m_wndTreeBar.GetTreeWnd();
    auto current = [&](const wchar_t* label) {
        for (HTREEITEM h = TreeView_GetChild(tree, TreeView_GetRoot(tree)); h; h = TreeView_GetNextSibling(tree, h))
            if (frame->m_wndTreeBar.ItemText(h) == label) TreeView_SelectItem(tree, h);
    };
    current(L"小说");
    frame->m_editMode = true;   // an unchanged edited file: the paste's refresh ends edit mode
    Command(ID_LIST_PASTE);
    EXPECT_FALSE(frame->m_editMode);
    EXPECT_FALSE(frame->m_cutPending);
    EXPECT_EQ((Texts{L"图文.htm"}), Column(0));   // the list shows where it went
    EXPECT_FALSE(Has(L"新闻\\图文.htm"));
    EXPECT_EQ("AAAA", Bytes(L"小说\\images\\a.png"));
    EXPECT_EQ("BBBB", Bytes(L"小说\\images\\b.png"));
    EXPECT_EQ("CCCC", Bytes(L"小说\\images\\c.png"));
    EXPECT_FALSE(Has(L"新闻\\images\\a.png"));
    EXPECT_FALSE(Has(L"新闻\\images\\b.png"));
    EXPECT_TRUE(Has(L"新闻\\images\\c.png"));

    // On into 散文: its own b.png is a different picture, so ours gets a free name.
    Select({0});
    Command(ID_LIST_CUT);
    current(L"散文");
    Command(ID_LIST_PASTE);
    std::wstring text = Text(L"散文\\图文.htm");
    EXPECT_NE(std::wstring::npos, text.find(L"<IMG src=\"images/b_1.png\">")) << zt::Narrow(text);
    EXPECT_NE(std::wstring::npos, text.find(L"<img src=\"images/a.png\">"));
    EXPECT_EQ("BBBB", Bytes(L"散文\\images\\b_1.png"));
    EXPECT_EQ("other", Bytes(L"散文\\images\\b.png"));
    EXPECT_EQ("AAAA", Bytes(L"散文\\images\\a.png"));   // the same picture, kept once
    EXPECT_FALSE(Has(L"小说\\images\\a.png"));
    EXPECT_FALSE(Has(L"小说\\images\\b.png"));

    // Into the same folder: the same-name question; No stops the paste and the cut stays.
    WebText(L"散文\\已有.htm", L"<p>已有</p>");
    Refresh(L"散文");
    Select({RowOf(L"图文.htm")});
    Command(ID_LIST_CUT);
    {
        Answers no;
        no.byCaption[L"询问"] = [](HWND h) { zt::PressButton(h, IDNO); };
        Command(ID_LIST_PASTE);
        EXPECT_EQ(1u, no.seen.size());
    }
    EXPECT_TRUE(frame->m_cutPending);
    EXPECT_TRUE(Has(L"散文\\图文.htm"));
    // Yes: a new name, checked in this folder; a paste asked for meanwhile does not start.
    Answers answers;
    int names = 0;
    answers.byCaption[L"询问"] = [&](HWND h) {
        Command(ID_LIST_PASTE);
        zt::PressButton(h, IDYES);
    };
    answers.byCaption[L"文件名"] = [&](HWND h) {
        // First a name taken in this folder (refused by the dialog), then a free one.
        SetWindowTextW(GetDlgItem(h, IDC_FILE_NAME), names++ ? L"新名" : L"已有");
        zt::PressButton(h, IDOK);
        if (IsWindow(h)) Answers::self->done.erase(std::find(Answers::self->done.begin(), Answers::self->done.end(), h));
    };
    Command(ID_LIST_PASTE);
    EXPECT_EQ(L"询问|文件夹中已存在同名的文件，是否真的要继续贴粘到这个文件夹中？", answers.seen.at(0));
    EXPECT_TRUE(Has(L"散文\\新名.htm"));
    EXPECT_FALSE(Has(L"散文\\图文.htm"));
    EXPECT_EQ(WrapWebText(L"已有", L"<p>已有</p>"), Text(L"散文\\已有.htm"));   // not overwritten
    EXPECT_EQ("BBBB", Bytes(L"散文\\images\\b_1.png"));   // pictures stay in place
    EXPECT_EQ(2, names);
    EXPECT_EQ(1, std::count_if(answers.seen.begin(), answers.seen.end(),
                               [](const std::wstring& t) { return t.find(L"询问|") == 0; }));
}

TEST_F(FileOps, EditLoadsTheChosenFileAfterOfferingToSaveTheEditedOne) {
    WebText(L"新闻\\甲.htm", L"<p>甲的正文</p>", 2);
    WebText(L"新闻\\乙.htm", L"<p>乙的正文</p>", 1);
    HWND tree = frame->m_wndTreeBar.GetTreeWnd();
    for (HTREEITEM h = TreeView_GetChild(tree, TreeView_GetRoot(tree)); h; h = TreeView_GetNextSibling(tree, h))
        if (frame->m_wndTreeBar.ItemText(h) == L"新闻") TreeView_SelectItem(tree, h);
    frame->m_openPrompt = false;
    Refresh(L"新闻");
    ASSERT_EQ((Texts{L"甲.htm", L"乙.htm"}), Column(0));
    HtmlEngine* editor = frame->m_view.Engine();
    auto body = [&] { std::wstring b; editor->GetBodyHtml(b); return b; };
    // Collected text that was never saved is offered for saving before a file replaces it.
    editor->SetBodyHtml(L"<p>收集的文字</p>");
    {
        Answers collected;
        collected.byCaption[L"提示"] = [](HWND h) { zt::PressButton(h, IDNO); };
        Select({0});
        NMHDR dbl{List(), IDC_FILELIST, (UINT)NM_DBLCLK};
        frame->m_wndListBar.SendMessage(WM_NOTIFY, IDC_FILELIST, (LPARAM)&dbl);
        EXPECT_EQ((Texts{L"提示|文档已经修改，是否保存？"}), collected.seen);
    }
    EXPECT_EQ(L"<p>甲的正文</p>", body());
    EXPECT_TRUE(frame->m_editMode);
    EXPECT_EQ(L"新闻", frame->m_editFolder);
    EXPECT_EQ(L"甲", frame->m_webTextName);

    // Changed, then 乙 chosen: Yes writes 甲 back (refreshing the list), and 乙 is loaded.
    editor->SetBodyHtml(L"<p>甲改过</p>");
    Select({1});
    Answers answers;
    answers.byCaption[L"提示"] = [&](HWND h) {
        Command(ID_LIST_EDIT);   // no second edit while the question waits
        zt::PressButton(h, IDYES);
    };
    Command(ID_LIST_EDIT);
    EXPECT_EQ((Texts{L"提示|文档已经修改，是否保存？"}), answers.seen);
    EXPECT_EQ(WrapWebText(L"甲", L"<p>甲改过</p>"), Text(L"新闻\\甲.htm"));
    EXPECT_EQ(L"<p>乙的正文</p>", body());
    EXPECT_EQ(L"乙", frame->m_webTextName);
    EXPECT_TRUE(frame->m_editMode);
}

struct Started {
    std::wstring program, parameters;
    bool operator==(const Started& o) const { return program == o.program && parameters == o.parameters; }
};
std::vector<Started> g_started;
HINSTANCE WINAPI RecordStart(HWND, LPCWSTR verb, LPCWSTR program, LPCWSTR parameters, LPCWSTR dir, INT show) {
    EXPECT_EQ(std::wstring(L"open"), verb);
    EXPECT_EQ(nullptr, dir);
    EXPECT_EQ(SW_SHOW, show);
    g_started.push_back({program, parameters});
    return (HINSTANCE)33;
}

TEST_F(FileOps, OpenStartsABrowserPerRowAndTheFolderQuoted) {
    MakeDir(L"新闻,国内");
    MakeFile(L"新闻,国内\\一.htm", 1);
    MakeFile(L"新闻,国内\\二.htm", 2);
    Refresh(L"新闻,国内");
    SetShellRunnerForTesting(RecordStart);
    g_started.clear();
    const std::wstring folder = dir->Path() + L"新闻,国内";
    Select({0, 1});
    Command(ID_LIST_OPEN);
    frame->SendMessage(WM_COMMAND, ID_TB_BROWSE);   // the toolbar, tray and File menu open the same way
    Command(ID_LIST_FOLDER);
    Select({});
    Command(ID_LIST_OPEN);
    Command(ID_LIST_FOLDER);
    SetShellRunnerForTesting(nullptr);
    const Started browse1{L"iexplore.exe", folder + L"\\二.htm"}, browse2{L"iexplore.exe", folder + L"\\一.htm"};
    EXPECT_EQ((std::vector<Started>{browse1, browse2, browse1, browse2, {L"explorer.exe", L"\"" + folder + L"\""}}),
              g_started);
}

}  // namespace
