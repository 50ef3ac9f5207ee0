// Driving the stand-in browser (tools/testbrowser) from tests.
#pragma once
#include "support/Harness.h"
#include <memory>
#include <string>

namespace zt {

class TestBrowser {
public:
    // kind: L"--html" (HTML Format + text), L"--text" (text only) or empty (copies nothing).
    // sourceUrl: the page address given in the copied HTML (empty: the tool's own default).
    // copyDelayMs: the clipboard is written that long after the Ctrl+C (a slow browser).
    TestBrowser(const std::wstring& kind, const std::string& utf8Content, const std::wstring& title,
                const std::wstring& sourceUrl = L"", unsigned copyDelayMs = 0);
    ~TestBrowser();
    bool Started() const { return m_window != nullptr; }
    HWND Window() const { return m_window; }
    // Brings the window to the front with the keyboard focus.
    bool Focus();
    // Lines "copy shift=0|1" written on every Ctrl+C it received ("ctrl+alt+c" for one
    // with Alt held, which copies nothing).
    std::string Log() const;
    int CopyCount() const;
private:
    TempFolder m_folder;
    Process m_process;
    std::wstring m_dir, m_log;
    HWND m_window = nullptr;
};

// Injected key presses (down/up), as a person's keyboard would give them.
void KeyDown(WORD vk);
void KeyUp(WORD vk);

// A key held down as a keyboard holds it: pressed again every few milliseconds (its
// autorepeat) until let go. A single injected press is not enough: Wine lets go of
// injected modifiers whenever it syncs its key state with the X server's (observed right
// after the program showed a balloon), which a physically held key survives.
class HeldKey {
public:
    explicit HeldKey(WORD vk);
    ~HeldKey() { Release(); }
    void Release();   // stops the repeat, then the key goes up
private:
    WORD m_vk;
    HANDLE m_stop, m_thread;
};

// Clipboard helpers for checks.
int ClipboardFormatCount();
bool ClipboardHasHtml();
std::string ClipboardHtml();   // raw "HTML Format" data

}  // namespace zt
