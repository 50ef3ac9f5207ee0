// A control bar made from a dialog template (the library panes).
#pragma once
#include "framework/ControlBar.h"

class CDialogBar : public CControlBar {
public:
    // Creates the bar as a child of the frame from an (empty) dialog template.
    bool Create(HWND frame, UINT templateId, DockSide side, UINT id);
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
protected:
    SIZE m_sizeDefault{};   // the template's size in pixels
private:
    static INT_PTR CALLBACK NullDlgProc(HWND, UINT, WPARAM, LPARAM);
};
