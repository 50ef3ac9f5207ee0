// MyComOut: the object the browser's context-menu script creates; its one method
// hands the capture request to the program.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include "LinkmossIds.h"

class CMyComOut : public IMyComOut {
public:
    static HRESULT Create(IUnknown* outer, REFIID iid, void** ppv);

    // IUnknown (delegates to the controlling unknown when aggregated)
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override { return m_outer->QueryInterface(iid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return m_outer->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_outer->Release(); }
    // IDispatch, served from the embedded type library
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;
    // IMyComOut
    STDMETHODIMP CatchHtml() override;

private:
    // The object's own IUnknown, which an aggregating object holds.
    class Inner : public IUnknown {
    public:
        explicit Inner(CMyComOut* owner) : m_owner(owner) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;
        virtual ~Inner() = default;
    private:
        CMyComOut* m_owner;
    };

    explicit CMyComOut(IUnknown* outer);
    virtual ~CMyComOut();
    HRESULT LoadTypeInfo();

    Inner m_inner;
    IUnknown* m_outer;
    volatile LONG m_refs = 0;
    ITypeInfo* m_typeInfo = nullptr;
};
