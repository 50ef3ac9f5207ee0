// Top-level frame: bars docked on its edges and one view filling the rest.
#pragma once
#include "framework/ControlBar.h"
#include <vector>

class CFrameWnd : public CWnd {
public:
    // Docks a bar: bars take their space in docking order, the view gets the rest.
    void DockControlBar(CControlBar* bar);
    void ShowControlBar(CControlBar* bar, bool show, bool delay = false);
    void SetView(CWnd* view) { m_view = view; }
    CWnd* GetActiveView() const { return m_view; }
    virtual void RecalcLayout();
    // Pre-translation along the target window's parent chain, then accelerators (not for
    // keys meant for an edit box outside the view).
    virtual bool PreTranslateMessage(MSG* msg);
    void SetAccelerators(HACCEL accel) { m_accel = accel; }
    HACCEL Accelerators() const { return m_accel; }
    CStatusBar* GetStatusBar() const;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    std::vector<CControlBar*> m_bars;
    CWnd* m_view = nullptr;
    HACCEL m_accel = nullptr;
};
