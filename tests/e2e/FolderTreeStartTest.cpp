// The folder tree pane of the running program.
#include <gtest/gtest.h>
#include "support/Pagewick.h"
#include "support/LibraryPanes.h"
#include "support/Remote.h"
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

using namespace zt;

namespace {

TEST(FolderTreePane, TheProgramStartsWithTheLibraryAndTheStoredFolderSelected) {
    RunningPagewick app([](ProgramDir& d) {
        CreateDirectoryW((d / L"新闻\\国内").c_str(), nullptr);
        CreateDirectoryW((d / L"新闻\\images").c_str(), nullptr);
        d.WriteConfig(L"SEL", L"ROUTE", L"新闻\\国内");
    });
    ASSERT_TRUE(app.Started());
    HWND pane = ChildById(app.Frame(), 132);
    ASSERT_TRUE(pane);
    HWND tree = ChildById(pane, 124);
    ASSERT_TRUE(tree);
    // Root, the seven default folders and 国内; "images" is not a category.
    EXPECT_EQ(9, (int)SendMessageW(tree, TVM_GETCOUNT, 0, 0));
    HTREEITEM root = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    EXPECT_EQ(L"我的网文", TreeText(tree, root));
    HTREEITEM sel = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    EXPECT_EQ(L"国内", TreeText(tree, sel));
    HTREEITEM parent = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, (LPARAM)sel);
    EXPECT_EQ(L"新闻", TreeText(tree, parent));
    RECT r{};
    GetWindowRect(pane, &r);
    EXPECT_EQ(170, r.right - r.left);
}

}  // namespace

namespace {

// Command lines of the running explorer.exe processes, read from their process parameters.
std::vector<std::pair<DWORD, std::wstring>> ExplorerCommandLines() {
    std::vector<std::pair<DWORD, std::wstring>> out;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
        if (_wcsicmp(pe.szExeFile, L"explorer.exe") != 0) continue;
        HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pe.th32ProcessID);
        if (!p) continue;
        PROCESS_BASIC_INFORMATION info{};
        PEB peb{};
        RTL_USER_PROCESS_PARAMETERS params{};
        if (NT_SUCCESS(NtQueryInformationProcess(p, ProcessBasicInformation, &info, sizeof(info), nullptr)) &&
            ReadProcessMemory(p, info.PebBaseAddress, &peb, sizeof(peb), nullptr) &&
            ReadProcessMemory(p, peb.ProcessParameters, &params, sizeof(params), nullptr)) {
            std::wstring line(params.CommandLine.Length / 2, L'\0');
            if (ReadProcessMemory(p, params.CommandLine.Buffer, &line[0], params.CommandLine.Length, nullptr))
                out.push_back({pe.th32ProcessID, line});
        }
        CloseHandle(p);
    }
    CloseHandle(snap);
    return out;
}

TEST(FolderTreePane, OpenFolderHandsTheFileManagerThePathAsOneArgument) {
    const std::wstring folder = L"新闻,国内";
    RunningPagewick app([&](ProgramDir& d) {
        CreateDirectoryW((d / folder).c_str(), nullptr);
        d.WriteConfig(L"SEL", L"ROUTE", folder);
    });
    ASSERT_TRUE(app.Started());
    PostMessageW(app.Frame(), WM_COMMAND, 32773, 0);   // the toolbar's 文件夹
    DWORD pid = 0;
    std::wstring line;
    ASSERT_TRUE(WaitFor([&] {
        for (auto& [id, cmd] : ExplorerCommandLines())
            if (cmd.find(L"国内") != std::wstring::npos) { pid = id; line = cmd; return true; }
        return false;
    }, 10000));
    if (HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
        TerminateProcess(p, 0);
        CloseHandle(p);
    }
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
    ASSERT_EQ(2, argc) << Narrow(line);
    EXPECT_EQ(app.Dir() / folder, std::wstring(argv[1]));
    LocalFree(argv);
}

}  // namespace
