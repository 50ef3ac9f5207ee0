#include "editor/BrowserSite.h"
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <olectl.h>

const LONG kEditorDownloadControl = DLCTL_DLIMAGES | DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS |
                                    DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS | DLCTL_NO_CLIENTPULL | DLCTL_SILENT |
                                    DLCTL_NO_FRAMEDOWNLOAD;

bool IsBrowserNavigationKey(const MSG& msg, bool ctrl, bool shift, bool alt) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    switch (msg.wParam) {
    case VK_F5:                                  // reload (also with Ctrl)
    case VK_BROWSER_BACK: case VK_BROWSER_FORWARD: case VK_BROWSER_REFRESH: case VK_BROWSER_STOP:
    case VK_BROWSER_SEARCH: case VK_BROWSER_FAVORITES: case VK_BROWSER_HOME:
        return true;
    case VK_LEFT: case VK_RIGHT: case VK_HOME:   // Alt+arrows: history; Alt+Home: home page
        return alt && !ctrl;
    case 'N': case 'O': case 'L': case 'P': case 'R': case 'W':
        return ctrl && !alt && !shift;           // new window, open, print, reload, close
    }
    return false;
}

BrowserSite::~BrowserSite() {
    if (m_active) m_active->Release();
}

void BrowserSite::Detach() {
    m_owner = nullptr;
    m_host = nullptr;
    SetActiveObject(nullptr, nullptr);
}

STDMETHODIMP BrowserSite::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
        *ppv = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame))
        *ppv = static_cast<IOleInPlaceFrame*>(this);
    else if (IsEqualIID(riid, IID_IDocHostUIHandler))
        *ppv = static_cast<IDocHostUIHandler*>(this);
    else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID_DWebBrowserEvents2))
        *ppv = static_cast<IDispatch*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::Release() {
    LONG n = ::InterlockedDecrement(&m_refs);
    if (n == 0) delete this;
    return ULONG(n);
}

STDMETHODIMP BrowserSite::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = m_host;
    return m_host ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    *pos = RECT{};
    if (m_host) ::GetClientRect(m_host, pos);
    *clip = *pos;
    info->fMDIApp = FALSE;
    info->hwndFrame = m_host ? ::GetAncestor(m_host, GA_ROOT) : nullptr;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

// Kept so that the view can pass keys and the frame's activation to it.
STDMETHODIMP BrowserSite::SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) {
    if (!m_owner) active = nullptr;   // detached: hold nothing more
    if (active) active->AddRef();
    if (m_active) m_active->Release();
    m_active = active;
    return S_OK;
}

STDMETHODIMP BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    if (info->cbSize < sizeof(DOCHOSTUIINFO)) return E_INVALIDARG;
    // Local-machine checks and no untrusted protocols: a page's address cannot reach
    // this machine's files or an unknown protocol handler.
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DISABLE_HELP_MENU |
                    DOCHOSTUIFLAG_LOCAL_MACHINE_ACCESS_CHECK | DOCHOSTUIFLAG_DISABLE_UNTRUSTEDPROTOCOL;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
}

STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG msg, const GUID*, DWORD) {
    if (!msg) return S_FALSE;
    bool ctrl = ::GetKeyState(VK_CONTROL) < 0, shift = ::GetKeyState(VK_SHIFT) < 0, alt = ::GetKeyState(VK_MENU) < 0;
    return IsBrowserNavigationKey(*msg, ctrl, shift, alt) ? S_OK : S_FALSE;
}

// Ambient properties not answered here take the control's documented defaults
// (user mode on); an empty S_OK answer would read as "design time".
STDMETHODIMP BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                 UINT*) {
    switch (id) {
    case DISPID_AMBIENT_USERMODE:
        if (!result) return E_POINTER;
        ::VariantInit(result);
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = VARIANT_TRUE;
        return S_OK;
    case DISPID_AMBIENT_DLCONTROL:
        if (!result) return E_POINTER;
        ::VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = kEditorDownloadControl;
        return S_OK;
    case DISPID_DOCUMENTCOMPLETE:   // (pDisp, URL)
        if (m_owner && params && params->cArgs == 2 && V_VT(&params->rgvarg[1]) == VT_DISPATCH) {
            try { m_owner->OnDocumentComplete(V_DISPATCH(&params->rgvarg[1])); } catch (...) {}
        }
        return S_OK;
    case DISPID_BEFORENAVIGATE2:    // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        if (m_owner && params && params->cArgs == 7 && V_VT(&params->rgvarg[6]) == VT_DISPATCH &&
            V_VT(&params->rgvarg[0]) == (VT_BYREF | VT_BOOL) && V_BOOLREF(&params->rgvarg[0])) {
            bool cancel = true;   // when in doubt the text stays
            try { cancel = m_owner->OnBeforeNavigate(V_DISPATCH(&params->rgvarg[6])); } catch (...) {}
            if (cancel) *V_BOOLREF(&params->rgvarg[0]) = VARIANT_TRUE;
        }
        return S_OK;
    case DISPID_NAVIGATEERROR:      // (pDisp, URL, Frame, StatusCode, Cancel)
        if (m_owner && params && params->cArgs == 5 && V_VT(&params->rgvarg[4]) == VT_DISPATCH &&
            V_VT(&params->rgvarg[0]) == (VT_BYREF | VT_BOOL) && V_BOOLREF(&params->rgvarg[0])) {
            bool cancel = false;
            try { cancel = m_owner->OnNavigateError(V_DISPATCH(&params->rgvarg[4])); } catch (...) {}
            if (cancel) *V_BOOLREF(&params->rgvarg[0]) = VARIANT_TRUE;
        }
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}
