// The settings dialog: name length, open prompt and the two hot keys.
#pragma once
#include "framework/Dialog.h"
#include "resources/resource.h"
#include "settings/HotKeys.h"

class CAppConfigs : public CDialog {
public:
    CAppConfigs() : CDialog(IDD_APPCONFIGS) {}
    int m_openPrompt = 0;   // check box 1010

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override {}   // Enter does not close the dialog

private:
    void OnApply();
    void FillCombo(int id, int first, int count, bool letters);
    int Selected(int id) const;
    HotKeyIndexes SelectedKeys() const;
    void ShowShiftWarning();   // the one-line warning under the keys, hidden when not needed
};
