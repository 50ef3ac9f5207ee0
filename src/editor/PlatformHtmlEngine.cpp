// Platform engine: the web-browser control hosted in the view, its document
// (MSHTML) switched to design mode.
#include "editor/HtmlEngine.h"
#include "editor/BrowserSite.h"
#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>

namespace {

// Class and group ids missing from mingw's uuid library.
const CLSID kClsidHtmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};
const GUID kCgidMshtml = {0xDE4BA900, 0x59CA, 0x11CF, {0x95, 0x92, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// How long the start document may take to load before the engine is given up.
const DWORD kStartTimeoutMs = 3000;

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
private:
    BSTR m_b = nullptr;
};

class PlatformHtmlEngine : public HtmlEngine {
public:
    ~PlatformHtmlEngine() override { Shutdown(); }
    const wchar_t* Name() const override { return L"platform"; }
    HWND Window() const override { return m_window; }

    bool Start(HWND view) {
        // Quick probe: without an HTML document class the control never yields a document.
        {
            Com<IHTMLDocument2> probe;
            if (FAILED(::CoCreateInstance(kClsidHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IHTMLDocument2,
                                          probe.OutVoid())))
                return false;
        }
        if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                      m_ole.OutVoid())))
            return false;
        m_site = new BrowserSite(view, [this] { OnLoaded(); });
        if (FAILED(m_ole->SetClientSite(static_cast<IOleClientSite*>(m_site)))) return false;
        ::OleSetContainedObject(m_ole.Get(), TRUE);
        RECT rc{};
        ::GetClientRect(view, &rc);
        if (FAILED(m_ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site), 0, view, &rc)))
            return false;
        if (FAILED(m_ole->QueryInterface(IID_IWebBrowser2, m_browser.OutVoid()))) return false;
        Com<IOleWindow> window;
        if (SUCCEEDED(m_ole->QueryInterface(IID_IOleWindow, window.OutVoid()))) window->GetWindow(&m_window);
        Com<IConnectionPointContainer> cpc;
        if (SUCCEEDED(m_ole->QueryInterface(IID_IConnectionPointContainer, cpc.OutVoid())) &&
            SUCCEEDED(cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, m_events.Out())))
            m_events->Advise(static_cast<IDispatch*>(m_site), &m_cookie);
        if (!NavigateTo(L"about:blank")) return false;
        // The start document must arrive within a short time; messages keep flowing meanwhile.
        DWORD start = ::GetTickCount();
        while (!HasDocument()) {
            if (::GetTickCount() - start > kStartTimeoutMs) return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        OnLoaded();
        return true;
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
    bool NewDocument() override {
        Com<IPersistStreamInit> persist;
        return DocumentAs(IID_IPersistStreamInit, persist) && SUCCEEDED(persist->InitNew());
    }
    bool Navigate(const std::wstring& path) override { return !path.empty() && NavigateTo(path); }
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
        Com<IOleInPlaceActiveObject> active;
        return SUCCEEDED(m_ole->QueryInterface(IID_IOleInPlaceActiveObject, active.OutVoid())) &&
               active->TranslateAccelerator(msg) == S_OK;
    }

private:
    bool NavigateTo(const std::wstring& url) {
        if (!m_browser) return false;
        Bstr b(url);
        VARIANT empty;
        ::VariantInit(&empty);
        return SUCCEEDED(m_browser->Navigate(b.Get(), &empty, &empty, &empty, &empty));
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
    // Every loaded document is switched to editing, once.
    void OnLoaded() {
        Com<IHTMLDocument2> doc;
        Bstr mode;
        if (!Document(doc) || FAILED(doc->get_designMode(mode.Out()))) return;
        if (_wcsicmp(mode.Str().c_str(), L"On") == 0) return;
        Bstr on(L"On");
        doc->put_designMode(on.Get());
    }
    void Shutdown() {
        if (m_events) {
            if (m_cookie) m_events->Unadvise(m_cookie);
            m_events.Reset();
        }
        if (m_site) m_site->Detach();
        m_browser.Reset();
        if (m_ole) {
            Com<IOleInPlaceObject> ipo;
            if (SUCCEEDED(m_ole->QueryInterface(IID_IOleInPlaceObject, ipo.OutVoid()))) ipo->InPlaceDeactivate();
            m_ole->Close(OLECLOSE_NOSAVE);
            m_ole->SetClientSite(nullptr);
            m_ole.Reset();
        }
        if (m_site) {
            static_cast<IOleClientSite*>(m_site)->Release();
            m_site = nullptr;
        }
        m_window = nullptr;
    }

    Com<IOleObject> m_ole;
    Com<IWebBrowser2> m_browser;
    Com<IConnectionPoint> m_events;
    DWORD m_cookie = 0;
    BrowserSite* m_site = nullptr;
    HWND m_window = nullptr;
};

}  // namespace

std::unique_ptr<HtmlEngine> CreatePlatformHtmlEngine(HWND view) {
    auto engine = std::make_unique<PlatformHtmlEngine>();
    if (!engine->Start(view)) return nullptr;
    return engine;
}
