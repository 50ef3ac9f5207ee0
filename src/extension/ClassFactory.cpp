#include "ClassFactory.h"
#include "ExtensionResource.h"
#include "LinkmossIds.h"
#include "LinkmossModule.h"
#include "MyComOut.h"

namespace {
const ClassEntry kClasses[] = {
    {&CLSID_MyComOut, &CMyComOut::Create, IDR_MYCOMOUT},
};
}  // namespace

const ClassEntry* ClassTable(size_t* count) {
    *count = sizeof(kClasses) / sizeof(kClasses[0]);
    return kClasses;
}

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    static CClassFactory factories[] = {CClassFactory(kClasses[0])};
    static_assert(sizeof(factories) / sizeof(factories[0]) == sizeof(kClasses) / sizeof(kClasses[0]),
                  "one factory per class");
    for (size_t i = 0; i < sizeof(kClasses) / sizeof(kClasses[0]); ++i)
        if (IsEqualCLSID(clsid, *kClasses[i].clsid)) return factories[i].QueryInterface(iid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDMETHODIMP CClassFactory::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() {
    g_module.Lock();
    return (ULONG)InterlockedIncrement(&m_refs);
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
    // Static object: never deleted, only the lock it held is given back.
    ULONG left = (ULONG)InterlockedDecrement(&m_refs);
    g_module.Unlock();
    return left;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // An aggregating object must ask for the inner object's own IUnknown.
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return m_entry.create(outer, iid, ppv);
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
    if (lock) g_module.Lock();
    else g_module.Unlock();
    return S_OK;
}
