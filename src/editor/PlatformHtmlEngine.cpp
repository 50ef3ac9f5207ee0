// Platform engine: the web-browser control hosted in the view, its document
// (MSHTML) switched to design mode once, on about:blank. It is a thin editing
// surface: it never navigates after start-up (files are decoded by the program
// and set as the body), cancels every top-level navigation it did not start,
// and leaves every decision to the code both engines share.
#include "editor/PlatformHtmlEngine.h"
#include "editor/BrowserSite.h"
#include "framework/Wnd.h"
#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>
#include <algorithm>
#include <vector>

namespace {

// Class and group ids missing from mingw's uuid library.
const CLSID kClsidHtmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};
const GUID kCgidMshtml = {0xDE4BA900, 0x59CA, 0x11CF, {0x95, 0x92, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const wchar_t kBlank[] = L"about:blank";
// How long the start waits for the reload that switching to design mode causes.
const DWORD kDesignReloadGraceMs = 2000;

// Owns one interface pointer.
template <class T> class Com {
public:
    Com() = default;
    ~Com() { Reset(); }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T** Out() { Reset(); return &m_p; }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    void Reset() { if (m_p) { m_p->Release(); m_p = nullptr; } }
    void Set(T* p) {
        if (p) p->AddRef();
        Reset();
        m_p = p;
    }
private:
    T* m_p = nullptr;
};

class Bstr {
public:
    explicit Bstr(const std::wstring& s) : m_b(::SysAllocStringLen(s.data(), UINT(s.size()))) {}
    Bstr() = default;
    ~Bstr() { ::SysFreeString(m_b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return m_b; }
    BSTR* Out() { ::SysFreeString(m_b); m_b = nullptr; return &m_b; }
    std::wstring Str() const { return m_b ? std::wstring(m_b, ::SysStringLen(m_b)) : std::wstring(); }
    bool Is(const wchar_t* s) const { return _wcsicmp(Str().c_str(), s) == 0; }
private:
    BSTR m_b = nullptr;
};

HRESULT CreateSystemBrowser(IOleObject** out) {
    // Quick probe: without an HTML document class the control never yields a document.
    Com<IHTMLDocument2> probe;
    HRESULT hr = ::CoCreateInstance(kClsidHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IHTMLDocument2,
                                    probe.OutVoid());
    if (FAILED(hr)) return hr;
    return ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              reinterpret_cast<void**>(out));
}

class PlatformHtmlEngine : public HtmlEngine, private BrowserSiteOwner {
public:
    ~PlatformHtmlEngine() override { Shutdown(); }
    const wchar_t* Name() const override { return L"platform"; }
    HWND Window() const override { return m_window; }

    bool Start(HWND view, const BrowserControlSource& source, HRESULT& why) {
        BusyScope busy(this);
        m_host = view;
        m_timeoutMs = source.loadTimeoutMs;
        HRESULT hr = source.create ? source.create(m_ole.Out()) : CreateSystemBrowser(m_ole.Out());
        why = FAILED(hr) ? hr : E_NOINTERFACE;
        if (FAILED(hr) || !m_ole) return false;
        m_site = new BrowserSite(view, this);
        if (FAILED(m_ole->SetClientSite(static_cast<IOleClientSite*>(m_site)))) return false;
        ::OleSetContainedObject(m_ole.Get(), TRUE);
        RECT rc{};
        ::GetClientRect(view, &rc);
        if (FAILED(m_ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site), 0, view, &rc)))
            return false;
        if (FAILED(m_ole->QueryInterface(IID_IWebBrowser2, m_browser.OutVoid())) ||
            FAILED(m_browser->QueryInterface(IID_IUnknown, m_browserIdentity.OutVoid())))
            return false;
        // A file dropped on the editor would replace the collected text.
        m_browser->put_RegisterAsDropTarget(VARIANT_FALSE);
        Com<IOleWindow> window;
        if (SUCCEEDED(m_ole->QueryInterface(IID_IOleWindow, window.OutVoid()))) window->GetWindow(&m_window);
        Com<IConnectionPointContainer> cpc;
        if (FAILED(m_ole->QueryInterface(IID_IConnectionPointContainer, cpc.OutVoid())) ||
            FAILED(cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, m_events.Out())) ||
            FAILED(m_events->Advise(static_cast<IDispatch*>(m_site), &m_cookie)))
            return false;
        bool ok = Load();
        m_starting = false;   // from now on every top-level navigation is cancelled
        why = ok ? S_OK : HRESULT_FROM_WIN32(ERROR_TIMEOUT);
        return ok;
    }

    void Resize(int cx, int cy) override {
        Com<IOleInPlaceObject> ipo;
        RECT rc{0, 0, cx, cy};
        if (m_ole && SUCCEEDED(m_ole->QueryInterface(IID_IOleInPlaceObject, ipo.OutVoid())))
            ipo->SetObjectRects(&rc, &rc);
    }
    bool HasDocument() override {
        Com<IHTMLElement> body;
        return Body(body);
    }
    bool GetBodyHtml(std::wstring& html) override {
        Com<IHTMLElement> body;
        Bstr b;
        if (!Body(body) || FAILED(body->get_innerHTML(b.Out()))) return false;
        html = b.Str();
        return true;
    }
    bool GetBodyText(std::wstring& text) override {
        Com<IHTMLElement> body;
        Bstr b;
        if (!Body(body) || FAILED(body->get_innerText(b.Out()))) return false;
        text = b.Str();
        return true;
    }
    bool SetCharset(const std::wstring& charset) override {
        Com<IHTMLDocument2> doc;
        Bstr b(charset);
        return Document(doc) && SUCCEEDED(doc->put_charset(b.Get()));
    }
    bool CloseDocument() override {
        Com<IHTMLDocument2> doc;
        return Document(doc) && SUCCEEDED(doc->close());
    }
    DWORD QueryStatus(DWORD command) override {
        Com<IOleCommandTarget> target;
        OLECMD cmd{command, 0};
        if (!DocumentAs(IID_IOleCommandTarget, target) || FAILED(target->QueryStatus(&kCgidMshtml, 1, &cmd, nullptr)))
            return 0;
        return cmd.cmdf;
    }
    HRESULT Exec(DWORD command) override {
        Com<IOleCommandTarget> target;
        if (!DocumentAs(IID_IOleCommandTarget, target)) return E_FAIL;
        return target->Exec(&kCgidMshtml, command, OLECMDEXECOPT_DODEFAULT, nullptr, nullptr);
    }
    bool TranslateAccelerator(MSG* msg) override {
        if (!m_ole || !m_window || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
        if (msg->hwnd != m_window && !::IsChild(m_window, msg->hwnd)) return false;
        // The object the control made active; before that, the control itself.
        Com<IOleInPlaceActiveObject> own;
        IOleInPlaceActiveObject* active = m_site ? m_site->ActiveObject() : nullptr;
        if (!active && SUCCEEDED(m_ole->QueryInterface(IID_IOleInPlaceActiveObject, own.OutVoid()))) active = own.Get();
        return active && active->TranslateAccelerator(msg) == S_OK;
    }
    // UI activation gives the caret; the hidden paste view never takes part.
    void Focus() override {
        if (!m_ole || !m_site || !::IsWindowVisible(m_host)) return;
        RECT rc{};
        ::GetClientRect(m_host, &rc);
        m_ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site), 0, m_host, &rc);
        HWND focus = ::GetFocus();
        if (m_window && focus != m_window && !::IsChild(m_window, focus)) ::SetFocus(m_window);
    }
    void FrameActivated(bool active) override {
        if (IOleInPlaceActiveObject* object = m_site ? m_site->ActiveObject() : nullptr)
            object->OnFrameWindowActivate(active ? TRUE : FALSE);
    }

protected:
    bool PutBody(const std::wstring& html) override {
        Com<IHTMLElement> body;
        Bstr b(html);
        return Body(body) && SUCCEEDED(body->put_innerHTML(b.Get()));
    }
    // Only the new markup is parsed; the control keeps undo, caret and scroll position.
    bool InsertAtEnd(const std::wstring& html) override {
        Com<IHTMLElement> body;
        Bstr where(L"beforeEnd"), b(html);
        return Body(body) && SUCCEEDED(body->insertAdjacentHTML(where.Get(), b.Get()));
    }
    HRESULT EngineDirty() override {
        Com<IPersistStreamInit> persist;
        if (!DocumentAs(IID_IPersistStreamInit, persist)) return E_FAIL;
        return persist->IsDirty();
    }

private:
    // Events count only for the top-level browser, not for its sub-frames.
    bool IsTopLevel(IDispatch* frame) {
        Com<IUnknown> identity;
        return frame && m_browserIdentity && SUCCEEDED(frame->QueryInterface(IID_IUnknown, identity.OutVoid())) &&
               identity.Get() == m_browserIdentity.Get();
    }
    void OnDocumentComplete(IDispatch* frame) override {
        if (!m_closing && IsTopLevel(frame)) ++m_completes;
    }
    bool OnNavigateError(IDispatch* frame) override {
        if (m_closing || !IsTopLevel(frame)) return false;
        m_failed = m_starting;
        return true;
    }
    // A link, Backspace, a drop or a script would replace the collected text.
    bool OnBeforeNavigate(IDispatch* frame) override { return !m_starting && IsTopLevel(frame); }

    // The start document, then design mode. Switching reloads the document: the wait
    // ends only on the DocumentComplete that follows the switch, never on the old
    // document that still reads "complete" (a body set then would be wiped).
    bool Load() {
        if (!m_browser) return false;
        Bstr b(kBlank);
        VARIANT empty;
        ::VariantInit(&empty);
        if (FAILED(m_browser->Navigate(b.Get(), &empty, &empty, &empty, &empty))) return false;
        if (!WaitUntil([this] { return m_failed || (m_completes > 0 && IsComplete()); }, m_timeoutMs) || m_failed)
            return false;
        Com<IHTMLDocument2> doc;
        Bstr on(L"On");
        if (!Document(doc) || FAILED(doc->put_designMode(on.Get()))) return false;
        int before = m_completes;
        DWORD start = ::GetTickCount();
        bool reloaded = WaitUntil([&] { return m_completes > before && IsComplete() && IsDesignMode(); },
                                  std::min<DWORD>(m_timeoutMs, kDesignReloadGraceMs));
        // A control that does not reload: accepted once its document is complete and editable.
        if (!reloaded && !m_closing && !m_quit) {
            DWORD left = m_timeoutMs - std::min<DWORD>(m_timeoutMs, ::GetTickCount() - start);
            reloaded = WaitUntil([&] { return IsComplete() && IsDesignMode(); }, left);
        }
        return reloaded;
    }
    bool IsComplete() {
        Com<IHTMLDocument2> doc;
        Bstr state;
        return Document(doc) && SUCCEEDED(doc->get_readyState(state.Out())) && state.Is(L"complete");
    }
    bool IsDesignMode() {
        Com<IHTMLDocument2> doc;
        Bstr mode;
        return Document(doc) && SUCCEEDED(doc->get_designMode(mode.Out())) && mode.Is(L"On");
    }
    // Messages for the control's own windows and for the hidden windows that it and
    // COM keep on this thread; the program's windows wait for its own loop.
    bool IsControlMessage(HWND hwnd) const {
        if (!hwnd) return false;
        if (m_window && (hwnd == m_window || ::IsChild(m_window, hwnd))) return true;
        HWND root = ::GetAncestor(hwnd, GA_ROOT);
        return root != ::GetAncestor(m_host, GA_ROOT) && !CWnd::FromHandle(root);
    }
    // Bounded wait that lets only the control's messages through. Input stays queued
    // for the program's loop (its accelerators and rules), the program's posted
    // messages are posted again in order afterwards, and a WM_QUIT ends the wait and
    // is posted again.
    bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
        if (m_waiting || m_quit) return false;
        m_waiting = true;
        std::vector<MSG> held;
        bool quit = false, ok = false;
        WPARAM quitCode = 0;
        DWORD start = ::GetTickCount();
        for (;;) {
            if (done()) { ok = true; break; }
            DWORD elapsed = ::GetTickCount() - start;
            if (quit || m_closing || elapsed >= timeoutMs) break;
            DWORD slice = std::min<DWORD>(50, timeoutMs - elapsed);
            ::MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_POSTMESSAGE | QS_TIMER | QS_SENDMESSAGE, 0);
            MSG msg;
            while (!quit && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
                if (msg.message == WM_QUIT) {
                    quit = true;
                    quitCode = msg.wParam;
                } else if (IsControlMessage(msg.hwnd)) {
                    ::DispatchMessageW(&msg);
                } else if (msg.message != WM_TIMER) {   // timers come again by themselves
                    held.push_back(msg);
                }
            }
        }
        for (const MSG& m : held) {
            if (m.hwnd) ::PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
            else ::PostThreadMessageW(::GetCurrentThreadId(), m.message, m.wParam, m.lParam);
        }
        if (quit) ::PostQuitMessage(int(quitCode));
        m_quit = quit;
        m_waiting = false;
        return ok;
    }

    bool Document(Com<IHTMLDocument2>& doc) {
        Com<IDispatch> disp;
        if (!m_browser || FAILED(m_browser->get_Document(disp.Out())) || !disp) return false;
        return SUCCEEDED(disp->QueryInterface(IID_IHTMLDocument2, doc.OutVoid())) && doc;
    }
    template <class T> bool DocumentAs(REFIID iid, Com<T>& out) {
        Com<IHTMLDocument2> doc;
        return Document(doc) && SUCCEEDED(doc->QueryInterface(iid, out.OutVoid())) && out;
    }
    bool Body(Com<IHTMLElement>& body) {
        Com<IHTMLDocument2> doc;
        return Document(doc) && SUCCEEDED(doc->get_body(body.Out())) && body;
    }
    // The control keeps its site and window until it has deactivated and closed;
    // only then is the site cut off.
    void Shutdown() {
        m_closing = true;
        if (m_events) {
            if (m_cookie) m_events->Unadvise(m_cookie);
            m_events.Reset();
        }
        if (m_ole) {
            Com<IOleInPlaceObject> ipo;
            if (SUCCEEDED(m_ole->QueryInterface(IID_IOleInPlaceObject, ipo.OutVoid()))) ipo->InPlaceDeactivate();
            m_ole->Close(OLECLOSE_NOSAVE);
            m_ole->SetClientSite(nullptr);
        }
        if (m_site) {
            m_site->Detach();
            static_cast<IOleClientSite*>(m_site)->Release();
            m_site = nullptr;
        }
        m_browserIdentity.Reset();
        m_browser.Reset();
        m_ole.Reset();
        m_window = nullptr;
    }

    Com<IOleObject> m_ole;
    Com<IWebBrowser2> m_browser;
    Com<IUnknown> m_browserIdentity;
    Com<IConnectionPoint> m_events;
    DWORD m_cookie = 0;
    BrowserSite* m_site = nullptr;
    HWND m_host = nullptr;
    HWND m_window = nullptr;
    DWORD m_timeoutMs = kBrowserLoadTimeoutMs;
    int m_completes = 0;      // top-level DocumentComplete events
    bool m_failed = false;    // the start document could not be loaded
    bool m_starting = true;   // navigations are the engine's own until start-up ends
    bool m_quit = false;      // a WM_QUIT ended a wait
    bool m_waiting = false;
    bool m_closing = false;
};

}  // namespace

std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND view, const BrowserControlSource& source, HRESULT* why) {
    auto engine = std::make_unique<PlatformHtmlEngine>();
    HRESULT reason = E_FAIL;
    bool ok = engine->Start(view, source, reason);
    if (why) *why = ok ? S_OK : reason;
    if (!ok) return nullptr;
    return engine;
}
