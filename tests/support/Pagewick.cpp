#include "support/Pagewick.h"
#include "support/Remote.h"

namespace zt {

RunningPagewick::RunningPagewick(const std::function<void(ProgramDir&)>& prepare, bool defaults) {
    if (defaults) m_dir.WriteDefaultConfig();
    if (prepare) prepare(m_dir);
    if (!m_proc.Start(m_dir.Exe())) return;
    // The window exists from its creation on; the start is over once it is shown.
    // A start-up message box stops the wait early; the test answers it and calls WaitShown.
    WaitFor([&] {
        HWND frame = FindWindowByCaption(kMainCaption, m_proc.Id());
        if (frame && IsWindowVisible(frame)) m_frame = frame;
        return m_frame || WaitForDialog(m_proc.Id(), 0);
    }, 20000);
}

RunningPagewick::~RunningPagewick() {
    if (m_frame && IsWindow(m_frame)) Exit();
    m_proc.Kill();
    // Let the folder be removed: regsvr32 may still hold the DLL for a moment.
    Sleep(100);
}

HWND RunningPagewick::WaitShown() {
    HWND frame = WaitForWindow(kMainCaption, m_proc.Id(), 20000);
    if (frame && WaitFor([&] { return IsWindowVisible(frame) != 0; }, 20000)) m_frame = frame;
    return m_frame;
}

DWORD RunningPagewick::Exit() {
    PostMessageW(m_frame, WM_COMMAND, kExitCommand, 0);
    DWORD code = m_proc.Wait(10000);
    m_frame = nullptr;
    return code;
}

HWND RunningPagewick::EditorEdit() const {
    HWND view = ChildById(m_frame, 0xE900);
    return view ? GetWindow(view, GW_CHILD) : nullptr;
}

}  // namespace zt
