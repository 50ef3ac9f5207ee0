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

// What both engines share is decided here, in code that runs and is tested with
// either engine: a file is decoded by the program, not by the engine; the
// modified state is the program's own (an engine may not see a scripted change);
// and while a body is being set the engine is busy, so that nothing arriving in
// the meantime (a message sent during the engine's wait) writes into it.
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
    virtual bool GetBodyText(std::wstring& text) = 0;        // body.innerText
    virtual bool SetCharset(const std::wstring& charset) = 0;
    virtual bool CloseDocument() = 0;                        // document.close()
    virtual DWORD QueryStatus(DWORD command) = 0;            // OLECMDF_* bits
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

    // A body is being set or a command runs: nothing else may write into the document.
    bool IsBusy() const { return m_busy; }
    // body.innerHTML = html; the text counts as modified. False while busy.
    bool SetBodyHtml(const std::wstring& html);
    // Adds markup at the end of the body without setting the rest again (undo,
    // caret and scroll position stay); modified. False while busy.
    bool AppendBodyHtml(const std::wstring& html);
    // An empty, unmodified body.
    bool NewDocument();
    // Shows a file: decoded by the program (UTF-16 or UTF-8 with a mark, UTF-8
    // without, the meta charset, else GBK), relative addresses made absolute
    // against its folder, set as the body; unmodified. "about:blank" empties.
    // A file that cannot be read leaves the text as it was.
    bool Navigate(const std::wstring& path);
    // S_OK when modified, S_FALSE when not, an error when the document is unavailable.
    HRESULT IsDirty();
    // OLECMDEXECOPT_DODEFAULT, no arguments; an editing command marks the text modified.
    HRESULT ExecCommand(DWORD command);
    // A key or character on its way to the engine's window: typing modifies.
    void NoteInput(const MSG& msg);

protected:
    virtual bool PutBody(const std::wstring& html) = 0;
    virtual bool InsertAtEnd(const std::wstring& html) = 0;
    virtual HRESULT Exec(DWORD command) = 0;
    // The engine's own idea of modified (S_OK / S_FALSE), and forgetting it.
    virtual HRESULT EngineDirty() = 0;
    virtual void ForgetEngineDirty() {}
    void MarkModified() { m_dirty = true; }
    // Held while a body is set or the engine waits for its control.
    struct BusyScope {
        explicit BusyScope(HtmlEngine* e) : engine(e), was(e->m_busy) { e->m_busy = true; }
        ~BusyScope() { engine->m_busy = was; }
        HtmlEngine* engine;
        bool was;
    };

private:
    bool m_busy = false;
    bool m_dirty = false;
};

// The body of a web-text file as the editors show it; false when it cannot be read.
bool LoadWebTextBody(const std::wstring& path, std::wstring& body);

// The platform engine when it yields a document with a body, else the built-in one.
// `hidden`: the view is never shown (the capture's paste view); the built-in engine
// then keeps its text in memory instead of in a window.
std::unique_ptr<HtmlEngine> CreateHtmlEngine(HWND view, bool hidden = false);
std::unique_ptr<HtmlEngine> CreateBuiltinHtmlEngine(HWND view, bool hidden = false);
// Null when the platform engine cannot give a document with a body.
std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND view);
