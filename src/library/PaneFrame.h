// The frame both library panes share: a border, one edge the user drags to resize
// the pane (an inverted line follows the mouse), and for the tree pane a caption
// strip with a title and a close button.
#pragma once
#include "framework/DialogBar.h"
#include "framework/Dpi.h"
#include <string>

namespace paneframe {
// Sizes the user can drag a pane to. F is the main frame's client rectangle; the limits
// are pixels at 96 DPI, scaled to the pane's DPI.
// Tree pane: the width for cursor x (pane client): 80 at least, half of F's width at most.
int ClampTreeWidth(int x, const RECT& f, UINT dpi = dpi::kBase);
// List pane: the height on release for the cursor at yFrame (main frame client) and
// yPane (pane client): 70 near the top, F's height − 130 near the bottom.
int ListHeightOnRelease(int yFrame, int yPane, const RECT& f, UINT dpi = dpi::kBase);
// List pane: where the drag line follows the cursor (main frame client y).
int ClampListTrackY(int yFrame, const RECT& f, UINT dpi = dpi::kBase);
}  // namespace paneframe

class CPaneFrameBar : public CDialogBar {
public:
    enum class Edge { Right, Bottom };
    explicit CPaneFrameBar(Edge edge) : m_edge(edge) {}

    // The pane's one size (tree: width, list: height), kept by the pane.
    virtual int& PaneSize() = 0;

    // Takes the DPI of the frame's monitor and the panes' font made for it: the frame's
    // edges, caption and close button, the pane's size, its control and its icons follow.
    void SetDpi(UINT dpi, HFONT font);
    UINT Dpi() const { return m_dpi; }
    // A length in pixels at 96 DPI, at the pane's DPI.
    int Px(int px) const { return dpi::Scale(px, m_dpi); }

    bool m_dragging = false;
    bool m_overEdge = false;
    POINT m_tracker{0, 0};        // drag line position on the screen; (0, 0): none shown
    // Close button (tree pane only): empty until the caption is first painted.
    RECT m_closeRect{0, 0, 0, 0};
    bool m_closeHot = false;
    bool m_closePressed = false;

protected:
    // The frame's messages; derived panes pass the rest on to CDialogBar.
    bool OnFrameMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Tree pane: caption title and tooltip of the close button (null: no caption).
    virtual const std::wstring* CaptionTitle() const { return nullptr; }
    virtual HWND CaptionToolTip() const { return nullptr; }
    // The pane's control takes the font and icons of the new DPI (Dpi() already holds it).
    virtual void ApplyDpiToContent(HFONT) {}

private:
    bool OnSetCursor();
    void OnLButtonDown(POINT pt);
    void OnMouseMove(POINT pt);
    void OnLButtonUp(POINT pt);
    void OnPaint();
    void PaintCaption(HDC dc, const RECT& c);
    void UpdateCloseHot(POINT pt);
    void DrawTracker() const;
    // Hides or shows this pane through its frame, which lays the panes out again.
    void ShowThroughFrame(bool show);
    RECT FrameClient() const;
    Edge m_edge;
    UINT m_dpi = dpi::kBase;
    HFONT m_font = nullptr;     // owned by the frame
    bool m_releasing = false;   // our own ReleaseCapture, not a lost capture
};
