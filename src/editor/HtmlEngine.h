// The operations the program performs on an HTML editing engine. Two engines
// implement them: the platform's (MSHTML in design mode) and a built-in one
// that shows the document as editable HTML text.
#pragma once
#include <windows.h>
#include <docobj.h>
#include <memory>
#include <string>

// Editing command ids of the command group CGID_MSHTML.
enum : DWORD {
    kIdmCopy = 15,
    kIdmCut = 16,
    kIdmPaste = 26,
    kIdmUndo = 43,
    kIdmFont = 90,
};

class HtmlEngine {
public:
    virtual ~HtmlEngine() = default;
    virtual const wchar_t* Name() const = 0;
    // The engine's own child window inside the view.
    virtual HWND Window() const = 0;
    // Fits the engine's window to the view's client area.
    virtual void Resize(int cx, int cy) {
        if (HWND w = Window()) ::MoveWindow(w, 0, 0, cx, cy, TRUE);
    }
    // A document with a body can be obtained (false before the start document loaded).
    virtual bool HasDocument() = 0;
    virtual bool GetBodyHtml(std::wstring& html) = 0;        // body.innerHTML
    virtual bool SetBodyHtml(const std::wstring& html) = 0;  // body.innerHTML = html
    // Adds markup at the end of the body. Engines that can insert without setting
    // the whole body again do so: the cost then depends on the markup added only.
    virtual bool AppendBodyHtml(const std::wstring& html) {
        std::wstring body;
        return GetBodyHtml(body) && SetBodyHtml(body + html);
    }
    virtual bool GetBodyText(std::wstring& text) = 0;        // body.innerText
    virtual bool SetCharset(const std::wstring& charset) = 0;
    virtual bool CloseDocument() = 0;                        // document.close()
    virtual bool NewDocument() = 0;                          // IPersistStreamInit::InitNew
    virtual bool Navigate(const std::wstring& path) = 0;     // show a file
    // S_OK when modified, S_FALSE when not, an error when the document is unavailable.
    virtual HRESULT IsDirty() = 0;
    virtual DWORD QueryStatus(DWORD command) = 0;            // OLECMDF_* bits
    virtual HRESULT ExecCommand(DWORD command) = 0;          // OLECMDEXECOPT_DODEFAULT, no arguments
    virtual void Stop() = 0;
    // Keystrokes the engine's window handles itself before the frame's editing keys.
    virtual bool TranslateAccelerator(MSG*) { return false; }
    // The view got the focus: the engine's window takes it (and its caret).
    virtual void Focus() {
        if (HWND w = Window()) ::SetFocus(w);
    }
    // The frame window was activated or deactivated.
    virtual void FrameActivated(bool) {}
    // Address of the document shown ("" when the engine does not know one).
    virtual std::wstring DocumentUrl() { return std::wstring(); }
};

// The platform engine when it yields a document with a body, else the built-in one.
// `hidden`: the view is never shown (the capture's paste view); the built-in engine
// then keeps its text in memory instead of in a window.
std::unique_ptr<HtmlEngine> CreateHtmlEngine(HWND view, bool hidden = false);
std::unique_ptr<HtmlEngine> CreateBuiltinHtmlEngine(HWND view, bool hidden = false);
// Null when the platform engine cannot give a document with a body.
std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND view);
