// regsvr32 registering and unregistering the real library, and the object it
// makes creatable by ProgID.
#include <gtest/gtest.h>
#include <algorithm>
#include "Linkmoss_h.h"
#include "ExtensionSupport.h"

using namespace zt;
using namespace lt;

namespace {

using Names = std::vector<std::wstring>;

Names Sorted(Names v) {
    for (auto& s : v) std::transform(s.begin(), s.end(), s.begin(), ::towlower);
    std::sort(v.begin(), v.end());
    return v;
}

std::wstring ClassKey(const std::wstring& sub = L"") {
    return std::wstring(L"CLSID\\") + kClsid + (sub.empty() ? L"" : L"\\" + sub);
}

// Every key and value the library owns, with exactly these subkeys and values.
void ExpectRegisteredFrom(const std::wstring& dll) {
    const HKEY cr = HKEY_CLASSES_ROOT;
    const std::wstring appIdKey = std::wstring(L"AppID\\") + kAppId;
    EXPECT_EQ(L"Linkmoss", RegString(cr, appIdKey, nullptr));
    EXPECT_EQ(Names{L""}, ValueNames(cr, appIdKey));
    EXPECT_EQ(kAppId, RegString(cr, L"AppID\\Linkmoss.DLL", L"AppID"));
    EXPECT_EQ(Names{L"appid"}, Sorted(ValueNames(cr, L"AppID\\Linkmoss.DLL")));

    EXPECT_EQ(L"MyComOut Class", RegString(cr, L"Linkmoss.MyComOut.1", nullptr));
    EXPECT_EQ(kClsid, RegString(cr, L"Linkmoss.MyComOut.1\\CLSID", nullptr));
    EXPECT_EQ(Names{L"clsid"}, Sorted(SubkeyNames(cr, L"Linkmoss.MyComOut.1")));
    EXPECT_EQ(L"MyComOut Class", RegString(cr, L"Linkmoss.MyComOut", nullptr));
    EXPECT_EQ(kClsid, RegString(cr, L"Linkmoss.MyComOut\\CLSID", nullptr));
    EXPECT_EQ(L"Linkmoss.MyComOut.1", RegString(cr, L"Linkmoss.MyComOut\\CurVer", nullptr));
    EXPECT_EQ((Names{L"clsid", L"curver"}), Sorted(SubkeyNames(cr, L"Linkmoss.MyComOut")));

    EXPECT_EQ(L"MyComOut Class", RegString(cr, ClassKey(), nullptr));
    EXPECT_EQ(kAppId, RegString(cr, ClassKey(), L"AppID"));
    EXPECT_EQ((Names{L"", L"appid"}), Sorted(ValueNames(cr, ClassKey())));
    EXPECT_EQ((Names{L"inprocserver32", L"progid", L"programmable", L"typelib", L"versionindependentprogid"}),
              Sorted(SubkeyNames(cr, ClassKey())));
    EXPECT_EQ(L"Linkmoss.MyComOut.1", RegString(cr, ClassKey(L"ProgID"), nullptr));
    EXPECT_EQ(L"Linkmoss.MyComOut", RegString(cr, ClassKey(L"VersionIndependentProgID"), nullptr));
    EXPECT_TRUE(ValueNames(cr, ClassKey(L"Programmable")).empty());
    EXPECT_TRUE(SubkeyNames(cr, ClassKey(L"Programmable")).empty());
    EXPECT_EQ(dll, RegString(cr, ClassKey(L"InprocServer32"), nullptr));
    EXPECT_EQ(L"Apartment", RegString(cr, ClassKey(L"InprocServer32"), L"ThreadingModel"));
    EXPECT_EQ(kLibid, RegString(cr, ClassKey(L"TypeLib"), nullptr));

    // The type library, registered from the library file.
    const std::wstring lib = std::wstring(L"TypeLib\\") + kLibid;
    EXPECT_EQ(Names{L"1.0"}, SubkeyNames(cr, lib));
    EXPECT_EQ(dll, RegString(cr, lib + L"\\1.0\\0\\win64", nullptr));
    EXPECT_TRUE(KeyExists(cr, L"Interface\\{DAE557A6-7DDF-4A12-AADC-C0DB8285F180}"));
}

void ExpectUnregistered() {
    const HKEY cr = HKEY_CLASSES_ROOT;
    EXPECT_FALSE(KeyExists(cr, std::wstring(L"AppID\\") + kAppId));
    EXPECT_FALSE(KeyExists(cr, L"AppID\\Linkmoss.DLL"));
    EXPECT_FALSE(KeyExists(cr, L"Linkmoss.MyComOut.1"));
    EXPECT_FALSE(KeyExists(cr, L"Linkmoss.MyComOut"));
    EXPECT_FALSE(KeyExists(cr, ClassKey()));
    EXPECT_FALSE(KeyExists(cr, std::wstring(L"TypeLib\\") + kLibid));
    EXPECT_FALSE(KeyExists(cr, L"Interface\\{DAE557A6-7DDF-4A12-AADC-C0DB8285F180}"));
    // The two shared parents stay.
    EXPECT_TRUE(KeyExists(cr, L"AppID"));
    EXPECT_TRUE(KeyExists(cr, L"CLSID"));
    EXPECT_FALSE(SubkeyNames(cr, L"CLSID").empty());
}

TEST(Regsvr32, RegistersEveryEntryOnceAndUnregistersAllButTheSharedParents) {
    // A folder name with a quote, spaces and Chinese characters reaches the registry whole.
    ProgramDir dir(L"O'Neil ");
    const std::wstring dll = dir / L"Linkmoss.dll";
    // A stale entry below the class key goes when the key is written again.
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_CLASSES_ROOT, ClassKey(L"Stale").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegCloseKey(k);

    ASSERT_EQ(0u, Regsvr32(dll, false));
    ExpectRegisteredFrom(dll);
    ASSERT_EQ(0u, Regsvr32(dll, false));
    ExpectRegisteredFrom(dll);

    // Registering the copy in another folder moves the server there.
    ProgramDir other(L"other ");
    ASSERT_EQ(0u, Regsvr32(other / L"Linkmoss.dll", false));
    ExpectRegisteredFrom(other / L"Linkmoss.dll");

    ASSERT_EQ(0u, Regsvr32(dll, true));
    ExpectUnregistered();
    // Unregistering again finds nothing to do and still succeeds.
    EXPECT_EQ(0u, Regsvr32(dll, true));
}

// Calls CatchHtml on an object created by ProgID; the recorder stands in for the running program.
class ProgIdObject : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, Regsvr32(m_dll.Path() + L"Linkmoss.dll", false));
        CoInitialize(nullptr);
        ASSERT_TRUE(m_program.Start(m_recorder.Path() + L"msgrecorder.exe"));
        ASSERT_TRUE(m_recorder.WaitForLine("window"));
    }
    void TearDown() override {
        CoUninitialize();
        Regsvr32(m_dll.Path() + L"Linkmoss.dll", true);
    }
    ProgramDir m_dll{L"progid "};
    RecorderDir m_recorder{L"recorder "};
    Process m_program;
};

TEST_F(ProgIdObject, ResolvesCatchHtmlAndCallsItThroughDispatchAndVirtualTable) {
    CLSID clsid{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"Linkmoss.MyComOut", &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_MyComOut, clsid));
    IDispatch* disp = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, (void**)&disp));
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"CatchHtml")};
    DISPID id = 0;
    ASSERT_EQ(S_OK, disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(1, id);

    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(S_OK, disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr, nullptr));
    EXPECT_EQ(1, m_recorder.Count("msg 1028 visible=1 wp=0 lp=0"));

    IMyComOut* direct = nullptr;
    ASSERT_EQ(S_OK, disp->QueryInterface(IID_IMyComOut, (void**)&direct));
    EXPECT_EQ(S_OK, direct->CatchHtml());
    EXPECT_EQ(2, m_recorder.Count("msg 1028"));
    EXPECT_EQ(0, m_recorder.Count("msg 1027"));
    EXPECT_EQ(0, m_recorder.Count("key"));
    EXPECT_EQ(1, m_recorder.Count("start"));
    direct->Release();
    disp->Release();
}

}  // namespace
