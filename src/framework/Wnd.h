// Base of every window object: binds a C++ object to its HWND and routes
// messages to one virtual OnMessage.
#pragma once
#include <windows.h>
#include <string>

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    static CWnd* FromHandle(HWND hwnd);

    bool CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                  int x, int y, int cx, int cy, HWND parent, UINT_PTR idOrMenu);
    // Takes over an existing window (a control): its messages then reach OnMessage.
    void SubclassWindow(HWND hwnd);
    void DestroyWindow();

    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageW(m_hWnd, msg, wp, lp); }
    void ShowWindow(int cmd) const { ::ShowWindow(m_hWnd, cmd); }
    bool IsWindowVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }
    RECT GetClientRect() const { RECT r{}; ::GetClientRect(m_hWnd, &r); return r; }

    // Registers a window class whose procedure dispatches to CWnd objects.
    static void RegisterWndClass(LPCWSTR className, UINT style, HBRUSH background, HICON icon = nullptr,
                                 HICON smallIcon = nullptr, HCURSOR cursor = nullptr);

protected:
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    // The processing the window would get without this object.
    virtual LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
    virtual void OnFinalMessage() {}

    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Attach(HWND hwnd);
    void Detach();

    WNDPROC m_oldProc = nullptr;
};

// Runs a message handler so that no exception leaves a window procedure.
template <class F> LRESULT GuardedCall(F&& f, LRESULT onError = 0) {
    try { return f(); } catch (...) { return onError; }
}
