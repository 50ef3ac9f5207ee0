// A stand-in for the web-browser control and its MSHTML document, for the
// platform engine's contract test (there is no HTML engine under Wine here).
// It calls its container as the documented control does: ambient properties
// at SetClientSite, the UI handler's host info and keys, SetActiveObject at UI
// activation, the site's window while deactivating; it loads asynchronously
// (BeforeNavigate2 with its Cancel, NavigateComplete2, a sub-frame's
// DocumentComplete, then the top-level one, or NavigateError with its Cancel).
// It also behaves as the real control does where that hurts: switching to
// design mode reloads the document later (it still reads "complete" on return,
// then "loading" with an empty body, then a DocumentComplete follows); calls
// fire events inside them (`inside`: setting innerHTML, Exec, the modal font
// dialog); innerHTML comes back rewritten (upper-case tags, relative addresses
// made absolute against the document); IsDirty stays clean after a scripted
// change; paste is disabled in a document without focus. What breaks the
// contract is written to `violations`.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <functional>
#include <map>
#include <cwctype>
#include <regex>
#include <set>
#include <string>
#include <vector>
#include "ComStubs.h"

namespace fake {

#define FAKE_IUNKNOWN_REFS                                                                  \
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }                               \
    STDMETHODIMP_(ULONG) Release() override { ULONG n = --refs; if (!n) delete this; return n; } \
    ULONG refs = 1;

const GUID kCgidMshtml = {0xDE4BA900, 0x59CA, 0x11CF, {0x95, 0x92, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// What every stand-in of one test shares.
struct World {
    std::vector<std::wstring> log, violations;
    std::map<std::wstring, std::wstring> pages;   // URL -> body HTML
    std::set<std::wstring> errorUrls;             // navigations that fail
    bool neverComplete = false;
    bool refuseInsert = false;                    // insertAdjacentHTML fails
    HWND loader = nullptr;                        // the control's hidden window
    // Called inside the control's calls ("designMode", "innerHTML", "insert", "exec N"),
    // as the real control fires events and runs modal loops there.
    std::function<void(const std::wstring&)> inside;
    void Inside(const std::wstring& where) { if (inside) inside(where); }
    static World*& Current() { static World* w = nullptr; return w; }
    static LRESULT CALLBACK LoaderProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
        if (m != WM_APP + 1) return DefWindowProcW(h, m, wp, lp);
        auto* step = reinterpret_cast<std::function<void()>*>(lp);
        (*step)();
        delete step;
        return 0;
    }
    World() {
        Current() = this;
        WNDCLASSW wc{};
        wc.lpfnWndProc = LoaderProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FakeBrowserLoader";
        RegisterClassW(&wc);
        loader = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~World() {
        MSG msg;
        while (PeekMessageW(&msg, loader, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        DestroyWindow(loader);
        Current() = nullptr;
    }
    // Runs later, from the control's own message window.
    void Later(std::function<void()> step) {
        PostMessageW(loader, WM_APP + 1, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(step))));
    }
};

inline std::wstring Str(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

// The markup as the control gives it back: tag names in upper case, relative
// addresses resolved against the document (about:blank).
inline std::wstring Rewritten(const std::wstring& html) {
    std::wstring out = std::regex_replace(html, std::wregex(L"(src|href)=\"(?![a-zA-Z][a-zA-Z0-9+.-]*:)"),
                                          L"$1=\"about:blank");
    for (size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] != L'<') continue;
        size_t j = i + 1 + (out[i + 1] == L'/' ? 1 : 0);
        for (; j < out.size() && iswalpha(out[j]); ++j) out[j] = towupper(out[j]);
    }
    return out;
}

class Element : public NotImpl_IHTMLElement {
public:
    std::wstring html;
    virtual ~Element() = default;
    FAKE_IUNKNOWN_REFS
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IHTMLElement) return E_NOINTERFACE;
        *ppv = static_cast<IHTMLElement*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP get_innerHTML(BSTR* p) override {
        World::Current()->log.push_back(L"read");
        *p = SysAllocString(html.c_str());
        return S_OK;
    }
    STDMETHODIMP put_innerHTML(BSTR v) override {
        html = Rewritten(Str(v));
        World::Current()->log.push_back(L"set " + html);
        World::Current()->Inside(L"innerHTML");
        return S_OK;
    }
    STDMETHODIMP insertAdjacentHTML(BSTR where, BSTR v) override {
        if (Str(where) != L"beforeEnd" || World::Current()->refuseInsert) return E_INVALIDARG;
        html += Rewritten(Str(v));
        World::Current()->log.push_back(L"insert");
        World::Current()->Inside(L"insert");
        return S_OK;
    }
    STDMETHODIMP get_innerText(BSTR* p) override { *p = SysAllocString(html.c_str()); return S_OK; }
};

class Document : public NotImpl_IHTMLDocument2, public NotImpl_IPersistStreamInit, public NotImpl_IOleCommandTarget {
public:
    std::wstring url, state = L"interactive", mode = L"Inherit";
    int designPuts = 0;
    bool focused = false;   // the control is UI-active (has the caret)
    std::function<void()> reloaded;   // the reload after the design-mode switch completed
    Element* body = new Element;
    explicit Document(std::wstring u) : url(std::move(u)) {}
    virtual ~Document() { body->Release(); }
    FAKE_IUNKNOWN_REFS
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument2) *ppv = static_cast<IHTMLDocument2*>(this);
        else if (iid == IID_IPersistStreamInit) *ppv = static_cast<IPersistStreamInit*>(this);
        else if (iid == IID_IOleCommandTarget) *ppv = static_cast<IOleCommandTarget*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    // Completes later, as the real document does after its states.
    void CompleteLater() {
        AddRef();
        World::Current()->Later([this] { state = L"complete"; Release(); });
    }
    STDMETHODIMP get_body(IHTMLElement** p) override { body->AddRef(); *p = body; return S_OK; }
    STDMETHODIMP get_readyState(BSTR* p) override { *p = SysAllocString(state.c_str()); return S_OK; }
    STDMETHODIMP get_designMode(BSTR* p) override { *p = SysAllocString(mode.c_str()); return S_OK; }
    // Switching reloads the document, later: on return it still reads "complete".
    STDMETHODIMP put_designMode(BSTR v) override {
        ++designPuts;
        if (state != L"complete") World::Current()->violations.push_back(L"design mode set while " + state);
        mode = Str(v);
        AddRef();
        World::Current()->Later([this] {
            state = L"loading";
            body->html.clear();
            World::Current()->log.push_back(L"design reload");
            World::Current()->Later([this] {
                state = L"complete";
                if (reloaded) reloaded();
                Release();
            });
        });
        World::Current()->Inside(L"designMode");
        return S_OK;
    }
    STDMETHODIMP put_charset(BSTR v) override { World::Current()->log.push_back(L"charset " + Str(v)); return S_OK; }
    STDMETHODIMP close() override { World::Current()->log.push_back(L"close"); return S_OK; }
    STDMETHODIMP InitNew() override {
        body->html.clear();
        mode = L"Inherit";
        state = L"loading";
        CompleteLater();
        return S_OK;
    }
    // The control does not count a change made through its object model.
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD cmds[], OLECMDTEXT*) override {
        cmds[0].cmdf = OLECMDF_SUPPORTED | (cmds[0].cmdID != 26 || focused ? OLECMDF_ENABLED : 0);
        return S_OK;
    }
    STDMETHODIMP Exec(const GUID*, DWORD id, DWORD, VARIANT*, VARIANT*) override {
        if (id == 26 && !focused) return S_OK;   // no caret: nothing is pasted
        if (id == 26) body->html += L"<B>pasted</B>";
        World::Current()->Inside(L"exec " + std::to_wstring(id));   // 90: the modal font dialog
        return S_OK;
    }
};

// A sub-frame of the page: another browser object.
class SubFrame : public NotImpl_IDispatch {
public:
    virtual ~SubFrame() = default;
    FAKE_IUNKNOWN_REFS
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
};

class Browser : public NotImpl_IOleObject, public NotImpl_IOleInPlaceObject, public NotImpl_IOleInPlaceActiveObject,
                public NotImpl_IWebBrowser2, public NotImpl_IConnectionPointContainer, public NotImpl_IConnectionPoint {
public:
    IOleClientSite* site = nullptr;
    IDispatch* observer = nullptr;   // the test's own hold on the container's site
    IDispatch* events = nullptr;
    IOleInPlaceFrame* frame = nullptr;
    Document* doc = nullptr;
    HWND window = nullptr;
    bool userMode = false, uiActive = false, dropTarget = true;
    DWORD hostFlags = 0;
    std::map<DISPID, std::pair<HRESULT, VARIANT>> ambients;
    std::vector<std::wstring> navigations;

    virtual ~Browser() { if (doc) doc->Release(); }
    FAKE_IUNKNOWN_REFS
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject) *ppv = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow) *ppv = static_cast<IOleInPlaceObject*>(this);
        else if (iid == IID_IOleInPlaceActiveObject) *ppv = static_cast<IOleInPlaceActiveObject*>(this);
        else if (iid == IID_IDispatch || iid == IID_IWebBrowser2 || iid == IID_IWebBrowserApp || iid == IID_IWebBrowser)
            *ppv = static_cast<IWebBrowser2*>(this);
        else if (iid == IID_IConnectionPointContainer) *ppv = static_cast<IConnectionPointContainer*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    template <class T> T* Site(REFIID iid) {
        void* p = nullptr;
        if (site) site->QueryInterface(iid, &p);
        return static_cast<T*>(p);
    }
    void Log(const std::wstring& s) { World::Current()->log.push_back(s); }
    void Fire(DISPID id, std::vector<VARIANT> args) {   // args in reverse order, as IDispatch takes them
        DISPPARAMS dp{args.data(), nullptr, UINT(args.size()), 0};
        if (events) events->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
    }
    static VARIANT Disp(IDispatch* d) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_DISPATCH; V_DISPATCH(&v) = d; return v; }
    static VARIANT Url(const std::wstring& u) {   // the caller frees it
        VARIANT v; VariantInit(&v); V_VT(&v) = VT_BSTR; V_BSTR(&v) = SysAllocString(u.c_str()); return v;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* s) override {
        if (!s) {
            Log(L"SetClientSite(null)");
            if (site) site->Release();
            site = nullptr;
            return S_OK;
        }
        s->AddRef();
        site = s;
        observer = Site<IDispatch>(IID_IDispatch);
        for (DISPID id : {DISPID_AMBIENT_USERMODE, DISPID_AMBIENT_DLCONTROL, -5513, -5501}) {
            VARIANT v;
            VariantInit(&v);
            DISPPARAMS none{};
            HRESULT hr = observer ? observer->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr)
                                  : E_NOINTERFACE;
            ambients[id] = {hr, v};
        }
        auto& mode = ambients[DISPID_AMBIENT_USERMODE];
        // A container that does not know the property leaves user mode on.
        userMode = mode.first == DISP_E_MEMBERNOTFOUND ||
                   (SUCCEEDED(mode.first) && V_VT(&mode.second) == VT_BOOL && V_BOOL(&mode.second));
        return S_OK;
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override {
        IOleInPlaceSite* ips = Site<IOleInPlaceSite>(IID_IOleInPlaceSite);
        if (!ips) return E_UNEXPECTED;
        if (verb == OLEIVERB_INPLACEACTIVATE && !window) {
            HWND host = nullptr;
            ips->OnInPlaceActivate();
            ips->GetWindow(&host);
            window = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, host, nullptr, nullptr, nullptr);
            if (IDocHostUIHandler* ui = Site<IDocHostUIHandler>(IID_IDocHostUIHandler)) {
                DOCHOSTUIINFO info{};
                info.cbSize = sizeof(info);
                ui->GetHostInfo(&info);
                hostFlags = info.dwFlags;
                ui->Release();
            }
        } else if (verb == OLEIVERB_UIACTIVATE) {
            Log(L"ui-activate");
            IOleInPlaceUIWindow* doc = nullptr;
            RECT pos, clip;
            OLEINPLACEFRAMEINFO info{};
            info.cb = sizeof(info);
            if (!frame) ips->GetWindowContext(&frame, &doc, &pos, &clip, &info);
            ips->OnUIActivate();
            frame->SetActiveObject(this, L"fake");
            uiActive = true;
            if (this->doc) this->doc->focused = true;
            SetFocus(window);
        }
        ips->Release();
        return S_OK;
    }
    STDMETHODIMP Close(DWORD) override {
        Log(L"Close");
        if (observer) {   // an event that was already on its way
            VARIANT url = Url(L"about:blank");
            DISPPARAMS dp{};
            std::vector<VARIANT> args{url, Disp(static_cast<IWebBrowser2*>(this))};
            dp.rgvarg = args.data();
            dp.cArgs = 2;
            observer->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
            VariantClear(&url);
        }
        return S_OK;
    }
    // IOleInPlaceObject / IOleInPlaceActiveObject / IOleWindow
    STDMETHODIMP GetWindow(HWND* p) override { *p = window; return window ? S_OK : E_FAIL; }
    STDMETHODIMP InPlaceDeactivate() override {
        Log(L"InPlaceDeactivate");
        IOleInPlaceSite* ips = Site<IOleInPlaceSite>(IID_IOleInPlaceSite);
        HWND host = nullptr;
        if (!ips || FAILED(ips->GetWindow(&host)) || !host)
            World::Current()->violations.push_back(L"no container window while deactivating");
        if (uiActive && frame) frame->SetActiveObject(nullptr, nullptr);
        if (uiActive && ips) ips->OnUIDeactivate(FALSE);
        if (frame) frame->Release();
        frame = nullptr;
        uiActive = false;
        if (ips) { ips->OnInPlaceDeactivate(); ips->Release(); }
        DestroyWindow(window);
        window = nullptr;
        return S_OK;
    }
    STDMETHODIMP SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override {
        IDocHostUIHandler* ui = Site<IDocHostUIHandler>(IID_IDocHostUIHandler);
        HRESULT hostTook = ui ? ui->TranslateAccelerator(msg, &kCgidMshtml, 0) : S_FALSE;
        if (ui) ui->Release();
        if (hostTook == S_OK) { Log(L"host took key " + std::to_wstring(msg->wParam)); return S_OK; }
        Log(L"control key " + std::to_wstring(msg->wParam));
        return msg->wParam == 'C' && GetKeyState(VK_CONTROL) < 0 ? S_OK : S_FALSE;   // the control copies
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL active) override {
        Log(L"frame activate " + std::to_wstring(active));
        return S_OK;
    }
    // Events
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** cp) override {
        *cp = nullptr;
        if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
        *cp = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
        sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&events));
        *cookie = 1;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD) override {
        Log(L"Unadvise");
        if (events) events->Release();
        events = nullptr;
        return S_OK;
    }
    // IWebBrowser2
    // BeforeNavigate2 first, with its Cancel; a cancelled navigation leaves the document.
    bool Allowed(const std::wstring& u) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT url = Url(u), none, cancelArg;
        VariantInit(&none);
        VariantInit(&cancelArg); V_VT(&cancelArg) = VT_BYREF | VT_BOOL; V_BOOLREF(&cancelArg) = &cancel;
        Fire(DISPID_BEFORENAVIGATE2, {cancelArg, none, none, none, none, url, Disp(static_cast<IWebBrowser2*>(this))});
        VariantClear(&url);
        if (cancel) Log(L"navigation cancelled " + u);
        return !cancel;
    }
    // What a link click, Backspace or a drop does: the control navigates by itself.
    void UserNavigate(const std::wstring& u) {
        if (!Allowed(u)) return;
        navigations.push_back(u);
        LoadStart(u);
    }
    STDMETHODIMP Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
        std::wstring u = Str(url);
        if (!Allowed(u)) return S_OK;
        navigations.push_back(u);
        if (!userMode) return S_OK;   // as in a form designer: no document
        AddRef();
        World::Current()->Later([this, u] { LoadStart(u); Release(); });
        return S_OK;
    }
    void LoadStart(const std::wstring& u) {
        World& world = *World::Current();
        VARIANT url = Url(u);
        IDispatch* self = static_cast<IWebBrowser2*>(this);
        bool error = world.errorUrls.count(u) > 0;
        if (error) {
            VARIANT_BOOL cancel = VARIANT_FALSE;
            VARIANT status, frameName, cancelArg;
            VariantInit(&status); V_VT(&status) = VT_I4; V_I4(&status) = 404;
            VariantInit(&frameName);
            VariantInit(&cancelArg); V_VT(&cancelArg) = VT_BYREF | VT_BOOL; V_BOOLREF(&cancelArg) = &cancel;
            Fire(DISPID_NAVIGATEERROR, {cancelArg, status, frameName, url, Disp(self)});
            if (cancel) { Log(L"error page cancelled"); VariantClear(&url); return; }
        }
        if (doc) doc->Release();
        doc = new Document(u);
        doc->body->html = error ? L"<H1>cannot show the page</H1>" : world.pages[u];
        doc->reloaded = [this, u] {
            VARIANT url = Url(u);
            Fire(DISPID_DOCUMENTCOMPLETE, {url, Disp(static_cast<IWebBrowser2*>(this))});
            VariantClear(&url);
        };
        Fire(DISPID_NAVIGATECOMPLETE2, {url, Disp(self)});
        SubFrame* sub = new SubFrame;
        Fire(DISPID_DOCUMENTCOMPLETE, {url, Disp(sub)});
        sub->Release();
        VariantClear(&url);
        if (world.neverComplete) return;
        AddRef();
        Document* loading = doc;
        loading->AddRef();
        world.Later([this, u, loading] {
            loading->state = L"complete";
            VARIANT url = Url(u);
            Fire(DISPID_DOCUMENTCOMPLETE, {url, Disp(static_cast<IWebBrowser2*>(this))});
            VariantClear(&url);
            loading->Release();
            Release();
        });
    }
    STDMETHODIMP Stop() override { Log(L"Stop"); return S_OK; }
    STDMETHODIMP get_Document(IDispatch** p) override {
        *p = doc ? static_cast<IHTMLDocument2*>(doc) : nullptr;
        if (doc) doc->AddRef();
        return S_OK;
    }
    STDMETHODIMP get_LocationURL(BSTR* p) override { *p = SysAllocString(doc ? doc->url.c_str() : L""); return S_OK; }
    STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL b) override { dropTarget = b != VARIANT_FALSE; return S_OK; }
};

}  // namespace fake
