// The toolbar of the running program: fly-by prompts in the status bar, the gripper and
// the rows the buttons take in a narrow window.
#include <gtest/gtest.h>
#include "support/Pagewick.h"
#include "support/Remote.h"
#include <commctrl.h>

using namespace zt;

namespace {

std::wstring StatusText(HWND status) {
    RemoteBuffer buf(status, 1024);
    SendMessageW(status, SB_GETTEXTW, 0, (LPARAM)buf.Address());
    return buf.ReadString(0, 500);
}

RECT ButtonRect(HWND toolbar, int index) {
    RemoteBuffer buf(toolbar, sizeof(RECT));
    SendMessageW(toolbar, TB_GETITEMRECT, index, (LPARAM)buf.Address());
    RECT r{};
    auto bytes = buf.Read(sizeof(RECT));
    memcpy(&r, bytes.data(), sizeof(RECT));
    return r;
}

void MoveMouseTo(POINT pt) {
    SetCursorPos(pt.x, pt.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_MOVE;   // a move of 0: the control sees the mouse where it is
    SendInput(1, &in, sizeof(in));
}

TEST(Toolbar, HoveredButtonsShowTheirPromptAndNarrowWindowsWrapTheButtons) {
    RunningPagewick app;
    ASSERT_TRUE(app.Started());
    HWND frame = app.Frame();
    HWND toolbar = ChildById(frame, 0xE800), status = ChildById(frame, 0xE801);
    ASSERT_TRUE(toolbar && status);
    SetForegroundWindow(frame);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == frame; }, 5000));

    // Room for the gripper before the first button.
    RECT save = ButtonRect(toolbar, 0);
    EXPECT_GE(save.left, 8);
    POINT pt{(save.left + save.right) / 2, (save.top + save.bottom) / 2};
    ClientToScreen(toolbar, &pt);
    MoveMouseTo(pt);
    EXPECT_TRUE(WaitFor([&] { return StatusText(status) == L"把编辑器中的网文保存到当前目录"; }, 3000))
        << Narrow(StatusText(status));
    RECT exitButton = ButtonRect(toolbar, 8);
    pt = {(exitButton.left + exitButton.right) / 2, (exitButton.top + exitButton.bottom) / 2};
    ClientToScreen(toolbar, &pt);
    MoveMouseTo(pt);
    EXPECT_TRUE(WaitFor([&] { return StatusText(status) == L"退出程序"; }, 3000)) << Narrow(StatusText(status));
    RECT editor{};
    GetWindowRect(app.EditorEdit(), &editor);
    MoveMouseTo({(editor.left + editor.right) / 2, (editor.top + editor.bottom) / 2});
    EXPECT_TRUE(WaitFor([&] { return StatusText(status) == L"就绪"; }, 3000)) << Narrow(StatusText(status));

    // A narrow window: the buttons take more rows, the bar grows and the panes stay below it.
    RECT wide{};
    GetWindowRect(toolbar, &wide);
    SetWindowPos(frame, nullptr, 0, 0, 260, 600, SWP_NOMOVE | SWP_NOZORDER);
    RECT narrow{};
    ASSERT_TRUE(WaitFor([&] {
        GetWindowRect(toolbar, &narrow);
        return narrow.bottom - narrow.top >= 2 * (wide.bottom - wide.top) - 8;
    }, 3000)) << (narrow.bottom - narrow.top) << " against " << (wide.bottom - wide.top);
    EXPECT_GT(ButtonRect(toolbar, 8).top, ButtonRect(toolbar, 0).top);
    RECT pane{};
    GetWindowRect(ChildById(frame, 132), &pane);
    EXPECT_GE(pane.top, narrow.bottom);
}

}  // namespace
