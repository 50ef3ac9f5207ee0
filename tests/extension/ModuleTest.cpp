// Linkmoss.dll loaded into the test: its entry points, class factory, object
// identity, type information and resources.
#include <gtest/gtest.h>
#include "Version.h"
#include "Linkmoss_h.h"
#include "ExtensionSupport.h"

using namespace zt;

namespace {

using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using RegisterFn = HRESULT(STDAPICALLTYPE*)();

const CLSID kOtherClass = {0x12345678, 0x1234, 0x1234, {0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}};

// Text stored in the Chinese ANSI code page, read back through this process's code page.
std::wstring FromChineseCodePage(BSTR s) {
    std::wstring w = s ? s : L"";
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), (int)w.size(), &bytes[0], n, nullptr, nullptr);
    int m = MultiByteToWideChar(936, 0, bytes.data(), n, nullptr, 0);
    std::wstring out(m, L'\0');
    MultiByteToWideChar(936, 0, bytes.data(), n, &out[0], m);
    return out;
}

class LinkmossModule : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        m_dll = LoadLibraryW(DistFile(L"Linkmoss.dll").c_str());
        ASSERT_TRUE(m_dll);
        m_canUnload = (CanUnloadFn)(void*)GetProcAddress(m_dll, "DllCanUnloadNow");
        m_getClass = (GetClassObjectFn)(void*)GetProcAddress(m_dll, "DllGetClassObject");
        ASSERT_TRUE(m_canUnload && m_getClass);
    }
    void TearDown() override {
        if (m_dll) FreeLibrary(m_dll);
        CoUninitialize();
    }
    IClassFactory* Factory() {
        IClassFactory* f = nullptr;
        EXPECT_EQ(S_OK, m_getClass(CLSID_MyComOut, IID_IClassFactory, (void**)&f));
        return f;
    }
    HMODULE m_dll = nullptr;
    CanUnloadFn m_canUnload = nullptr;
    GetClassObjectFn m_getClass = nullptr;
};

TEST_F(LinkmossModule, HandsOutTheFactoryOfItsOneClassOnly) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, m_getClass(IID_IMyComOut, IID_IClassFactory, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, m_getClass(kOtherClass, IID_IUnknown, &p));
    EXPECT_EQ(E_NOINTERFACE, m_getClass(CLSID_MyComOut, IID_IDispatch, &p));
    EXPECT_EQ(nullptr, p);
    IUnknown* unk = nullptr;
    ASSERT_EQ(S_OK, m_getClass(CLSID_MyComOut, IID_IUnknown, (void**)&unk));
    // The factory is cached: every request gets the same one.
    IClassFactory* f = Factory();
    EXPECT_EQ(static_cast<void*>(f), static_cast<void*>(unk));
    f->Release();
    unk->Release();
}

TEST_F(LinkmossModule, CanUnloadOnlyWithoutObjectsLocksOrHeldFactories) {
    EXPECT_EQ(S_OK, m_canUnload());
    IClassFactory* f = Factory();
    ASSERT_TRUE(f);
    EXPECT_EQ(S_FALSE, m_canUnload());

    IMyComOut* a = nullptr;
    IDispatch* b = nullptr;
    ASSERT_EQ(S_OK, f->CreateInstance(nullptr, IID_IMyComOut, (void**)&a));
    ASSERT_EQ(S_OK, f->CreateInstance(nullptr, IID_IDispatch, (void**)&b));
    EXPECT_EQ(S_OK, f->LockServer(TRUE));
    f->Release();
    EXPECT_EQ(S_FALSE, m_canUnload());
    a->Release();
    EXPECT_EQ(S_FALSE, m_canUnload());
    b->Release();
    EXPECT_EQ(S_FALSE, m_canUnload()) << "the server lock is still held";

    f = Factory();
    f->LockServer(FALSE);
    f->Release();
    EXPECT_EQ(S_OK, m_canUnload());

    // A request the object refuses leaves nothing behind.
    f = Factory();
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, f->CreateInstance(nullptr, IID_IClassFactory, &p));
    EXPECT_EQ(nullptr, p);
    f->Release();
    EXPECT_EQ(S_OK, m_canUnload());
}

// A controlling object that counts the references it is asked to take.
class Outer : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (IsEqualIID(iid, IID_IUnknown)) { *ppv = this; AddRef(); return S_OK; }
        if (inner) return inner->QueryInterface(iid, ppv);
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    virtual ~Outer() = default;
    ULONG refs = 1;
    IUnknown* inner = nullptr;
};

TEST_F(LinkmossModule, CanBeAggregated) {
    IClassFactory* f = Factory();
    ASSERT_TRUE(f);
    Outer outer;
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, f->CreateInstance(&outer, IID_IMyComOut, &p));
    EXPECT_EQ(nullptr, p);
    ASSERT_EQ(S_OK, f->CreateInstance(&outer, IID_IUnknown, (void**)&outer.inner));
    f->Release();
    EXPECT_EQ(S_FALSE, m_canUnload());

    // Interfaces of the inner object count their references on the outer one
    // and lead back to it.
    IMyComOut* mine = nullptr;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IMyComOut, (void**)&mine));
    EXPECT_EQ(2u, outer.refs);
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, mine->QueryInterface(IID_IUnknown, (void**)&identity));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    identity->Release();
    IDispatch* disp = nullptr;
    ASSERT_EQ(S_OK, mine->QueryInterface(IID_IDispatch, (void**)&disp));
    EXPECT_EQ(3u, outer.refs);
    disp->Release();
    mine->Release();
    EXPECT_EQ(1u, outer.refs);

    EXPECT_EQ(0u, outer.inner->Release());
    EXPECT_EQ(S_OK, m_canUnload());
}

TEST_F(LinkmossModule, DispatchResolvesCatchHtmlFromTheEmbeddedTypeLibrary) {
    IClassFactory* f = Factory();
    ASSERT_TRUE(f);
    IDispatch* disp = nullptr;
    ASSERT_EQ(S_OK, f->CreateInstance(nullptr, IID_IDispatch, (void**)&disp));
    f->Release();

    UINT count = 0;
    EXPECT_EQ(S_OK, disp->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    for (const wchar_t* name : {L"CatchHtml", L"catchHTML"}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 0;
        EXPECT_EQ(S_OK, disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << Narrow(name);
        EXPECT_EQ(1, id);
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"SaveHtml")};
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, disp->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id));
    DISPPARAMS none{};
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, disp->Invoke(7, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, disp->Invoke(1, IID_IMyComOut, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));

    ITypeInfo* info = nullptr;
    EXPECT_EQ(DISP_E_BADINDEX, disp->GetTypeInfo(1, 0, &info));
    ASSERT_EQ(S_OK, disp->GetTypeInfo(0, 0, &info));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(IID_IMyComOut, attr->guid));
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FNONEXTENSIBLE);
    info->ReleaseTypeAttr(attr);
    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr));
    EXPECT_EQ(L"IMyComOut", std::wstring(name));
    EXPECT_EQ(L"IMyComOut 接口", FromChineseCodePage(doc));
    SysFreeString(name);
    SysFreeString(doc);
    ASSERT_EQ(S_OK, info->GetDocumentation(1, &name, &doc, nullptr, nullptr));
    EXPECT_EQ(L"CatchHtml", std::wstring(name));
    EXPECT_EQ(L"method CatchHtml", std::wstring(doc));
    SysFreeString(name);
    SysFreeString(doc);

    ITypeLib* lib = nullptr;
    UINT index = 0;
    ASSERT_EQ(S_OK, info->GetContainingTypeLib(&lib, &index));
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(S_OK, lib->GetLibAttr(&libAttr));
    EXPECT_TRUE(IsEqualGUID(LIBID_LinkmossLib, libAttr->guid));
    EXPECT_EQ(1, libAttr->wMajorVerNum);
    EXPECT_EQ(0, libAttr->wMinorVerNum);
    lib->ReleaseTLibAttr(libAttr);
    ASSERT_EQ(S_OK, lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr));
    EXPECT_EQ(L"LinkmossLib", std::wstring(name));
    EXPECT_EQ(L"Linkmoss 1.0 类型库", FromChineseCodePage(doc));
    SysFreeString(name);
    SysFreeString(doc);
    lib->Release();
    info->Release();
    disp->Release();

    // The class id the registry script writes is the one of the type library.
    wchar_t clsid[40] = {};
    StringFromGUID2(CLSID_MyComOut, clsid, 40);
    EXPECT_EQ(std::wstring(lt::kClsid), clsid);
    StringFromGUID2(LIBID_LinkmossLib, clsid, 40);
    EXPECT_EQ(std::wstring(lt::kLibid), clsid);
}

TEST_F(LinkmossModule, RegistrationRestoresTheCallersLocale) {
    auto reg = (RegisterFn)(void*)GetProcAddress(m_dll, "DllRegisterServer");
    auto unreg = (RegisterFn)(void*)GetProcAddress(m_dll, "DllUnregisterServer");
    ASSERT_TRUE(reg && unreg);
    LCID saved = GetThreadLocale();
    const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
    ASSERT_TRUE(SetThreadLocale(german));
    EXPECT_EQ(S_OK, reg());
    EXPECT_EQ(german, GetThreadLocale());
    EXPECT_EQ(DistFile(L"Linkmoss.dll"),
              lt::RegString(HKEY_CURRENT_USER, lt::kUserClasses + std::wstring(L"CLSID\\") + lt::kClsid + L"\\InprocServer32",
                            nullptr));
    EXPECT_EQ(S_OK, unreg());
    EXPECT_EQ(german, GetThreadLocale());
    EXPECT_FALSE(lt::KeyExists(HKEY_CURRENT_USER, lt::kUserClasses + std::wstring(L"CLSID\\") + lt::kClsid));
    // Unregistering what is not registered is not a failure.
    EXPECT_EQ(S_OK, unreg());
    SetThreadLocale(saved);
}

TEST(LinkmossResources, AreChineseWithTheScriptsTypeLibraryStringAndVersion) {
    HMODULE h = LoadLibraryExW(DistFile(L"Linkmoss.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(h);
    const WORD zhCN = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    EXPECT_EQ(2052, zhCN);
    EXPECT_TRUE(FindResourceExW(h, L"REGISTRY", MAKEINTRESOURCEW(101), zhCN));
    EXPECT_TRUE(FindResourceExW(h, L"REGISTRY", MAKEINTRESOURCEW(102), zhCN));
    EXPECT_TRUE(FindResourceExW(h, L"TYPELIB", MAKEINTRESOURCEW(1), zhCN));
    EXPECT_TRUE(FindResourceExW(h, RT_VERSION, MAKEINTRESOURCEW(1), zhCN));
    EXPECT_TRUE(FindResourceExW(h, RT_STRING, MAKEINTRESOURCEW(100 / 16 + 1), zhCN));
    wchar_t text[64] = {};
    EXPECT_EQ(8, LoadStringW(h, 100, text, 64));
    EXPECT_EQ(L"Linkmoss", std::wstring(text));
    FreeLibrary(h);

    std::wstring file = DistFile(L"Linkmoss.dll");
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", (void**)&fixed, &len));
    // The product's version, as every program carries it.
    EXPECT_EQ(MAKELONG(ZELVANE_VERSION_MINOR, ZELVANE_VERSION_MAJOR), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(ZELVANE_VERSION_TWEAK, ZELVANE_VERSION_PATCH), fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(ZELVANE_VERSION_MINOR, ZELVANE_VERSION_MAJOR), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(ZELVANE_VERSION_TWEAK, ZELVANE_VERSION_PATCH), fixed->dwProductVersionLS);
    wchar_t* internal = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\080404b0\\InternalName", (void**)&internal, &len));
    EXPECT_EQ(L"Linkmoss.dll", std::wstring(internal));
}

}  // namespace
