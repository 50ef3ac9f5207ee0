// The registry-script language and its application to a scratch registry key.
#include <gtest/gtest.h>
#include "../../src/extension/Registrar.h"
#include "ExtensionSupport.h"

using namespace regscript;

namespace {

const wchar_t kNested[] =
    L"HKCR\r\n{\r\n"
    L"\tNoRemove CLSID\r\n\t{\r\n"
    L"\t\tForceRemove {AB} = s 'My ''Class'''\r\n\t\t{\r\n"
    L"\t\t\tForceRemove 'Programmable'\r\n"
    L"\t\t\tInprocServer32 = s '%MODULE%'\r\n\t\t\t{\r\n"
    L"\t\t\t\tval ThreadingModel = s 'Apartment'\r\n\t\t\t}\r\n"
    L"\t\t\tval AppID = s '%APPID%'\r\n"
    L"\t\t}\r\n\t}\r\n"
    L"\tProg.Id = s 'text with spaces'\r\n\t{\r\n\t\tCLSID = s '{AB}'\r\n\t}\r\n"
    L"}\r\n";

const Variables kVars = {{L"MODULE", L"C:\\O'Neil dir\\x %y.dll"}, {L"APPID", L"{AP}"}};

TEST(RegistryScriptParse, KeywordsIgnoreCaseUnlessQuoted) {
    ParseResult r = Parse(L"HKEY_CURRENT_USER { noremove A { VAL v = S 'x' 'val' } 'NoRemove' }", {});
    ASSERT_TRUE(r.ok) << zt::Narrow(r.error);
    EXPECT_EQ(HKEY_CURRENT_USER, r.script.roots[0].root);
    const auto& keys = r.script.roots[0].keys;
    ASSERT_EQ(2u, keys.size());
    EXPECT_EQ(Removal::NoRemove, keys[0].removal);
    ASSERT_EQ(1u, keys[0].values.size());
    EXPECT_EQ(L"x", keys[0].values[0].data);
    ASSERT_EQ(1u, keys[0].subkeys.size());
    EXPECT_EQ(L"val", keys[0].subkeys[0].name);
    EXPECT_EQ(Removal::Normal, keys[1].removal);
    EXPECT_EQ(L"NoRemove", keys[1].name);
    EXPECT_EQ(L"50%", Parse(L"HKCU { k = s '50%%' }", {}).script.roots[0].keys[0].defaultData);
}

TEST(RegistryScriptParse, RejectsMalformedScriptsWithTheLine) {
    struct Case { const wchar_t* text; const wchar_t* what; };
    const Case cases[] = {
        {L"HKCR\n{\n A = s 'open\n}", L"unterminated"},
        {L"HKCR { A { B }", L"missing '}'"},
        {L"HKXX { }", L"unknown root"},
        {L"HKCR { A = d '1' }", L"unsupported value type"},
        {L"HKCR { val A = s 'x' }", L"outside a key"},
        {L"HKCR { A = s '%NOPE%' }", L"unknown variable"},
        {L"HKCR { A = s '50%' }", L"unpaired"},
        {L"HKCR A { }", L"expected '{'"},
        {L"HKCR { A = }", L"unsupported value type"},
        {L"HKCR { NoRemove }", L"key name missing"},
    };
    for (const Case& c : cases) {
        ParseResult r = Parse(c.text, {});
        EXPECT_FALSE(r.ok) << zt::Narrow(c.text);
        EXPECT_NE(std::wstring::npos, r.error.find(c.what)) << zt::Narrow(c.text) << " -> " << zt::Narrow(r.error);
        EXPECT_EQ(0u, r.error.find(L"line ")) << zt::Narrow(r.error);
    }
    EXPECT_EQ(0u, Parse(L"HKCR\n{\n A = s 'open\n}", {}).error.find(L"line 3:"));
    EXPECT_TRUE(Parse(L"  \r\n ", {}).ok);
}

TEST(RegistryScriptText, DecodesUtf8AndUtf16Resources) {
    const std::string utf8 = "\xEF\xBB\xBFHKCR { \xE7\xB1\xBB }";
    EXPECT_EQ(L"HKCR { 类 }", TextFromBytes(utf8.data(), utf8.size()));
    EXPECT_EQ(L"HKCR", TextFromBytes("HKCR\0\0\0", 7));
    const char utf16[] = "\xFF\xFEH\0K\0";
    EXPECT_EQ(L"HK", TextFromBytes(utf16, 6));
    EXPECT_EQ(L"", TextFromBytes("", 0));
}

// A scratch key under HKEY_CURRENT_USER stands in for the script's root.
class RegistryScriptApply : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = L"Software\\ZelvaneTests\\Registrar" + std::to_wstring(GetCurrentProcessId());
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &m_root, nullptr));
    }
    void TearDown() override {
        if (m_root) RegCloseKey(m_root);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }
    Script Parsed(const std::wstring& text) {
        ParseResult r = Parse(text, kVars);
        EXPECT_TRUE(r.ok) << zt::Narrow(r.error);
        return r.script;
    }
    bool Exists(const std::wstring& sub) { return lt::KeyExists(m_root, sub); }
    std::wstring Str(const std::wstring& sub, const wchar_t* value) { return lt::RegString(m_root, sub, value); }
    size_t SubkeyCount(const std::wstring& sub) { return lt::SubkeyNames(m_root, sub).size(); }
    std::wstring m_path;
    HKEY m_root = nullptr;
};

TEST_F(RegistryScriptApply, RegistersOnceAndUnregistersAllButNoRemove) {
    Script s = Parsed(kNested);
    ASSERT_EQ(S_OK, Apply(s, Mode::Register, m_root));
    ASSERT_EQ(S_OK, Apply(s, Mode::Register, m_root));
    EXPECT_EQ(L"My 'Class'", Str(L"CLSID\\{AB}", nullptr));
    EXPECT_EQ(L"{AP}", Str(L"CLSID\\{AB}", L"AppID"));
    EXPECT_EQ(L"C:\\O'Neil dir\\x %y.dll", Str(L"CLSID\\{AB}\\InprocServer32", nullptr));
    EXPECT_EQ(L"Apartment", Str(L"CLSID\\{AB}\\InprocServer32", L"ThreadingModel"));
    EXPECT_TRUE(Exists(L"CLSID\\{AB}\\Programmable"));
    EXPECT_EQ(L"<missing>", Str(L"CLSID\\{AB}\\Programmable", nullptr));
    EXPECT_EQ(2u, SubkeyCount(L"CLSID\\{AB}"));
    EXPECT_EQ(1u, SubkeyCount(L"CLSID"));
    EXPECT_EQ(L"text with spaces", Str(L"Prog.Id", nullptr));
    EXPECT_EQ(L"{AB}", Str(L"Prog.Id\\CLSID", nullptr));

    ASSERT_EQ(S_OK, Apply(s, Mode::Unregister, m_root));
    EXPECT_TRUE(Exists(L"CLSID"));
    EXPECT_EQ(0u, SubkeyCount(L"CLSID"));
    EXPECT_FALSE(Exists(L"Prog.Id"));
    EXPECT_EQ(1u, SubkeyCount(L""));   // only CLSID
    // Nothing left to remove is not a failure.
    EXPECT_EQ(S_OK, Apply(s, Mode::Unregister, m_root));
}

TEST_F(RegistryScriptApply, ForceRemoveClearsStaleEntriesAndOtherKeysKeepForeignOnes) {
    Script s = Parsed(kNested);
    HKEY k = nullptr;
    RegCreateKeyExW(m_root, L"CLSID\\{AB}\\Stale", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegCloseKey(k);
    RegCreateKeyExW(m_root, L"CLSID\\{AB}\\Programmable\\Old", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegCloseKey(k);
    ASSERT_EQ(S_OK, Apply(s, Mode::Register, m_root));
    EXPECT_FALSE(Exists(L"CLSID\\{AB}\\Stale"));
    EXPECT_FALSE(Exists(L"CLSID\\{AB}\\Programmable\\Old"));

    // Someone else's key below a plain key survives unregistration, and so does its parent.
    RegCreateKeyExW(m_root, L"Prog.Id\\Theirs", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegCloseKey(k);
    // Below a ForceRemove key everything goes.
    RegCreateKeyExW(m_root, L"CLSID\\{AB}\\Extra", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegCloseKey(k);
    ASSERT_EQ(S_OK, Apply(s, Mode::Unregister, m_root));
    EXPECT_FALSE(Exists(L"CLSID\\{AB}"));
    EXPECT_TRUE(Exists(L"Prog.Id\\Theirs"));
    EXPECT_FALSE(Exists(L"Prog.Id\\CLSID"));
}

}  // namespace
