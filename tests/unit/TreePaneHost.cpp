#include "TreePaneHost.h"
#include "library/LibraryPanes.h"
#include "resources/resource.h"
#include "library/BottomBar.h"
#include "settings/AppDir.h"
#include "settings/Config.h"
#include "support/Harness.h"
#include <algorithm>

namespace tt {

namespace {
ModalAnswerer* g_answerer = nullptr;

std::wstring ClassOf(HWND h) {
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    return cls;
}

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR, DWORD) {
    ModalAnswerer* a = g_answerer;
    if (!a) return;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND h, LPARAM lp) -> BOOL {
        auto* a = reinterpret_cast<ModalAnswerer*>(lp);
        if (!IsWindowVisible(h) || std::find(a->seen.begin(), a->seen.end(), h) != a->seen.end()) return TRUE;
        std::wstring cls = ClassOf(h);
        if (cls == L"#32770") {
            a->seen.push_back(h);
            a->boxes.push_back({zt::WindowText(h), zt::MessageBoxText(h)});
            int id = GetDlgItem(h, a->button) ? a->button : (GetDlgItem(h, IDOK) ? IDOK : IDCANCEL);
            zt::PressButton(h, id);
        } else if (cls == L"#32768") {
            a->seen.push_back(h);
            ++a->menusShown;
            if (a->menuKey) PostMessageW(h, WM_CHAR, a->menuKey, 0);
            else EndMenu();
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(a));
}

LRESULT CALLBACK ListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
LibraryFrame* g_frame = nullptr;
WNDPROC g_listOld = nullptr;

LRESULT CALLBACK ListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_REFRESH_FILELIST) {
        if (PaneFrame::InLayout()) return 0;
        const wchar_t* p = reinterpret_cast<const wchar_t*>(lp);
        LibraryFrame::Refreshes().push_back({p == nullptr, p ? p : L""});
        return 0;
    }
    return CallWindowProcW(g_listOld, h, msg, wp, lp);
}
}  // namespace

ModalAnswerer::ModalAnswerer(int b, wchar_t key) : button(b), menuKey(key) {
    g_answerer = this;
    m_timer = SetTimer(nullptr, 0, 60, AnswerTimer);
}

ModalAnswerer::~ModalAnswerer() {
    KillTimer(nullptr, m_timer);
    g_answerer = nullptr;
}

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (ms) Sleep(10);
    } while (GetTickCount() - start < ms);
}

std::vector<Refresh>& LibraryFrame::Refreshes() {
    static std::vector<Refresh> r;
    return r;
}

bool& PaneFrame::InLayout() {
    static bool in = false;
    return in;
}

void PaneFrame::RecalcLayout() {
    InLayout() = true;
    CFrameWnd::RecalcLayout();
    InLayout() = false;
}

bool PaneFrame::Create() {
    RegisterWndClass(L"ZelvaneTestFrame", CS_DBLCLKS, (HBRUSH)(COLOR_BTNFACE + 1));
    if (!CreateEx(0, L"ZelvaneTestFrame", L"ZelvaneTest", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 800, 600,
                  nullptr, 0))
        return false;
    return CreateLibraryPanes(*this, m_wndTreeBar, m_wndListBar);
}

LibraryFrame::LibraryFrame(const std::wstring& tag) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    m_dir = std::wstring(tmp) + L"Zelvane 目录 " + tag + L" " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    zt::RemoveTree(m_dir.substr(0, m_dir.size() - 1));
    CreateDirectoryW(m_dir.c_str(), nullptr);
    SetAppDirForTesting(m_dir);
    Refreshes().clear();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
}

LibraryFrame::~LibraryFrame() {
    if (m_list && IsWindow(m_list)) SetWindowLongPtrW(m_list, GWLP_WNDPROC, (LONG_PTR)m_oldListProc);
    if (m_frame) {
        m_frame->DestroyWindow();
        Pump(0);   // the frame's WM_QUIT is dropped here
        m_frame.reset();
    }
    g_frame = nullptr;
    SetAppDirForTesting(L"");
    zt::RemoveTree(m_dir.substr(0, m_dir.size() - 1));
}

void LibraryFrame::MakeDir(const std::wstring& rel) const {
    std::wstring path = m_dir;
    size_t start = 0;
    for (;;) {
        size_t slash = rel.find(L'\\', start);
        path = m_dir + rel.substr(0, slash);
        CreateDirectoryW(path.c_str(), nullptr);
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }
}

void LibraryFrame::MakeFile(const std::wstring& rel, const std::string& bytes) const {
    zt::WriteBytes(m_dir + rel, bytes);
}

void LibraryFrame::WriteConfig(const std::wstring& route) const {
    config::WriteFirstRunDefaults();
    config::Write(L"SEL", L"ROUTE", route);
}

std::wstring LibraryFrame::Route() const { return config::Read(L"SEL", L"ROUTE", 512); }

bool LibraryFrame::Start() {
    m_frame = std::make_unique<PaneFrame>();
    if (!m_frame->Create()) return false;
    g_frame = this;
    MoveWindow(m_frame->m_hWnd, 0, 0, 800, 600, TRUE);
    m_frame->ShowWindow(SW_SHOW);
    Pump(50);
    m_list = m_frame->m_wndListBar.m_hWnd;
    m_oldListProc = (WNDPROC)SetWindowLongPtrW(m_list, GWLP_WNDPROC, (LONG_PTR)ListProc);
    g_listOld = m_oldListProc;
    return true;
}

CIEBar& LibraryFrame::Pane() { return m_frame->m_wndTreeBar; }
HWND LibraryFrame::Tree() { return Pane().GetTreeWnd(); }
HTREEITEM LibraryFrame::Root() { return TreeView_GetRoot(Tree()); }

std::wstring LibraryFrame::Text(HTREEITEM item) { return Pane().ItemText(item); }

size_t LibraryFrame::CountAll() {
    std::vector<HTREEITEM> open{Root()};
    while (!open.empty()) {
        HTREEITEM item = open.back();
        open.pop_back();
        Pane().FillOnce(item);
        for (HTREEITEM c = TreeView_GetChild(Tree(), item); c; c = TreeView_GetNextSibling(Tree(), c)) open.push_back(c);
    }
    return TreeView_GetCount(Tree());
}

std::vector<std::wstring> LibraryFrame::ChildLabels(HTREEITEM item) {
    Pane().FillOnce(item);
    std::vector<std::wstring> out;
    for (HTREEITEM c = TreeView_GetChild(Tree(), item); c; c = TreeView_GetNextSibling(Tree(), c))
        out.push_back(Text(c));
    return out;
}

HTREEITEM LibraryFrame::Find(const std::wstring& rel) {
    HTREEITEM item = Root();
    size_t start = 0;
    for (;;) {
        size_t slash = rel.find(L'\\', start);
        std::wstring label = rel.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start);
        Pane().FillOnce(item);
        HTREEITEM c = TreeView_GetChild(Tree(), item);
        while (c && Text(c) != label) c = TreeView_GetNextSibling(Tree(), c);
        if (!c) return nullptr;
        item = c;
        if (slash == std::wstring::npos) return item;
        start = slash + 1;
    }
}

void LibraryFrame::Click(HTREEITEM item, bool right) {
    HWND tree = Tree();
    TreeView_EnsureVisible(tree, item);
    SendMessageW(tree, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);   // a deep caret may have scrolled the labels away
    UpdateWindow(tree);   // what the user sees: label widths are measured when painted
    RECT r{};
    TreeView_GetItemRect(tree, item, &r, TRUE);
    POINT pt{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    // Aim where the tree itself sees the item's icon or label.
    for (int x = r.left - 18; x < r.right; ++x) {
        TVHITTESTINFO probe{};
        probe.pt = {x, pt.y};
        if (TreeView_HitTest(tree, &probe) == item && (probe.flags & (TVHT_ONITEMLABEL | TVHT_ONITEMICON))) {
            pt.x = x + 2;
            break;
        }
    }
    POINT screen = pt;
    ClientToScreen(tree, &screen);
    // The cursor moves asynchronously: wait until the system reports it there.
    POINT now{};
    for (int i = 0; i < 100; ++i) {
        SetCursorPos(screen.x, screen.y);
        Pump(10);
        GetCursorPos(&now);
        if (now.x == screen.x && now.y == screen.y) break;
    }
    // Moves still queued from the way there would make the tree start a drag.
    Pump(30);
    MSG msg;
    while (PeekMessageW(&msg, tree, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE)) {}
    LPARAM lp = MAKELPARAM(pt.x, pt.y);
    // The tree waits for the button's release inside its button-down handling.
    PostMessageW(tree, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, lp);
    SendMessageW(tree, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, lp);
    Pump(30);
}

void LibraryFrame::EditLabel(HTREEITEM item, const wchar_t* text) {
    HWND tree = Tree();
    HWND edit = TreeView_GetEditControl(tree);
    if (!edit) edit = TreeView_EditLabel(tree, item);
    if (text && edit) SetWindowTextW(edit, text);
    TreeView_EndEditLabelNow(tree, text == nullptr);
    Pump(30);
}

void LibraryFrame::Command(UINT id) {
    SendMessageW(Pane().m_hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    Pump(30);
}

std::vector<std::wstring> SearchOrder(const std::wstring& dir) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((dir + L"\\*.*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return out;
    do {
        std::wstring n = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && n != L"." && n != L"..") out.push_back(n);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    return out;
}

}  // namespace tt
