// The settings dialog: name length, open prompt and the two hot keys.
#pragma once
#include "framework/Dialog.h"
#include "resources/resource.h"
#include "settings/HotKeys.h"

// What the dialog changes of the running program besides Config.ini. The main frame
// is the one host.
class AppSettingsHost {
public:
    virtual ~AppSettingsHost() = default;

    bool m_openPrompt = true;   // a finished save asks whether to open the file (else a balloon)
    int m_nameLength = 10;      // characters of a name proposed from the text
    HotKeyIndexes m_hotKeys;    // the capture and save keys registered

    // The window the hot keys are registered for.
    virtual HWND HotKeyWindow() = 0;
    virtual void ShowBalloon(int kind, const wchar_t* title, const wchar_t* text) = 0;
};

class CAppConfigs : public CDialog {
public:
    explicit CAppConfigs(AppSettingsHost& host) : CDialog(IDD_APPCONFIGS), m_host(host) {}
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

    AppSettingsHost& m_host;
};
