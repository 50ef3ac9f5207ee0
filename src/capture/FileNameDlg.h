// The file-name dialog: confirms or takes the name of a web text before it is
// saved, replacing the field with the clipboard text whenever the clipboard changes.
#pragma once
#include "framework/Dialog.h"
#include "resources/resource.h"
#include <string>

class CFileName : public CDialog {
public:
    // `name`: the name shown when the dialog opens, then the confirmed one ("" when closed).
    // `ready`: false while the dialog is open (a capture would change the text being named).
    CFileName(std::wstring& name, bool& ready) : CDialog(IDD_FILENAME), m_name(name), m_ready(ready) {}
    // Relative folder path the name is checked against (the folder that will receive the file).
    std::wstring m_folder;

protected:
    BOOL OnInitDialog() override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnCancel() override {}   // Esc neither cancels nor closes

private:
    void OnShowWindow(WPARAM wp, LPARAM lp);
    void OnConfirm();
    void OnCloseBox();
    LRESULT OnDrawClipboard(WPARAM wp, LPARAM lp);
    LRESULT OnChangeCbChain(WPARAM wp, LPARAM lp);
    void LeaveChainAndEmptyClipboard();

    HWND m_nextViewer = nullptr;
    bool m_inChain = false;
    std::wstring& m_name;
    bool& m_ready;
};
