#include "ExtensionSupport.h"
#include <tlhelp32.h>
#include <algorithm>
#include <sstream>

namespace lt {

const wchar_t kCaption[] = L"ZelvaneV1.3";
const wchar_t kMenuExt[] = L"Software\\Microsoft\\Internet Explorer\\MenuExt\\使用\"Zelvane\"捕获网文";
const wchar_t kClsid[] = L"{68E02084-8B01-4440-8D84-E3681D10C10A}";
const wchar_t kLibid[] = L"{94355397-E129-4588-B9AE-78FBDBDAAEDA}";
const wchar_t kAppId[] = L"{26ED47F2-8FCB-4E32-8437-88CE601EFC3C}";

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::wstring RegString(HKEY root, const std::wstring& key, const wchar_t* value) {
    std::vector<wchar_t> buf(4096);
    DWORD size = DWORD(buf.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buf.data(), &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf.data();
}

namespace {
// Names of a key's subkeys (values == false) or values (values == true).
std::vector<std::wstring> EnumNames(HKEY root, const std::wstring& key, bool values) {
    std::vector<std::wstring> out;
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return out;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        LONG r = values ? RegEnumValueW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr)
                        : RegEnumKeyExW(k, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (r != ERROR_SUCCESS) break;
        out.push_back(name);
    }
    RegCloseKey(k);
    return out;
}
}  // namespace

std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& key) { return EnumNames(root, key, false); }
std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& key) { return EnumNames(root, key, true); }

namespace {
std::wstring SystemFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\" + name;
}
}  // namespace

DWORD Regsvr32(const std::wstring& dll, bool unregister) {
    zt::Process p;
    if (!p.Start(SystemFile(L"regsvr32.exe"), std::wstring(unregister ? L"/u " : L"") + L"/s \"" + dll + L"\""))
        return (DWORD)-1;
    return p.Wait(60000);
}

const wchar_t kUserClasses[] = L"Software\\Classes\\";

namespace {
std::vector<std::wstring> LibraryClassKeys() {
    return {std::wstring(L"CLSID\\") + kClsid, L"Linkmoss.MyComOut", L"Linkmoss.MyComOut.1",
            std::wstring(L"TypeLib\\") + kLibid, L"Interface\\{DAE557A6-7DDF-4A12-AADC-C0DB8285F180}",
            std::wstring(L"AppID\\") + kAppId, L"AppID\\Linkmoss.DLL"};
}
}  // namespace

void MirrorUserClassesToMachine() {
    RemoveMachineMirror();
    for (const auto& key : LibraryClassKeys()) {
        HKEY from = nullptr, to = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (kUserClasses + key).c_str(), 0, KEY_READ, &from) != ERROR_SUCCESS) continue;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUserClasses + key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to,
                            nullptr) == ERROR_SUCCESS) {
            RegCopyTreeW(from, nullptr, to);
            RegCloseKey(to);
        }
        RegCloseKey(from);
    }
}

void RemoveMachineMirror() {
    for (const auto& key : LibraryClassKeys()) RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kUserClasses + key).c_str());
}

void StartScriptHost(zt::Process& p, const std::wstring& js) { p.Start(SystemFile(L"wscript.exe"), L"\"" + js + L"\""); }

DWORD RunScriptHost(const std::wstring& js, DWORD limitMs, DWORD* ms) {
    zt::Process p;
    DWORD start = GetTickCount();
    StartScriptHost(p, js);
    DWORD code = p.Wait(limitMs);
    if (ms) *ms = GetTickCount() - start;
    return code;
}

void WriteCatchScript(const std::wstring& path) {
    zt::WriteBytes(path,
                   "try {\r\n"
                   "  new ActiveXObject(\"Linkmoss.MyComOut\").CatchHtml();\r\n"
                   "  WScript.Quit(0);\r\n"
                   "} catch (e) {\r\n"
                   "  WScript.Quit(1);\r\n"
                   "}\r\n");
}

void SetMenuExt(const std::wstring& appPath, const std::wstring& appName) {
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kMenuExt, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegSetValueExW(k, L"AppPath", 0, REG_SZ, (const BYTE*)appPath.c_str(), DWORD((appPath.size() + 1) * 2));
    RegSetValueExW(k, L"AppName", 0, REG_SZ, (const BYTE*)appName.c_str(), DWORD((appName.size() + 1) * 2));
    RegCloseKey(k);
}

void DeleteMenuExt() { RegDeleteTreeW(HKEY_CURRENT_USER, kMenuExt); }

namespace {
template <class F> void ForProcesses(const std::wstring& exeName, F f) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
        if (_wcsicmp(pe.szExeFile, exeName.c_str()) == 0) f(pe.th32ProcessID);
    CloseHandle(snap);
}
}  // namespace

std::vector<DWORD> ProcessIds(const std::wstring& exeName) {
    std::vector<DWORD> out;
    ForProcesses(exeName, [&](DWORD pid) { out.push_back(pid); });
    return out;
}

void KillProcess(DWORD pid) {
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(h, 1);
        WaitForSingleObject(h, 5000);
        CloseHandle(h);
    }
}

void KillNewProcesses(const std::wstring& exeName, const std::vector<DWORD>& before) {
    for (DWORD pid : ProcessIds(exeName))
        if (std::find(before.begin(), before.end(), pid) == before.end()) KillProcess(pid);
}

RecorderDir::RecorderDir(const std::wstring& tag, const std::wstring& mode, bool hidden) : m_dir(tag) {
    CopyFileW(zt::ToolFile(L"msgrecorder.exe").c_str(), (m_dir / L"msgrecorder.exe").c_str(), FALSE);
    std::wstring ini = m_dir / L"recorder.ini";
    WritePrivateProfileStringW(L"recorder", L"mode", mode.c_str(), ini.c_str());
    WritePrivateProfileStringW(L"recorder", L"hidden", hidden ? L"1" : L"0", ini.c_str());
}

RecorderDir::~RecorderDir() {
    for (DWORD pid : Pids()) KillProcess(pid);
}

std::vector<DWORD> RecorderDir::Pids() const {
    std::vector<DWORD> out;
    for (const auto& l : Lines())
        if (l.compare(0, 6, "start ") == 0) out.push_back((DWORD)std::stoul(l.substr(6)));
    return out;
}

std::vector<std::string> RecorderDir::Lines() const {
    std::vector<std::string> out;
    auto bytes = zt::ReadBytes(Log());
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) out.push_back(line);
    }
    return out;
}

int RecorderDir::Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : Lines())
        if (l.compare(0, prefix.size(), prefix) == 0) ++n;
    return n;
}

bool RecorderDir::WaitForLine(const std::string& prefix, DWORD ms) const {
    return zt::WaitFor([&] { return Count(prefix) > 0; }, ms);
}

}  // namespace lt
