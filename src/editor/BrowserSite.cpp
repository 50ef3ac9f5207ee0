#include "editor/BrowserSite.h"
#include <exdisp.h>

namespace {
// Browser events (DWebBrowserEvents2) that mean a document has arrived.
const DISPID kNavigateComplete2 = 252;
const DISPID kDocumentComplete = 259;
}  // namespace

STDMETHODIMP BrowserSite::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
        *ppv = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame))
        *ppv = static_cast<IOleInPlaceFrame*>(this);
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

STDMETHODIMP BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    if ((id == kNavigateComplete2 || id == kDocumentComplete) && m_onLoaded) {
        try { m_onLoaded(); } catch (...) {}
    }
    return S_OK;
}
