// The main editor view, its document, and the hidden paste view.
#pragma once
#include "framework/HtmlEditView.h"

class CPagewickView : public CHtmlEditView {
protected:
    // Edit menu commands go to the editing engine.
    DWORD EngineCommandFor(UINT id) const override;
};

class CPagewickDoc : public CHtmlEditDoc {};

// Hidden view that receives the browser selection during a capture.
class CHtmlMyEdit : public CHtmlEditView {};
