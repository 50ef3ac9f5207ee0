#include "MyComOut.h"
#include <new>
#include "Handoff.h"
#include "LinkmossModule.h"

HRESULT CMyComOut::Create(IUnknown* outer, REFIID iid, void** ppv) {
    CMyComOut* obj = new (std::nothrow) CMyComOut(outer);
    if (!obj) return E_OUTOFMEMORY;
    // The reference taken here belongs to the caller; a failed request frees the object.
    obj->m_inner.AddRef();
    HRESULT hr = obj->m_inner.QueryInterface(iid, ppv);
    obj->m_inner.Release();
    return hr;
}

CMyComOut::CMyComOut(IUnknown* outer) : m_inner(this), m_outer(outer ? outer : &m_inner) {
    g_module.ObjectCreated();
}

CMyComOut::~CMyComOut() {
    if (m_typeInfo) m_typeInfo->Release();
    g_module.ObjectDestroyed();
}

STDMETHODIMP CMyComOut::Inner::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown)) {
        *ppv = static_cast<IUnknown*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IMyComOut)) {
        *ppv = static_cast<IMyComOut*>(m_owner);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CMyComOut::Inner::AddRef() { return (ULONG)InterlockedIncrement(&m_owner->m_refs); }

STDMETHODIMP_(ULONG) CMyComOut::Inner::Release() {
    ULONG left = (ULONG)InterlockedDecrement(&m_owner->m_refs);
    if (left == 0) delete m_owner;
    return left;
}

HRESULT CMyComOut::LoadTypeInfo() {
    if (m_typeInfo) return S_OK;
    std::wstring path;
    try {
        path = g_module.ModulePath();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    hr = lib->GetTypeInfoOfGuid(IID_IMyComOut, &m_typeInfo);
    lib->Release();
    return hr;
}

STDMETHODIMP CMyComOut::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP CMyComOut::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    HRESULT hr = LoadTypeInfo();
    if (FAILED(hr)) return hr;
    m_typeInfo->AddRef();
    *info = m_typeInfo;
    return S_OK;
}

STDMETHODIMP CMyComOut::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = LoadTypeInfo();
    if (FAILED(hr)) return hr;
    return DispGetIDsOfNames(m_typeInfo, names, count, ids);
}

STDMETHODIMP CMyComOut::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excep, UINT* argErr) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = LoadTypeInfo();
    if (FAILED(hr)) return hr;
    return DispInvoke(static_cast<IMyComOut*>(this), m_typeInfo, id, flags, params, result, excep, argErr);
}

STDMETHODIMP CMyComOut::CatchHtml() {
    // Nothing is reported to the script, whatever happened.
    try {
        handoff::CatchHtml();
    } catch (...) {
    }
    return S_OK;
}
