// The container side of a hosted web-browser control: client site, in-place
// site and frame, the document host's UI handler, the ambient properties and
// the sink of the browser's events.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleidl.h>
#include <mshtmhst.h>

// What the site passes on to the engine that owns it.
class BrowserSiteOwner {
public:
    virtual ~BrowserSiteOwner() = default;
    // A document finished loading in `frame` (the top-level browser or a sub-frame).
    virtual void OnDocumentComplete(IDispatch* frame) = 0;
    // A navigation in `frame` failed; true cancels the browser's error page.
    virtual bool OnNavigateError(IDispatch* frame) = 0;
    // A navigation of `frame` is about to start; true cancels it.
    virtual bool OnBeforeNavigate(IDispatch* frame) = 0;
};

// Keys with which the control would leave the document (reload, open, new
// window, print, history): swallowed, they would throw the collected text away.
bool IsBrowserNavigationKey(const MSG& msg, bool ctrl, bool shift, bool alt);

// Download control answered to the control: pictures only; no scripts, applets,
// ActiveX, frames, sounds, client pulls or prompts (web texts are hostile input).
extern const LONG kEditorDownloadControl;

class BrowserSite : public IOleClientSite,
                    public IOleInPlaceSite,
                    public IOleInPlaceFrame,
                    public IDocHostUIHandler,
                    public IDispatch {
public:
    BrowserSite(HWND host, BrowserSiteOwner* owner) : m_host(host), m_owner(owner) {}
    // The engine has let the control go (after SetClientSite(nullptr)): no more
    // callbacks and no window, whoever still holds the site.
    void Detach();
    // The control's active object while it is UI-active (as passed to SetActiveObject).
    IOleInPlaceActiveObject* ActiveObject() const { return m_active; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override { if (ppmk) *ppmk = nullptr; return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** pp) override { if (pp) *pp = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return m_host ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return S_OK; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow / IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override;
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }   // also IDocHostUIHandler's
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler: no context menu, no 3D border, navigation keys swallowed.
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_OK; }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override { return S_OK; }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG msg, const GUID*, DWORD) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override { if (key) *key = nullptr; return E_NOTIMPL; }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** out) override { if (out) *out = nullptr; return E_NOTIMPL; }
    STDMETHODIMP GetExternal(IDispatch** out) override { if (out) *out = nullptr; return E_NOTIMPL; }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override { if (out) *out = nullptr; return S_FALSE; }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override { if (out) *out = nullptr; return S_FALSE; }

    // IDispatch: the ambient properties the control reads and the browser's events.
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { if (n) *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ti) override { if (ti) *ti = nullptr; return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

private:
    virtual ~BrowserSite();
    LONG m_refs = 1;
    HWND m_host;
    BrowserSiteOwner* m_owner;
    IOleInPlaceActiveObject* m_active = nullptr;
};
