// Reading controls of another process: a buffer in that process for messages
// whose answers are written through a pointer.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace zt {

class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, size_t bytes);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    void* Address() const { return m_mem; }
    bool Write(const void* data, size_t bytes, size_t offset = 0);
    std::vector<BYTE> Read(size_t bytes, size_t offset = 0) const;
    std::wstring ReadString(size_t offset = 0, size_t maxChars = 1024) const;
private:
    HANDLE m_process = nullptr;
    void* m_mem = nullptr;
    size_t m_size = 0;
};

// The texts of a toolbar's buttons (separators included) in button order.
std::vector<std::wstring> ToolbarTexts(HWND toolbar);
std::vector<int> ToolbarCommands(HWND toolbar);
int StatusBarParts(HWND statusBar);
// Types text into the foreground window as Unicode keystrokes.
void TypeText(const std::wstring& text);
// The frame's child window with a control id (one level deep).
HWND ChildById(HWND parent, int id);

}  // namespace zt
