// The file-name dialog: confirms or takes the name of a web text before it is
// saved, replacing the field with the clipboard text whenever the clipboard changes.
#pragma once
#include "framework/Dialog.h"
#include "resources/resource.h"
#include <string>

class CMainFrame;

class CFileName : public CDialog {
public:
    CFileName() : CDialog(IDD_FILENAME) {}
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
    CMainFrame* m_mainFrame = nullptr;
};
