// Platform engine: the web-browser control hosted in the view, its document
// (MSHTML) switched to design mode.
#include "editor/PlatformHtmlEngine.h"
#include "editor/BrowserSite.h"
#include "framework/Wnd.h"
#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>
#include <shlwapi.h>
#include <algorithm>
#include <vector>

namespace {

// Class and group ids missing from mingw's uuid library.
const CLSID kClsidHtmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};
const GUID kCgidMshtml = {0xDE4BA900, 0x59CA, 0x11CF, {0x95, 0x92, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const wchar_t kBlank[] = L"about:blank";

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

// A file URL, so that '#', '%' and spaces in a name stay part of the path.
std::wstring FileUrl(const std::wstring& path) {
    wchar_t url[2084];   // the longest URL the browser takes
    DWORD size = 2084;
    if (FAILED(::UrlCreateFromPathW(path.c_str(), url, &size, 0))) return std::wstring();
    return url;
}

bool IsReadableFile(const std::wstring& path) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

class PlatformHtmlEngine : public HtmlEngine, private BrowserSiteOwner {
public:
    ~PlatformHtmlEngine() override { Shutdown(); }
    const wchar_t* Name() const override { return L"platform"; }
    HWND Window() const override { return m_window; }

    bool Start(HWND view, const BrowserControlSource& source) {
        m_host = view;
        m_timeoutMs = source.loadTimeoutMs;
        HRESULT hr = source.create ? source.create(m_ole.Out()) : CreateSystemBrowser(m_ole.Out());
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
        return Load(kBlank);
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
    bool SetBodyHtml(const std::wstring& html) override {
        Com<IHTMLElement> body;
        Bstr b(html);
        return Body(body) && SUCCEEDED(body->put_innerHTML(b.Get()));
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
    // Returns once the fresh document is complete and editable again.
    bool NewDocument() override {
        Com<IPersistStreamInit> persist;
        if (m_waiting || !DocumentAs(IID_IPersistStreamInit, persist) || FAILED(persist->InitNew())) return false;
        m_designDoc.Reset();
        return WaitUntil([this] { return ReadyForEditing(); });
    }
    // Returns once the file's document is complete and editable. A file that cannot
    // be read leaves the document as it was; a failed or too slow load leaves an
    // empty one, never the browser's error page.
    bool Navigate(const std::wstring& path) override {
        if (path.empty() || m_waiting) return false;
        std::wstring url = path;
        if (path != kBlank) {
            if (!IsReadableFile(path)) return false;
            url = FileUrl(path);
            if (url.empty()) return false;
        }
        if (Load(url)) return true;
        if (m_browser) m_browser->Stop();
        if (url != kBlank) Load(kBlank);
        return false;
    }
    HRESULT IsDirty() override {
        Com<IPersistStreamInit> persist;
        if (!DocumentAs(IID_IPersistStreamInit, persist)) return E_FAIL;
        return persist->IsDirty();
    }
    DWORD QueryStatus(DWORD command) override {
        Com<IOleCommandTarget> target;
        OLECMD cmd{command, 0};
        if (!DocumentAs(IID_IOleCommandTarget, target) || FAILED(target->QueryStatus(&kCgidMshtml, 1, &cmd, nullptr)))
            return 0;
        return cmd.cmdf;
    }
    HRESULT ExecCommand(DWORD command) override {
        Com<IOleCommandTarget> target;
        if (!DocumentAs(IID_IOleCommandTarget, target)) return E_FAIL;
        return target->Exec(&kCgidMshtml, command, OLECMDEXECOPT_DODEFAULT, nullptr, nullptr);
    }
    void Stop() override {
        if (m_browser) m_browser->Stop();
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
    std::wstring DocumentUrl() override {
        Bstr url;
        if (!m_browser || FAILED(m_browser->get_LocationURL(url.Out()))) return std::wstring();
        return url.Str();
    }

private:
    enum class LoadState { Idle, Loading, Complete, Failed };

    // Events count only for the top-level browser, not for its sub-frames.
    bool IsTopLevel(IDispatch* frame) {
        Com<IUnknown> identity;
        return frame && m_browserIdentity && SUCCEEDED(frame->QueryInterface(IID_IUnknown, identity.OutVoid())) &&
               identity.Get() == m_browserIdentity.Get();
    }
    void OnDocumentComplete(IDispatch* frame) override {
        if (m_closing || m_load != LoadState::Loading || !IsTopLevel(frame)) return;
        m_load = LoadState::Complete;
        SwitchToDesignMode();
    }
    bool OnNavigateError(IDispatch* frame) override {
        if (m_closing || !IsTopLevel(frame)) return false;
        if (m_load == LoadState::Loading) m_load = LoadState::Failed;
        return true;
    }

    // Navigates and waits for the top-level document, complete and in design mode.
    bool Load(const std::wstring& url) {
        if (!m_browser) return false;
        m_load = LoadState::Loading;
        Bstr b(url);
        VARIANT empty;
        ::VariantInit(&empty);
        if (FAILED(m_browser->Navigate(b.Get(), &empty, &empty, &empty, &empty))) {
            m_load = LoadState::Idle;
            return false;
        }
        bool done = WaitUntil([this] {
            return m_load == LoadState::Failed || (m_load == LoadState::Complete && ReadyForEditing());
        });
        bool ok = done && m_load == LoadState::Complete;
        m_load = LoadState::Idle;
        return ok;
    }
    // Design mode once per document, and only on a complete one.
    void SwitchToDesignMode() {
        Com<IHTMLDocument2> doc;
        Com<IUnknown> identity;
        Bstr state, mode;
        if (!Document(doc) || FAILED(doc->QueryInterface(IID_IUnknown, identity.OutVoid())) ||
            identity.Get() == m_designDoc.Get())
            return;
        if (FAILED(doc->get_readyState(state.Out())) || !state.Is(L"complete")) return;
        if (FAILED(doc->get_designMode(mode.Out())) || !mode.Is(L"On")) {
            Bstr on(L"On");
            doc->put_designMode(on.Get());
        }
        m_designDoc.Set(identity.Get());
    }
    bool ReadyForEditing() {
        SwitchToDesignMode();
        Com<IHTMLDocument2> doc;
        Bstr state, mode;
        return Document(doc) && SUCCEEDED(doc->get_readyState(state.Out())) && state.Is(L"complete") &&
               SUCCEEDED(doc->get_designMode(mode.Out())) && mode.Is(L"On");
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
    bool WaitUntil(const std::function<bool()>& done) {
        if (m_waiting) return false;
        m_waiting = true;
        std::vector<MSG> held;
        bool quit = false, ok = false;
        WPARAM quitCode = 0;
        DWORD start = ::GetTickCount();
        for (;;) {
            if (done()) { ok = true; break; }
            DWORD elapsed = ::GetTickCount() - start;
            if (quit || m_closing || elapsed >= m_timeoutMs) break;
            DWORD slice = std::min<DWORD>(50, m_timeoutMs - elapsed);
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
        m_designDoc.Reset();
        m_browserIdentity.Reset();
        m_browser.Reset();
        m_ole.Reset();
        m_window = nullptr;
    }

    Com<IOleObject> m_ole;
    Com<IWebBrowser2> m_browser;
    Com<IUnknown> m_browserIdentity;
    Com<IUnknown> m_designDoc;   // the document last switched to design mode
    Com<IConnectionPoint> m_events;
    DWORD m_cookie = 0;
    BrowserSite* m_site = nullptr;
    HWND m_host = nullptr;
    HWND m_window = nullptr;
    DWORD m_timeoutMs = kBrowserLoadTimeoutMs;
    LoadState m_load = LoadState::Idle;
    bool m_waiting = false;
    bool m_closing = false;
};

}  // namespace

std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND view, const BrowserControlSource& source) {
    auto engine = std::make_unique<PlatformHtmlEngine>();
    if (!engine->Start(view, source)) return nullptr;
    return engine;
}
