// The application object: single instance, document, frame and message loop.
#pragma once
#include "app/MainFrame.h"
#include <memory>

class CPagewickApp {
public:
    // Start-up; false ends the program (exit code 1). Started by the installer, a first
    // start writes its settings and folders and goes on instead of asking for a restart.
    bool InitInstance(const std::wstring& commandLineFile, bool startedByInstaller = false);
    int Run();
    // Right clicks on the editor views' engine windows become left clicks.
    static void ApplyRightClickRule(MSG* msg);
private:
    std::unique_ptr<CPagewickDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

// Activates a running instance; true when one exists (this start must end).
bool ActivateRunningInstance();
// The first argument when it is one of the program's switches (case-insensitive).
enum class CommandLineSwitch { None, Unregister, Installed };
CommandLineSwitch SwitchOf(const wchar_t* commandLine);
// The file named on a command line, or empty (also for a switch).
std::wstring CommandLineFile(const wchar_t* commandLine);
