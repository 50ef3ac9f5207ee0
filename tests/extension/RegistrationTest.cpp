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

// The current user's classes: a user without administrator rights can write nothing else.
class UserClasses {
public:
    UserClasses() { RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_READ, &m_key); }
    ~UserClasses() { if (m_key) RegCloseKey(m_key); }
    operator HKEY() const { return m_key; }
private:
    HKEY m_key = nullptr;
};

// The keys of the library that no registration may leave machine-wide.
void ExpectNothingMachineWide() {
    for (const std::wstring& key : {std::wstring(L"AppID\\") + kAppId, std::wstring(L"AppID\\Linkmoss.DLL"),
                                    std::wstring(L"Linkmoss.MyComOut"), std::wstring(L"Linkmoss.MyComOut.1"), ClassKey(),
                                    std::wstring(L"TypeLib\\") + kLibid,
                                    std::wstring(L"Interface\\{DAE557A6-7DDF-4A12-AADC-C0DB8285F180}")})
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + key)) << Narrow(key);
}

// Every key and value the library owns, with exactly these subkeys and values, for this user only.
void ExpectRegisteredFrom(const std::wstring& dll) {
    UserClasses cr;
    ASSERT_TRUE(cr);
    ExpectNothingMachineWide();
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
    const std::wstring itf = L"Interface\\{DAE557A6-7DDF-4A12-AADC-C0DB8285F180}";
    EXPECT_EQ(L"{00020424-0000-0000-C000-000000000046}", RegString(cr, itf + L"\\ProxyStubClsid32", nullptr));
    EXPECT_EQ(kLibid, RegString(cr, itf + L"\\TypeLib", nullptr));
}

void ExpectUnregistered() {
    UserClasses cr;
    ExpectNothingMachineWide();
    EXPECT_FALSE(KeyExists(cr, std::wstring(L"AppID\\") + kAppId));
    EXPECT_FALSE(KeyExists(cr, L"AppID\\Linkmoss.DLL"));
    EXPECT_FALSE(KeyExists(cr, L"Linkmoss.MyComOut.1"));
    EXPECT_FALSE(KeyExists(cr, L"Linkmoss.MyComOut"));
    EXPECT_FALSE(KeyExists(cr, ClassKey()));
    EXPECT_FALSE(KeyExists(cr, std::wstring(L"TypeLib\\") + kLibid));
    EXPECT_FALSE(KeyExists(cr, L"Interface\\{DAE557A6-7DDF-4A12-AADC-C0DB8285F180}"));
    // The two shared parents stay, with the other program's class.
    EXPECT_TRUE(KeyExists(cr, L"AppID"));
    EXPECT_TRUE(KeyExists(cr, L"CLSID"));
    EXPECT_TRUE(KeyExists(cr, L"CLSID\\{00000000-1111-2222-3333-444444444444}"));
}

TEST(Regsvr32, RegistersEveryEntryOnceAndUnregistersAllButTheSharedParents) {
    // A folder name with a quote, spaces and Chinese characters reaches the registry whole.
    ProgramDir dir(L"O'Neil ");
    const std::wstring dll = dir / L"Linkmoss.dll";
    // A stale entry below the class key goes when the key is written again.
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + ClassKey(L"Stale")).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &k, nullptr);
    RegCloseKey(k);
    // Another program's class of this user, beside ours.
    const std::wstring foreign = std::wstring(L"Software\\Classes\\CLSID\\{00000000-1111-2222-3333-444444444444}");
    RegSetKeyValueW(HKEY_CURRENT_USER, foreign.c_str(), nullptr, REG_SZ, L"x", 4);

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
    RegDeleteKeyW(HKEY_CURRENT_USER, foreign.c_str());
}

// Calls CatchHtml on an object created by ProgID; the recorder stands in for the running program.
class ProgIdObject : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, Regsvr32(m_dll.Path() + L"Linkmoss.dll", false));
        MirrorUserClassesToMachine();
        CoInitialize(nullptr);
        ASSERT_TRUE(m_program.Start(m_recorder.Path() + L"msgrecorder.exe"));
        ASSERT_TRUE(m_recorder.WaitForLine("window"));
    }
    void TearDown() override {
        CoUninitialize();
        RemoveMachineMirror();
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
