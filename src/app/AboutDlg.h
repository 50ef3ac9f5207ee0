// The About box.
#pragma once
#include "framework/Dialog.h"
#include "resources/resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
private:
    void OnPaint();
};
