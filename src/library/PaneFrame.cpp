#include "library/PaneFrame.h"
#include "framework/FrameWnd.h"
#include "framework/Resources.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <windowsx.h>

namespace paneframe {
int ClampTreeWidth(int x, const RECT& f, UINT d) {
    const int half = (f.right - f.left) / 2, least = dpi::Scale(80, d);
    if (x < least) return least;
    return x > half ? half : x;
}

int ListHeightOnRelease(int yFrame, int yPane, const RECT& f, UINT d) {
    const int height = f.bottom - f.top;
    if (yFrame <= dpi::Scale(120, d)) return dpi::Scale(70, d);
    if (yFrame < height - dpi::Scale(80, d)) return yPane;
    return height - dpi::Scale(130, d);
}

int ClampListTrackY(int yFrame, const RECT& f, UINT d) {
    const int limit = (f.bottom - f.top) - dpi::Scale(80, d), least = dpi::Scale(120, d);
    if (yFrame < least) yFrame = least;
    return yFrame > limit ? limit : yFrame;
}
}  // namespace paneframe

using namespace paneframe;

namespace {
const int kEdgeStrip = 6;
const UINT kCloseToolId = 1;

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

// A one-pixel frame: top and left in the light colour, bottom and right in the dark one.
void Draw3dRect(HDC dc, const RECT& r, COLORREF light, COLORREF dark) {
    auto fill = [dc](int l, int t, int w, int h, COLORREF c) {
        ::SetBkColor(dc, c);
        RECT s{l, t, l + w, t + h};
        ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &s, nullptr, 0, nullptr);
    };
    const int w = r.right - r.left, h = r.bottom - r.top;
    fill(r.left, r.top, w - 1, 1, light);
    fill(r.left, r.top, 1, h - 1, light);
    fill(r.right - 1, r.top, 1, h, dark);
    fill(r.left, r.bottom - 1, w, 1, dark);
}

TOOLINFOW CloseTool(HWND pane) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = pane;
    ti.uId = kCloseToolId;
    return ti;
}
}  // namespace

void CPaneFrameBar::SetDpi(UINT d, HFONT font) {
    if (!d) d = dpi::kBase;
    // A size the user dragged keeps its share of the window on the new scale.
    PaneSize() = ::MulDiv(PaneSize(), (int)d, (int)m_dpi);
    m_dpi = d;
    if (font) {
        m_font = font;
        SendMessage(WM_SETFONT, (WPARAM)font, FALSE);
    }
    ::SetRectEmpty(&m_closeRect);   // placed again by the next paint
    ApplyDpiToContent(font);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

RECT CPaneFrameBar::FrameClient() const {
    RECT f{};
    ::GetClientRect(::GetParent(m_hWnd), &f);
    return f;
}

bool CPaneFrameBar::OnFrameMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    result = 0;
    switch (msg) {
    case WM_SETCURSOR:
        result = OnSetCursor();
        return true;
    case WM_LBUTTONDOWN:
        OnLButtonDown(pt);
        return true;
    case WM_LBUTTONDBLCLK:
        return true;
    case WM_MOUSEMOVE:
        if (m_edge == Edge::Right) Default(msg, wp, lp);
        OnMouseMove(pt);
        if (m_edge == Edge::Bottom) result = Default(msg, wp, lp);
        return true;
    case WM_LBUTTONUP:
        OnLButtonUp(pt);
        if (m_edge == Edge::Bottom) result = Default(msg, wp, lp);
        return true;
    case WM_CAPTURECHANGED:
        // Capture taken away mid-drag (a message box, another program): end the drag
        // without resizing so that no line stays on the screen.
        if (m_dragging && !m_releasing && (HWND)lp != m_hWnd) {
            if (m_tracker.x || m_tracker.y) DrawTracker();
            m_tracker = {0, 0};
            m_dragging = false;
        }
        return false;
    case WM_SIZE:
        // The border follows the pane's edges: all of it is drawn again.
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return false;
    case WM_PAINT:
        OnPaint();
        return true;
    }
    return false;
}

bool CPaneFrameBar::OnSetCursor() {
    POINT pt{};
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWnd, &pt);
    RECT c = GetClientRect();
    const int strip = Px(kEdgeStrip);
    bool inStrip = m_edge == Edge::Right ? (pt.x >= c.right - strip && pt.x < c.right)
                                         : (pt.y >= c.bottom - strip && pt.y < c.bottom);
    if (inStrip) {
        UINT id = m_edge == Edge::Right ? IDC_SIZE_WE : IDC_SIZE_NS;
        ::SetCursor((HCURSOR)::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_CURSOR, 0, 0,
                                          LR_DEFAULTSIZE | LR_SHARED));
    } else {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    }
    m_overEdge = inStrip;
    return true;
}

void CPaneFrameBar::OnLButtonDown(POINT pt) {
    ::SetCapture(m_hWnd);
    if (!::IsRectEmpty(&m_closeRect) && ::PtInRect(&m_closeRect, pt)) {
        m_closePressed = true;
        m_closeHot = false;
        ::InvalidateRect(m_hWnd, &m_closeRect, TRUE);
    }
    // Only a press on the edge strip starts a drag; the pane itself never floats.
    if (m_overEdge) m_dragging = true;
}

void CPaneFrameBar::OnMouseMove(POINT pt) {
    if (m_dragging) {
        if (m_tracker.x || m_tracker.y) DrawTracker();   // erase the previous line
        POINT cur{};
        ::GetCursorPos(&cur);
        const RECT f = FrameClient();
        POINT track = cur;
        if (m_edge == Edge::Right) {
            ::ScreenToClient(m_hWnd, &track);
            track.x = ClampTreeWidth(track.x, f, m_dpi);
            ::ClientToScreen(m_hWnd, &track);
        } else {
            HWND frame = ::GetParent(m_hWnd);
            ::ScreenToClient(frame, &track);
            track.y = ClampListTrackY(track.y, f, m_dpi);
            ::ClientToScreen(frame, &track);
        }
        m_tracker = track;
        DrawTracker();
    }
    if (m_edge == Edge::Right) UpdateCloseHot(pt);
}

void CPaneFrameBar::UpdateCloseHot(POINT pt) {
    if (::IsRectEmpty(&m_closeRect)) {
        ::InvalidateRect(m_hWnd, &m_closeRect, TRUE);
        return;
    }
    bool inside = ::PtInRect(&m_closeRect, pt) != 0;
    if (inside && !m_closeHot) {
        m_closeHot = true;
        ::InvalidateRect(m_hWnd, &m_closeRect, TRUE);
    } else if (!inside && (m_closeHot || m_closePressed)) {
        m_closeHot = m_closePressed = false;
        ::InvalidateRect(m_hWnd, &m_closeRect, TRUE);
    }
}

void CPaneFrameBar::OnLButtonUp(POINT pt) {
    m_releasing = true;
    ::ReleaseCapture();
    m_releasing = false;
    // The line goes before the panes are laid out again: their repainting would
    // otherwise wipe it first and the second inversion would leave it on the screen.
    if (m_tracker.x || m_tracker.y) DrawTracker();
    m_tracker = {0, 0};
    if (m_edge == Edge::Right && !::IsRectEmpty(&m_closeRect) && ::PtInRect(&m_closeRect, pt)) {
        m_closePressed = m_closeHot = false;
        ShowThroughFrame(false);
        ::InvalidateRect(m_hWnd, &m_closeRect, TRUE);
    }
    if (m_dragging) {
        POINT cur{};
        ::GetCursorPos(&cur);
        const RECT f = FrameClient();
        POINT inPane = cur;
        ::ScreenToClient(m_hWnd, &inPane);
        if (m_edge == Edge::Right) {
            PaneSize() = ClampTreeWidth(inPane.x, f, m_dpi);
        } else {
            POINT inFrame = cur;
            ::ScreenToClient(::GetParent(m_hWnd), &inFrame);
            PaneSize() = ListHeightOnRelease(inFrame.y, inPane.y, f, m_dpi);
        }
        // Hiding and showing again makes the frame lay out its panes with the new size.
        ShowThroughFrame(false);
        ShowThroughFrame(true);
    }
    m_dragging = false;
    if (m_edge == Edge::Bottom) m_overEdge = false;
}

void CPaneFrameBar::ShowThroughFrame(bool show) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(::GetParent(m_hWnd))))
        frame->ShowControlBar(this, show, false);
    else
        ::ShowWindow(m_hWnd, show ? SW_SHOWNA : SW_HIDE);
}

void CPaneFrameBar::DrawTracker() const {
    RECT p = GetClientRect();
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&p), 2);
    // A focus rectangle inverts what is under it: its two long sides are the two
    // lines, and drawing the same rectangle again restores the screen.
    const int gap = Px(2) + 1;
    RECT line = m_edge == Edge::Right ? RECT{m_tracker.x, p.top, m_tracker.x + gap, p.bottom - Px(75)}
                                      : RECT{p.left + Px(2), m_tracker.y, p.right - 1, m_tracker.y + gap};
    HDC dc = ::GetWindowDC(nullptr);
    if (!dc) return;
    ::DrawFocusRect(dc, &line);
    ::ReleaseDC(nullptr, dc);
}

void CPaneFrameBar::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    const RECT c = GetClientRect();
    HPEN white = ::CreatePen(PS_SOLID, Px(2), RGB(255, 255, 255));
    HGDIOBJ oldPen = ::SelectObject(dc, white);
    const int one = Px(1);
    RECT r;
    if (m_edge == Edge::Bottom) {
        r = {c.left + Px(2), c.top + Px(5), c.right - one, c.bottom - Px(6)};
        Line(dc, r.left + one, r.top + one, r.left + one, r.bottom - one);
        Line(dc, r.left + one, r.top + one, r.right - one, r.top + one);
        Line(dc, r.left + one, r.bottom, r.right - one, r.bottom);
    } else {
        r = {c.left + Px(3), c.top + Px(5), c.right - Px(6), c.bottom - Px(80)};
        Line(dc, r.left + one, r.top + one, r.left + one, r.bottom - one);
        Line(dc, r.left + one, r.top + one, r.right - one, r.top + one);
        Line(dc, r.right, r.top + one, r.right, r.bottom - one);
        Line(dc, r.left + one, r.bottom, r.right - one, r.bottom);
        Line(dc, r.left - one, r.bottom - Px(59), r.left + Px(100), r.bottom - Px(59));
    }
    ::SelectObject(dc, oldPen);
    ::DeleteObject(white);
    ::FrameRect(dc, &r, ::GetSysColorBrush(COLOR_GRAYTEXT));
    if (m_edge == Edge::Right) PaintCaption(dc, c);
    ::EndPaint(m_hWnd, &ps);
}

void CPaneFrameBar::PaintCaption(HDC dc, const RECT& c) {
    if (const std::wstring* title = CaptionTitle()) {
        // The font given for the DPI; the dialog template's until one is given.
        HGDIOBJ oldFont = ::SelectObject(dc, m_font ? m_font : (HFONT)SendMessage(WM_GETFONT));
        ::SetBkMode(dc, TRANSPARENT);
        bool drawn = ::TextOutW(dc, Px(8), Px(11), title->c_str(), (int)title->size()) != 0;
        ::SelectObject(dc, oldFont);
        // One box at a time: its modal loop repaints the pane, which would fail again.
        static bool reporting = false;
        if (!drawn && !reporting) {
            reporting = true;
            AfxMessageBox(L"textout failed!", MB_OK, m_hWnd);
            reporting = false;
        }
    }

    // The separator's two lines, each as thick as a pixel at this scale.
    const int one = Px(1);
    const RECT s{c.left + Px(3), c.top + Px(6), c.right - Px(6), 0};
    RECT grayLine{s.left + one, s.top + Px(20), s.right - one, s.top + Px(20) + one};
    ::FillRect(dc, &grayLine, ::GetSysColorBrush(COLOR_GRAYTEXT));
    RECT whiteLine{s.left + one, grayLine.bottom, s.right - one, grayLine.bottom + one};
    ::FillRect(dc, &whiteLine, (HBRUSH)::GetStockObject(WHITE_BRUSH));

    const int iconSize = dpi::IconSize(16, m_dpi);
    m_closeRect = {c.right - Px(10) - iconSize, c.top + Px(9), c.right - Px(10), c.top + Px(9) + iconSize};
    if (HWND tip = CaptionToolTip()) {
        TOOLINFOW ti = CloseTool(m_hWnd);
        if (::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0) > 0) ::SendMessageW(tip, TTM_DELTOOLW, 0, (LPARAM)&ti);
        ti.rect = m_closeRect;
        ti.lpszText = const_cast<wchar_t*>(L"关闭");
        ::SendMessageW(tip, TTM_ADDTOOLW, 0, (LPARAM)&ti);
    }
    HICON icon = (HICON)::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PANE_CLOSE), IMAGE_ICON,
                                     iconSize, iconSize, LR_SHARED);
    POINT at{m_closeRect.left, m_closeRect.top};
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT), dark = ::GetSysColor(COLOR_GRAYTEXT);
    if (m_closeHot) {
        Draw3dRect(dc, m_closeRect, light, dark);
    } else if (m_closePressed) {
        Draw3dRect(dc, m_closeRect, dark, light);
        at.x += one;
        at.y += one;
    }
    if (icon) ::DrawIconEx(dc, at.x, at.y, icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
}
