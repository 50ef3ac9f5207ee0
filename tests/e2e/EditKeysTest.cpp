// Keyboard and mouse input reaching the right window: editing keys typed into an edit box
// of a pane stay in that box; a right click in the editor places the caret and shows no menu.
#include <gtest/gtest.h>
#include "support/Pagewick.h"
#include "support/Remote.h"
#include "support/TestBrowser.h"
#include <commctrl.h>

using namespace zt;

namespace {

void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(mem), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<busy>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

void Chord(WORD modifier, WORD key) {
    KeyDown(modifier);
    KeyDown(key);
    KeyUp(key);
    KeyUp(modifier);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// The window in front with the editor focused, and text typed into it by keys.
bool TypeIntoEditor(RunningPagewick& app, const std::wstring& text) {
    HWND frame = app.Frame(), editor = app.EditorEdit();
    SetForegroundWindow(frame);
    SendMessageW(frame, WM_SETFOCUS, 0, 0);
    if (!WaitFor([&] { return GetForegroundWindow() == frame && FocusOf(frame) == editor; }, 5000)) return false;
    TypeText(text);
    return WaitFor([&] { return WindowText(editor) == text; }, 5000);
}

TEST(EditKeys, TheRenameBoxTakesItsEditingKeysAndTheEditorKeepsItsText) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    HWND frame = app.Frame(), editor = app.EditorEdit();
    ASSERT_TRUE(TypeIntoEditor(app, L"网文"));

    HWND tree = ChildById(ChildById(frame, 132), 124);
    auto item = (LPARAM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    ASSERT_TRUE(item);
    auto box = (HWND)SendMessageW(tree, TVM_EDITLABELW, 0, item);
    ASSERT_TRUE(box);
    const std::wstring name = WindowText(box);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(frame) == box; }, 5000));
    auto boxReads = [&](const std::wstring& text) {
        bool ok = WaitFor([&] { return WindowText(box) == text; }, 3000);
        EXPECT_TRUE(ok) << Narrow(WindowText(box)) << " instead of " << Narrow(text);
        return ok;
    };
    auto clipboardReads = [&](const std::wstring& text) {
        EXPECT_TRUE(WaitFor([&] { return ClipboardText() == text; }, 3000)) << Narrow(ClipboardText());
    };

    SetClipboardText(L"粘贴");
    Chord(VK_CONTROL, 'V');   // the whole name is selected when the edit starts
    boxReads(L"粘贴");
    Chord(VK_CONTROL, 'Z');
    boxReads(name);
    SendMessageW(box, EM_SETSEL, 0, -1);
    Chord(VK_SHIFT, VK_INSERT);
    boxReads(L"粘贴");
    SendMessageW(box, EM_SETSEL, 0, 1);
    Chord(VK_CONTROL, 'X');
    boxReads(L"贴");
    clipboardReads(L"粘");
    SendMessageW(box, EM_SETSEL, 0, -1);
    Chord(VK_CONTROL, VK_INSERT);
    clipboardReads(L"贴");
    SetClipboardText(L"x");
    SendMessageW(box, EM_SETSEL, 0, -1);
    Chord(VK_CONTROL, 'C');
    clipboardReads(L"贴");
    SendMessageW(box, EM_SETSEL, 0, -1);
    Chord(VK_SHIFT, VK_DELETE);
    boxReads(L"");
    clipboardReads(L"贴");
    EXPECT_EQ(L"网文", WindowText(editor));

    // Escape ends the edit without a rename; back in the editor the keys are the frame's again.
    KeyDown(VK_ESCAPE);
    KeyUp(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, 5000));
    EXPECT_TRUE(DirExists(app.Dir() / name));
    SendMessageW(frame, WM_SETFOCUS, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(frame) == editor; }, 5000));
    SetClipboardText(L"<b>");
    Chord(VK_CONTROL, 'V');
    // The editor's own paste: text is escaped into markup.
    EXPECT_TRUE(WaitFor([&] { return WindowText(editor) == L"网文&lt;b&gt;"; }, 5000)) << Narrow(WindowText(editor));
    app.Proc().Kill();   // an exit would ask whether to save the typed text
}

}  // namespace

namespace {

HWND VisibleMenu() {
    HWND menu = FindWindowW(L"#32768", nullptr);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

void RightClickAt(POINT pt) {
    SetCursorPos(pt.x, pt.y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, in, sizeof(INPUT));
}

TEST(EditorRightClick, PlacesTheCaretAndShowsNoMenu) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    HWND editor = app.EditorEdit();
    ASSERT_TRUE(TypeIntoEditor(app, L"第一行网文的内容"));
    ASSERT_EQ(8, HIWORD(SendMessageW(editor, EM_GETSEL, 0, 0)));
    RECT r{};
    GetWindowRect(editor, &r);
    RightClickAt({r.left + 4, r.top + 8});   // before the first character
    EXPECT_FALSE(WaitFor([] { return VisibleMenu() != nullptr; }, 1500)) << "a context menu showed";
    if (HWND menu = VisibleMenu()) SendMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitFor([&] { return SendMessageW(editor, EM_GETSEL, 0, 0) == 0; }, 3000))
        << "the caret should be at the click";
    // No selection is left running with the mouse: moving it selects nothing.
    SetCursorPos(r.left + 60, r.top + 8);
    Sleep(300);
    EXPECT_EQ(0, SendMessageW(editor, EM_GETSEL, 0, 0));
    EXPECT_EQ(L"第一行网文的内容", WindowText(editor));
    app.Proc().Kill();
}

}  // namespace
