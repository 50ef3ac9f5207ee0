// The class table of the library and its cached class factories.
#pragma once
#include <windows.h>
#include <unknwn.h>

// Creates an object, aggregated when `outer` is set; *ppv gets the interface `iid`.
using CreateFn = HRESULT (*)(IUnknown* outer, REFIID iid, void** ppv);

struct ClassEntry {
    const CLSID* clsid;
    CreateFn create;
    UINT registryScript;   // REGISTRY resource id of the class's entries
};

const ClassEntry* ClassTable(size_t* count);

// The factory of `clsid` asked for `iid`; CLASS_E_CLASSNOTAVAILABLE for a class not in the table.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv);

// One per class, living as long as the library; while anyone holds it the library stays loaded.
class CClassFactory : public IClassFactory {
public:
    explicit CClassFactory(const ClassEntry& entry) : m_entry(entry) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;
    virtual ~CClassFactory() = default;
private:
    const ClassEntry& m_entry;
    volatile LONG m_refs = 0;
};
