// Bars docked on the edges of a frame: tool bar, status bar, dialog bars.
#pragma once
#include "framework/Wnd.h"
#include <commctrl.h>
#include <vector>

enum class DockSide { Top, Bottom, Left };

class CControlBar : public CWnd {
public:
    DockSide m_dockSide = DockSide::Top;
    // Size the bar wants in the frame's layout (width for left bars, height for top/bottom bars).
    virtual SIZE CalcDynamicLayout(int length, DWORD mode);
    virtual bool PreTranslateMessage(MSG*) { return false; }
};

// Command ids of a TOOLBAR resource in button order (0 = separator); empty when malformed.
std::vector<UINT> ParseToolBarResource(const void* data, size_t size);

class CToolBar : public CControlBar {
public:
    bool CreateEx(HWND frame, DWORD tbStyle, DWORD style, UINT id);
    // Loads the button layout of a TOOLBAR resource (ids and separators).
    bool LoadToolBar(UINT resourceId);
    void SetImageList(HIMAGELIST images);
    // New icons or a new font: the buttons are measured again for them.
    void Remeasure(HFONT font);
    void SetButtonText(int index, const std::wstring& text);
    int GetButtonCount() const;
    // Height of the buttons wrapped into rows for a bar of this width.
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
protected:
    // Paints the gripper in the indent before the first button.
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// The status prompt of a command: its string resource up to the line feed (empty when none).
std::wstring CommandPrompt(UINT id);

class CStatusBar : public CControlBar {
public:
    bool Create(HWND frame, UINT id);
    // String ids of the panes; 0 is the message pane.
    bool SetIndicators(const UINT* ids, int count);
    void SetPaneText(int index, const std::wstring& text);
    std::wstring GetPaneText(int index) const;
    // Shows or blanks the key-state indicators.
    void UpdateKeyIndicators();
    // Shows a command's prompt in the message pane; 0 brings back the idle text.
    void ShowPrompt(UINT commandId);
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
    // The font and DPI of the frame's monitor: the bar is as high as its text needs and
    // the indicators and the size grip are as wide as at 96 DPI scaled.
    void SetDpi(UINT dpi, HFONT font);
protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
private:
    void LayoutParts();
    std::vector<UINT> m_ids;
    UINT m_dpi = 96;
    int m_height = 0;   // 0: as high as the control made itself
};
