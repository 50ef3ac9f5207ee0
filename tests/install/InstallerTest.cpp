// The 64-bit installer as a user meets it: a silent install into a folder whose path
// has spaces and Chinese characters, the first run there, a web text with a picture
// saved into the installed library, help, the silent uninstall (with the program
// still running) that keeps the library, and installing again over it.
#include <gtest/gtest.h>
#include "support/HttpServer.h"
#include "support/Pagewick.h"
#include "support/Processes.h"
#include "support/TestBrowser.h"
#include <fstream>
#include <shlobj.h>

using namespace zt;

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zelvane";
const wchar_t kMenuKey[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt\\使用\"Zelvane\"捕获网文";
const wchar_t kServerKey[] = L"CLSID\\{68E02084-8B01-4440-8D84-E3681D10C10A}\\InprocServer32";
const wchar_t* const kHostKeys[] = {L"Software\\Google\\Chrome\\NativeMessagingHosts\\zelvane.host",
                                    L"Software\\Microsoft\\Edge\\NativeMessagingHosts\\zelvane.host",
                                    L"Software\\Chromium\\NativeMessagingHosts\\zelvane.host",
                                    L"Software\\Mozilla\\NativeMessagingHosts\\zelvane.host"};
// Written beside the program at each start, for the browsers' native messaging.
const wchar_t* const kHostManifests[] = {L"zelvane.host.chromium.json", L"zelvane.host.firefox.json"};
const wchar_t kOtherHostKey[] = L"Software\\Google\\Chrome\\NativeMessagingHosts\\other.host";
const wchar_t* const kShortcuts[] = {L"Zelvane.lnk", L"Zelvane 帮助.lnk", L"卸载 Zelvane.lnk"};

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
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
    DWORD Install() {
        Process setup;
        // /D= comes last and unquoted, as the installer expects it.
        if (!setup.Start(SetupProgram(), L"/S /D=" + dir.substr(0, dir.size() - 1))) return 9999;
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
    ASSERT_EQ(0u, Install());

    // Files, shortcuts, uninstall entry with the programs' version, Linkmoss registered.
    const auto shipped = ShippedFiles();
    for (const auto& f : shipped) EXPECT_TRUE(FileExists(dir + f) || DirExists(dir + f)) << Narrow(f);
    EXPECT_TRUE(FileExists(dir + L"uninstall.exe"));
    for (const wchar_t* s : kShortcuts) EXPECT_TRUE(FileExists(MenuFolder() + s)) << Narrow(s);
    EXPECT_EQ(dir + L"Pagewick.exe", ShortcutTarget(MenuFolder() + L"Zelvane.lnk"));
    EXPECT_EQ(dir + L"help.chm", ShortcutTarget(MenuFolder() + L"Zelvane 帮助.lnk"));
    EXPECT_EQ(dir + L"uninstall.exe", ShortcutTarget(MenuFolder() + L"卸载 Zelvane.lnk"));
    const std::wstring version = VersionOf(dir + L"Pagewick.exe", false);
    EXPECT_EQ(L"1.3", version);
    EXPECT_EQ(version, RegText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion"));
    EXPECT_EQ(L"Zelvane " + version, RegText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName"));
    EXPECT_EQ(version, VersionOf(SetupProgram(), true));
    EXPECT_EQ(L"\"" + dir + L"uninstall.exe\" /S", RegText(HKEY_CURRENT_USER, kUninstallKey, L"QuietUninstallString"));
    EXPECT_EQ(dir + L"Linkmoss.dll", RegText(HKEY_CLASSES_ROOT, kServerKey, nullptr));
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

    // Silent uninstall while the program runs in the tray: it is asked to exit, and goes.
    ShowWindow(frame, SW_HIDE);
    ASSERT_TRUE(Uninstall());
    EXPECT_EQ(0u, app.Wait(10000)) << "Pagewick still runs";
    for (const auto& f : shipped) EXPECT_FALSE(FileExists(dir + f) || DirExists(dir + f)) << Narrow(f);
    for (const wchar_t* s : kShortcuts) EXPECT_FALSE(FileExists(MenuFolder() + s)) << Narrow(s);
    EXPECT_FALSE(DirExists(MenuFolder()));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kMenuKey));
    for (const wchar_t* k : kHostKeys) EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k)) << Narrow(k);
    for (const wchar_t* m : kHostManifests) EXPECT_FALSE(FileExists(dir + m)) << Narrow(m);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kOtherHostKey));
    EXPECT_EQ(textBytes, ReadBytes(text));
    EXPECT_EQ(std::vector<unsigned char>(picture.begin(), picture.end()), ReadBytes(pictureFile));
    EXPECT_EQ(configBytes, ReadBytes(dir + L"Config.ini"));
    for (const wchar_t* f : {L"小说", L"散文", L"诗歌", L"天文", L"地理", L"历史"}) EXPECT_TRUE(DirExists(dir + f));

    // Installing again over it keeps the library; the program starts normally there.
    ASSERT_EQ(0u, Install());
    EXPECT_TRUE(FileExists(dir + L"Pagewick.exe"));
    EXPECT_EQ(textBytes, ReadBytes(text));
    EXPECT_EQ(configBytes, ReadBytes(dir + L"Config.ini"));
    Process again;
    ASSERT_TRUE(again.Start(dir + L"Pagewick.exe"));
    HWND shown = WaitForWindow(kMainCaption, again.Id(), 20000);
    ASSERT_TRUE(shown && WaitFor([&] { return IsWindowVisible(shown) != 0; }, 20000));
    PostMessageW(shown, WM_COMMAND, kExitCommand, 0);
    EXPECT_EQ(0u, again.Wait(10000));
}

}  // namespace
