// A running Pagewick in a program folder of its own.
#pragma once
#include "support/Harness.h"
#include <functional>

namespace zt {

constexpr wchar_t kMainCaption[] = L"ZelvaneV1.3";
constexpr int kExitCommand = 32777;

class RunningPagewick {
public:
    // prepare runs after the default settings are written and before the start.
    explicit RunningPagewick(const std::function<void(ProgramDir&)>& prepare = nullptr, bool defaults = true);
    ~RunningPagewick();
    bool Started() const { return m_frame != nullptr; }
    HWND Frame() const { return m_frame; }
    ProgramDir& Dir() { return m_dir; }
    Process& Proc() { return m_proc; }
    // Waits until the main window is shown (after a start-up message was answered).
    HWND WaitShown();
    // Ends the program through its exit command; returns the exit code.
    DWORD Exit();
    // Window text of the main editor (the built-in engine's edit control).
    HWND EditorEdit() const;
private:
    ProgramDir m_dir;
    Process m_proc;
    HWND m_frame = nullptr;
};

}  // namespace zt
