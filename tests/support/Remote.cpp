#include "support/Remote.h"
#include <commctrl.h>

namespace zt {

RemoteBuffer::RemoteBuffer(HWND owner, size_t bytes) : m_size(bytes) {
    DWORD pid = 0;
    GetWindowThreadProcessId(owner, &pid);
    m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (m_process) m_mem = VirtualAllocEx(m_process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
    if (m_mem) VirtualFreeEx(m_process, m_mem, 0, MEM_RELEASE);
    if (m_process) CloseHandle(m_process);
}

bool RemoteBuffer::Write(const void* data, size_t bytes, size_t offset) {
    SIZE_T put = 0;
    return m_mem && WriteProcessMemory(m_process, (BYTE*)m_mem + offset, data, bytes, &put) && put == bytes;
}

std::vector<BYTE> RemoteBuffer::Read(size_t bytes, size_t offset) const {
    std::vector<BYTE> out(bytes);
    SIZE_T got = 0;
    if (!m_mem || !ReadProcessMemory(m_process, (BYTE*)m_mem + offset, out.data(), bytes, &got)) got = 0;
    out.resize(got);
    return out;
}

std::wstring RemoteBuffer::ReadString(size_t offset, size_t maxChars) const {
    auto b = Read(maxChars * 2, offset);
    std::wstring s(reinterpret_cast<const wchar_t*>(b.data()), b.size() / 2);
    size_t z = s.find(L'\0');
    return z == std::wstring::npos ? s : s.substr(0, z);
}

std::vector<std::wstring> ToolbarTexts(HWND toolbar) {
    std::vector<std::wstring> out;
    int count = (int)SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0);
    RemoteBuffer buf(toolbar, sizeof(TBBUTTONINFOW) + 512);
    for (int i = 0; i < count; ++i) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
        info.pszText = (LPWSTR)((BYTE*)buf.Address() + sizeof(TBBUTTONINFOW));
        info.cchText = 256;
        std::vector<BYTE> zero(512, 0);
        buf.Write(zero.data(), zero.size(), sizeof(TBBUTTONINFOW));
        buf.Write(&info, sizeof(info));
        SendMessageW(toolbar, TB_GETBUTTONINFOW, i, (LPARAM)buf.Address());
        out.push_back(buf.ReadString(sizeof(TBBUTTONINFOW), 256));
    }
    return out;
}

std::vector<int> ToolbarCommands(HWND toolbar) {
    std::vector<int> out;
    int count = (int)SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0);
    RemoteBuffer buf(toolbar, sizeof(TBBUTTON));
    for (int i = 0; i < count; ++i) {
        SendMessageW(toolbar, TB_GETBUTTON, i, (LPARAM)buf.Address());
        auto b = buf.Read(sizeof(TBBUTTON));
        const TBBUTTON* tb = reinterpret_cast<const TBBUTTON*>(b.data());
        out.push_back((tb->fsStyle & BTNS_SEP) ? 0 : tb->idCommand);
    }
    return out;
}

int StatusBarParts(HWND statusBar) { return (int)SendMessageW(statusBar, SB_GETPARTS, 0, 0); }

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = c;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        Sleep(10);
    }
}

HWND ChildById(HWND parent, int id) {
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (GetDlgCtrlID(h) == id) return h;
    return nullptr;
}

}  // namespace zt
