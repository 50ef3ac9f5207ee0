// The 64-bit installer as a user meets it: a silent install into a folder whose path
// has spaces and Chinese characters, the first run there, a web text with a picture
// saved into the installed library, help, the silent uninstall (with the program
// still running) that keeps the library, installing again over it without naming
// the folder, and an install that meets unsaved text in the running program.
// A user without administrator rights can write only HKCU: nothing may land in HKLM.
#include <gtest/gtest.h>
#include "support/HttpServer.h"
#include "support/Pagewick.h"
#include "support/Processes.h"
#include "support/TestBrowser.h"
#include <fstream>
#include "Version.h"
#include <shlobj.h>

using namespace zt;

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zelvane";
const wchar_t kMenuKey[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt\\使用\"Zelvane\"捕获网文";
const wchar_t kServerKey[] = L"Software\\Classes\\CLSID\\{68E02084-8B01-4440-8D84-E3681D10C10A}\\InprocServer32";
const wchar_t* const kHostKeys[] = {L"Software\\Google\\Chrome\\NativeMessagingHosts\\zelvane.host",
                                    L"Software\\Microsoft\\Edge\\NativeMessagingHosts\\zelvane.host",
                                    L"Software\\Chromium\\NativeMessagingHosts\\zelvane.host",
                                    L"Software\\Mozilla\\NativeMessagingHosts\\zelvane.host"};
// Written beside the program at each start, for the browsers' native messaging.
const wchar_t* const kHostManifests[] = {L"zelvane.host.chromium.json", L"zelvane.host.firefox.json"};
const wchar_t kOtherHostKey[] = L"Software\\Google\\Chrome\\NativeMessagingHosts\\other.host";
// Keys the registration makes below HKCR or HKCU\Software\Classes, and our own keys.
const wchar_t* const kClassKeys[] = {L"CLSID\\{68E02084-8B01-4440-8D84-E3681D10C10A}", L"Linkmoss.MyComOut",
                                     L"Linkmoss.MyComOut.1", L"AppID\\{26ED47F2-8FCB-4E32-8437-88CE601EFC3C}",
                                     L"AppID\\Linkmoss.DLL", L"TypeLib\\{94355397-E129-4588-B9AE-78FBDBDAAEDA}",
                                     L"Interface\\{DAE557A6-7DDF-4A12-AADC-C0DB8285F180}"};
// The vendor keys above the host keys, which the registration creates when a browser is missing.
const wchar_t* const kVendorKeys[] = {L"Software\\Google", L"Software\\Microsoft\\Edge", L"Software\\Chromium",
                                      L"Software\\Mozilla", L"Software\\Microsoft\\Internet Explorer\\MenuExt"};
const wchar_t* const kShortcuts[] = {L"Zelvane.lnk", L"Zelvane 帮助.lnk", L"卸载 Zelvane.lnk"};

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// Nothing of ours machine-wide (Wine lets a user write there; Windows does not).
void ExpectNothingUnderHklm(const char* when) {
    for (const wchar_t* k : kClassKeys)
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Classes\\") + k)) << when << ": " << Narrow(k);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << when;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMenuKey)) << when;
    for (const wchar_t* k : kHostKeys) EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, k)) << when << ": " << Narrow(k);
}

std::wstring RegText(HKEY root, const std::wstring& path, const wchar_t* value) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf);
    if (RegGetValueW(root, path.c_str(), value, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return L"(none)";
    return buf;
}

// "major.minor" of a file's version information; which: product or file version.
std::wstring VersionOf(const std::wstring& file, bool product) {
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> data(size ? size : 1);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!size || !GetFileVersionInfoW(file.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len))
        return L"(none)";
    DWORD ms = product ? info->dwProductVersionMS : info->dwFileVersionMS;
    return std::to_wstring(HIWORD(ms)) + L"." + std::to_wstring(LOWORD(ms));
}

// The item a shortcut opens, from its item list (the shell starts that; the link's
// plain path text is only kept in the ANSI code page).
std::wstring ShortcutTarget(const std::wstring& lnk) {
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    wchar_t target[MAX_PATH] = {};
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link))) {
        PIDLIST_ABSOLUTE items = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
            if (SUCCEEDED(file->Load(lnk.c_str(), STGM_READ)) && SUCCEEDED(link->GetIDList(&items)) && items) {
                SHGetPathFromIDListW(items, target);
                CoTaskMemFree(items);
            }
            file->Release();
        }
        link->Release();
    }
    return target;
}

// The names packaging/files.txt ships (those marked optional only when this build made them).
std::vector<std::wstring> ShippedFiles() {
    std::vector<std::wstring> names;
    std::ifstream in(SHIPPED_FILES_LIST);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        bool optional = line[0] == '?';
        std::wstring name(line.begin() + (optional ? 1 : 0), line.end());
        if (!optional || FileExists(DistFile(name))) names.push_back(name);
    }
    return names;
}

std::wstring SetupProgram() {
    WIN32_FIND_DATAW fd;
    std::wstring pattern = std::wstring(DIST_DIR_W) + L"..\\Zelvane-*-win64-setup.exe";
    HANDLE f = FindFirstFileW(pattern.c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return L"";
    FindClose(f);
    return std::wstring(DIST_DIR_W) + L"..\\" + fd.cFileName;
}

// A visible top-level dialog of the process other than `except` (a message box over a wizard).
HWND OtherDialog(DWORD pid, HWND except) {
    for (HWND h : VisibleDialogs(pid))
        if (h != except) return h;
    return nullptr;
}

std::wstring MenuFolder() {
    wchar_t programs[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs);
    return std::wstring(programs) + L"\\Zelvane\\";
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        dir = root.Path() + L"程序 文件\\Zelvane 网文\\";
        CreateDirectoryW((root.Path() + L"程序 文件").c_str(), nullptr);
    }
    void TearDown() override {
        if (FileExists(dir + L"uninstall.exe")) Uninstall();
        RegDeleteKeyW(HKEY_CURRENT_USER, kOtherHostKey);
        CoUninitialize();
    }
    // Without a folder the installer chooses one itself.
    DWORD Install(bool namingTheFolder = true) {
        Process setup;
        // /D= comes last and unquoted, as the installer expects it.
        if (!setup.Start(SetupProgram(), namingTheFolder ? L"/S /D=" + dir.substr(0, dir.size() - 1) : L"/S")) return 9999;
        DWORD code = setup.Wait(60000);
        if (code == STILL_ACTIVE) setup.Kill();
        return code;
    }
    // The uninstaller copies itself away and returns at once; the copy does the work.
    bool Uninstall() {
        Process un;
        if (!un.Start(dir + L"uninstall.exe", L"/S") || un.Wait(30000) != 0) return false;
        bool done = WaitFor([&] { return !FileExists(dir + L"uninstall.exe") && !KeyExists(HKEY_CURRENT_USER, kUninstallKey); },
                            30000);
        // The copy would only be removed at the next restart of Windows.
        WaitFor([] { return ProcessesNamed(L"Un.exe").empty(); }, 10000);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        WIN32_FIND_DATAW fd;
        HANDLE f = FindFirstFileW((std::wstring(temp) + L"~nsu*.tmp").c_str(), &fd);
        for (BOOL more = f != INVALID_HANDLE_VALUE; more; more = FindNextFileW(f, &fd)) RemoveTree(temp + std::wstring(fd.cFileName));
        if (f != INVALID_HANDLE_VALUE) FindClose(f);
        return done;
    }
    TempFolder root{L"安装"};
    std::wstring dir;
};

TEST_F(Installer, InstallsRunsSavesUninstallsKeepingTheLibraryAndInstallsAgainOverIt) {
    ASSERT_NE(L"", SetupProgram()) << "no 64-bit installer in dist";
    std::vector<bool> vendorKeyBefore;
    for (const wchar_t* k : kVendorKeys) vendorKeyBefore.push_back(KeyExists(HKEY_CURRENT_USER, k));
    ASSERT_EQ(0u, Install());
    ExpectNothingUnderHklm("after the install");
    for (const wchar_t* k : kClassKeys)
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::wstring(L"Software\\Classes\\") + k)) << Narrow(k);
    // Programs and Features shows the program's size, not the library's.
    DWORD kb = 0, size = sizeof(kb);
    RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, L"EstimatedSize", RRF_RT_REG_DWORD, nullptr, &kb, &size);
    EXPECT_GT(kb, 100u);
    EXPECT_LT(kb, 30000u);

    // Files, shortcuts, uninstall entry with the programs' version, Linkmoss registered.
    const auto shipped = ShippedFiles();
    for (const auto& f : shipped) EXPECT_TRUE(FileExists(dir + f) || DirExists(dir + f)) << Narrow(f);
    EXPECT_TRUE(FileExists(dir + L"uninstall.exe"));
    // The 32-bit Linkmoss for the browsers' 32-bit tab processes, when the 32-bit build made one.
    const bool with32 = FileExists(std::wstring(DIST_DIR_W) + L"..\\win32\\Linkmoss.dll");
    EXPECT_EQ(with32, FileExists(dir + L"x86\\Linkmoss.dll"));
    for (const wchar_t* s : kShortcuts) EXPECT_TRUE(FileExists(MenuFolder() + s)) << Narrow(s);
    EXPECT_EQ(dir + L"Pagewick.exe", ShortcutTarget(MenuFolder() + L"Zelvane.lnk"));
    EXPECT_EQ(dir + L"help.chm", ShortcutTarget(MenuFolder() + L"Zelvane 帮助.lnk"));
    EXPECT_EQ(dir + L"uninstall.exe", ShortcutTarget(MenuFolder() + L"卸载 Zelvane.lnk"));
    // One version everywhere: the three programs (file and product), the installer and
    // the browser extension's manifest all carry the project's.
    const std::string built = ZELVANE_VERSION_TEXT;
    const std::wstring version(built.begin(), built.end());
    for (const wchar_t* program : {L"Pagewick.exe", L"Linkmoss.dll", L"ZelvaneHost.exe"})
        for (bool product : {false, true}) EXPECT_EQ(version, VersionOf(dir + program, product)) << Narrow(program);
    std::ifstream manifest(EXTENSION_MANIFEST);
    const std::string json((std::istreambuf_iterator<char>(manifest)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, json.find("\"version\": \"" + built + ".")) << json.substr(0, 200);
    EXPECT_EQ(version, RegText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion"));
    EXPECT_EQ(L"Zelvane " + version, RegText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName"));
    EXPECT_EQ(version, VersionOf(SetupProgram(), true));
    EXPECT_EQ(L"\"" + dir + L"uninstall.exe\" /S", RegText(HKEY_CURRENT_USER, kUninstallKey, L"QuietUninstallString"));
    EXPECT_EQ(dir + L"Linkmoss.dll", RegText(HKEY_CURRENT_USER, kServerKey, nullptr));
    // Before any start: the extension ready for "Load unpacked", and the browsers find the host.
    for (const wchar_t* f : {L"manifest.json", L"background.js", L"serialize.js", L"article.js", L"Readability.js",
                             L"Readability-LICENSE.md"})
        EXPECT_TRUE(FileExists(dir + L"browser-extension\\" + f)) << Narrow(f);
    for (const wchar_t* k : kHostKeys) {
        std::wstring manifest = RegText(HKEY_CURRENT_USER, k, nullptr);
        EXPECT_EQ(dir + (wcsstr(k, L"Mozilla") ? L"zelvane.host.firefox.json" : L"zelvane.host.chromium.json"), manifest)
            << Narrow(k);
        auto bytes = ReadBytes(manifest);
        std::string json(bytes.begin(), bytes.end()), hostPath;
        for (char c : Narrow(dir + L"ZelvaneHost.exe")) hostPath += c == '\\' ? std::string("\\\\") : std::string(1, c);
        EXPECT_NE(std::string::npos, json.find("\"path\": \"" + hostPath + "\"")) << json;
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, k)) << Narrow(k);
    }

    // The first run there writes its settings and folders beside the installed program.
    {
        Process first;
        ASSERT_TRUE(first.Start(dir + L"Pagewick.exe"));
        HWND box = WaitForDialog(first.Id(), 20000);
        ASSERT_TRUE(box);
        EXPECT_EQ(L"配置文件：config.ini已重新生成，请重新启动软件！", MessageBoxText(box));
        PressButton(box, IDOK);
        EXPECT_EQ(0u, first.Wait(10000));
    }
    EXPECT_TRUE(FileExists(dir + L"Config.ini"));
    EXPECT_TRUE(DirExists(dir + L"新闻"));
    EXPECT_EQ(dir, RegText(HKEY_CURRENT_USER, kMenuKey, L"AppPath"));
    WritePrivateProfileStringW(L"SEL", L"ROUTE", L"新闻", (dir + L"Config.ini").c_str());

    // A web text with a picture, captured and saved by the installed program.
    HttpServer server;
    ASSERT_TRUE(server.Running());
    const std::string picture = std::string("\x89PNG\r\n\x1a\n", 8) + "installed picture";
    server.Put(L"pics/p.png", picture);
    Process app;
    ASSERT_TRUE(app.Start(dir + L"Pagewick.exe"));
    HWND frame = WaitForWindow(kMainCaption, app.Id(), 20000);
    ASSERT_TRUE(frame && WaitFor([&] { return IsWindowVisible(frame) != 0; }, 20000));
    TestBrowser page(L"--html", "<P>安装后的网文ABCDEFG</P><IMG src=\"pics/p.png\">", L"installed page",
                     server.Url(L"/"));
    ASSERT_TRUE(page.Focus());
    SendMessageW(frame, 1028, 0, 0);
    HWND editor = GetWindow(GetDlgItem(frame, 0xE900), GW_CHILD);
    ASSERT_TRUE(WaitFor([&] { return WindowText(editor).find(L"p.png") != std::wstring::npos; }, 15000));
    PostMessageW(frame, WM_HOTKEY, 13, 0);
    HWND name = WaitForDialog(app.Id(), 10000, L"文件名");
    ASSERT_TRUE(name);
    PressButton(name, IDOK);
    HWND done = WaitForDialog(app.Id(), 20000, L"保存");
    ASSERT_TRUE(done);
    PressButton(done, IDNO);
    const std::wstring text = dir + L"新闻\\安装后的网文ABCD.htm";   // the first 10 characters
    ASSERT_TRUE(WaitFor([&] { return FileExists(text); }, 5000));
    // The picture is downloaded beside it under a name of its own.
    const std::wstring saved = ReadTextFile(text);
    const size_t src = saved.find(L"src=\"images/");
    ASSERT_NE(std::wstring::npos, src) << Narrow(saved);
    const std::wstring pictureFile = dir + L"新闻\\images\\" + saved.substr(src + 12, saved.find(L'"', src + 12) - src - 12);
    ASSERT_EQ(std::vector<unsigned char>(picture.begin(), picture.end()), ReadBytes(pictureFile)) << Narrow(saved);
    const auto textBytes = ReadBytes(text), configBytes = ReadBytes(dir + L"Config.ini");

    // Help > 内容 starts hh.exe with the installed help file.
    auto before = ProcessesNamed(L"hh.exe");
    PostMessageW(frame, WM_COMMAND, 32801, 0);
    std::wstring hh;
    ASSERT_TRUE(EndNewProcess(L"hh.exe", before, 10000, hh)) << "hh.exe was not started";
    EXPECT_NE(std::wstring::npos, hh.find(dir + L"help.chm")) << Narrow(hh);

    // The browser extension's host keys, and one of another program that must stay.
    for (const wchar_t* k : kHostKeys) RegSetKeyValueW(HKEY_CURRENT_USER, k, nullptr, REG_SZ, L"x", 4);
    RegSetKeyValueW(HKEY_CURRENT_USER, kOtherHostKey, nullptr, REG_SZ, L"x", 4);
    for (const wchar_t* m : kHostManifests) EXPECT_TRUE(FileExists(dir + m)) << Narrow(m);
    ExpectNothingUnderHklm("after a start");
    // The search store the running program keeps, and the index files of an older version.
    EXPECT_TRUE(WaitFor([&] { return FileExists(dir + L"LibraryText.cat"); }, 20000, 100)) << "no search store";
    for (const wchar_t* f : {L"LibraryIndex.db-wal", L"LibraryIndex.db-shm"}) WriteBytes(dir + f, "index");

    // Silent uninstall while the program runs in the tray: it is asked to exit, and goes.
    ShowWindow(frame, SW_HIDE);
    ASSERT_TRUE(Uninstall());
    EXPECT_EQ(0u, app.Wait(10000)) << "Pagewick still runs";
    for (const auto& f : shipped) EXPECT_FALSE(FileExists(dir + f) || DirExists(dir + f)) << Narrow(f);
    EXPECT_FALSE(DirExists(dir + L"x86"));
    for (const wchar_t* s : kShortcuts) EXPECT_FALSE(FileExists(MenuFolder() + s)) << Narrow(s);
    EXPECT_FALSE(DirExists(MenuFolder()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kServerKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kMenuKey));
    for (const wchar_t* k : kHostKeys) EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k)) << Narrow(k);
    for (const wchar_t* m : kHostManifests) EXPECT_FALSE(FileExists(dir + m)) << Narrow(m);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kOtherHostKey));
    // No key of ours left, and no empty parent the registration made.
    for (const wchar_t* k : kClassKeys)
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::wstring(L"Software\\Classes\\") + k)) << Narrow(k);
    for (size_t i = 0; i < std::size(kVendorKeys); ++i) {
        if (!vendorKeyBefore[i] && std::wstring(kVendorKeys[i]) != L"Software\\Google") {   // other.host stays there
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVendorKeys[i])) << Narrow(kVendorKeys[i]);
        }
    }
    ExpectNothingUnderHklm("after the uninstall");
    for (const wchar_t* f : {L"LibraryIndex.db", L"LibraryIndex.db-wal", L"LibraryIndex.db-shm"})
        EXPECT_FALSE(FileExists(dir + f)) << Narrow(f);
    WIN32_FIND_DATAW store;
    HANDLE left = FindFirstFileW((dir + L"LibraryText*").c_str(), &store);
    EXPECT_EQ(INVALID_HANDLE_VALUE, left) << Narrow(store.cFileName);
    if (left != INVALID_HANDLE_VALUE) FindClose(left);
    EXPECT_EQ(textBytes, ReadBytes(text));
    EXPECT_EQ(std::vector<unsigned char>(picture.begin(), picture.end()), ReadBytes(pictureFile));
    EXPECT_EQ(configBytes, ReadBytes(dir + L"Config.ini"));
    for (const wchar_t* f : {L"小说", L"散文", L"诗歌", L"天文", L"地理", L"历史"}) EXPECT_TRUE(DirExists(dir + f));

    // Installing again over it keeps the library; the program starts normally there.
    ASSERT_EQ(0u, Install());
    EXPECT_TRUE(FileExists(dir + L"Pagewick.exe"));
    EXPECT_EQ(textBytes, ReadBytes(text));
    EXPECT_EQ(configBytes, ReadBytes(dir + L"Config.ini"));

    // A second install that names no folder goes into the installed one: one copy, one entry.
    ASSERT_EQ(0u, Install(false));
    EXPECT_EQ(dir.substr(0, dir.size() - 1), RegText(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation"));
    wchar_t profile[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile);
    EXPECT_FALSE(DirExists(std::wstring(profile) + L"\\Zelvane")) << "a second copy in the profile";
    EXPECT_EQ(dir + L"Linkmoss.dll", RegText(HKEY_CURRENT_USER, kServerKey, nullptr));

    Process again;
    ASSERT_TRUE(again.Start(dir + L"Pagewick.exe"));
    HWND shown = WaitForWindow(kMainCaption, again.Id(), 20000);
    ASSERT_TRUE(shown && WaitFor([&] { return IsWindowVisible(shown) != 0; }, 20000));

    // Unsaved text in the running program: a silent install changes nothing, leaves no
    // question on screen and ends with its own code; the program keeps running with its text.
    // (The program just started may still take the foreground from the browser: ask again.)
    HWND edit = GetWindow(GetDlgItem(shown, 0xE900), GW_CHILD);
    bool captured = false;
    for (int attempt = 0; attempt < 3 && !captured; ++attempt) {
        ASSERT_TRUE(page.Focus());
        SendMessageW(shown, 1028, 0, 0);
        captured = WaitFor([&] { return WindowText(edit).find(L"p.png") != std::wstring::npos; }, 10000);
    }
    ASSERT_TRUE(captured);
    const auto uninstallerBytes = ReadBytes(dir + L"uninstall.exe");
    EXPECT_EQ(3u, Install(false));
    EXPECT_EQ(STILL_ACTIVE, again.Wait(0));
    EXPECT_EQ(nullptr, WaitForDialog(again.Id(), 1000)) << "a question was left on screen";
    EXPECT_NE(std::wstring::npos, WindowText(edit).find(L"p.png"));
    EXPECT_EQ(uninstallerBytes, ReadBytes(dir + L"uninstall.exe"));
    // The uninstaller too (run in place, so its own code comes back).
    {
        Process un;
        ASSERT_TRUE(un.Start(dir + L"uninstall.exe", L"/S _?=" + dir.substr(0, dir.size() - 1)));
        EXPECT_EQ(3u, un.Wait(60000));
        EXPECT_EQ(STILL_ACTIVE, again.Wait(0));
        EXPECT_TRUE(FileExists(dir + L"Pagewick.exe"));
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
    }

    // Interactively: the folder page comes first and the program runs on while it is up;
    // going on from it, the installer names the unsaved text and leaves the program alone.
    {
        Process setup;
        ASSERT_TRUE(setup.Start(SetupProgram()));
        HWND wizard = WaitForDialog(setup.Id(), 30000);
        ASSERT_TRUE(wizard);
        Sleep(1000);
        EXPECT_EQ(STILL_ACTIVE, again.Wait(0));
        PressButton(wizard, IDOK);   // 下一步
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = OtherDialog(setup.Id(), wizard)) != nullptr; }, 15000));
        EXPECT_NE(std::wstring::npos, MessageBoxText(box).find(L"未保存的网文")) << Narrow(MessageBoxText(box));
        PressButton(box, IDCANCEL);
        ASSERT_TRUE(WaitFor([&] { return OtherDialog(setup.Id(), wizard) == nullptr; }, 10000));
        EXPECT_EQ(STILL_ACTIVE, again.Wait(0));
        EXPECT_NE(std::wstring::npos, WindowText(edit).find(L"p.png"));
        EXPECT_EQ(uninstallerBytes, ReadBytes(dir + L"uninstall.exe"));
        // Cancelling the installer (and confirming it) ends it with nothing done.
        PressButton(wizard, IDCANCEL);
        ASSERT_TRUE(WaitFor([&] { return (box = OtherDialog(setup.Id(), wizard)) != nullptr; }, 15000));
        PressButton(box, IDYES);
        EXPECT_NE(0u, setup.Wait(15000));
        EXPECT_EQ(STILL_ACTIVE, again.Wait(0));
    }

    PostMessageW(shown, WM_COMMAND, kExitCommand, 0);
    HWND question = WaitForDialog(again.Id(), 10000, L"保存网文");
    ASSERT_TRUE(question);
    PressButton(question, IDNO);
    EXPECT_EQ(0u, again.Wait(10000));

    // What a start registered, undone as a user of the zip would: no key of ours is left.
    Process undo;
    ASSERT_TRUE(undo.Start(dir + L"Pagewick.exe", L"/unregister"));
    EXPECT_EQ(0u, undo.Wait(30000));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kMenuKey));
    for (const wchar_t* k : kHostKeys) EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k)) << Narrow(k);
    for (const wchar_t* m : kHostManifests) EXPECT_FALSE(FileExists(dir + m)) << Narrow(m);
    for (const wchar_t* k : kClassKeys)
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::wstring(L"Software\\Classes\\") + k)) << Narrow(k);
    for (size_t i = 0; i < std::size(kVendorKeys); ++i) {
        if (!vendorKeyBefore[i] && std::wstring(kVendorKeys[i]) != L"Software\\Google" &&
            std::wstring(kVendorKeys[i]).find(L"MenuExt") == std::wstring::npos) {
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVendorKeys[i])) << Narrow(kVendorKeys[i]);
        }
    }
    ExpectNothingUnderHklm("after /unregister");
    EXPECT_TRUE(FileExists(dir + L"Config.ini"));   // the library is not touched
}

}  // namespace
