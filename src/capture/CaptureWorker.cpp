#include "capture/CaptureWorker.h"
#include "capture/SelectionCapture.h"

namespace {
// A thread that reads no input of its own may not see key changes through
// GetKeyState, so the worker asks for the keys' current state. Every modifier a hot
// key can use counts: one still held would turn the copy keystroke into another
// (Alt makes it Ctrl+Alt+C, Shift Ctrl+Shift+C), whichever way the capture came.
bool PhysicalModifiersDown() {
    for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU})
        if (::GetAsyncKeyState(vk) & 0x8000) return true;
    return false;
}
bool ArmCaptureTimer(HWND frame) { return ::SetTimer(frame, kCaptureTimerId, kCaptureTimerMs, nullptr) != 0; }

constexpr DWORD kModifierPollMs = 10;
// Let go means let go for 60 ms: a key read up between two presses of a held key (its
// autorepeat, or the system syncing its key state) is not a release. Wine answers a key
// read up again from a copy up to 50 ms old, so a shorter span could read one gap thrice.
constexpr int kReleasedPolls = 7;
constexpr int kArmTries = 3;
constexpr DWORD kArmRetryMs = 50;

DWORD WINAPI CaptureWorkerThread(LPVOID param) {
    return RunCaptureWorker(static_cast<HWND>(param), DefaultCaptureWorkerHooks());
}
}  // namespace

CaptureWorkerHooks DefaultCaptureWorkerHooks() { return {PhysicalModifiersDown, ArmCaptureTimer}; }

DWORD RunCaptureWorker(HWND frame, const CaptureWorkerHooks& hooks) {
    for (int released = 0; released < kReleasedPolls;) {
        released = hooks.modifiersDown() ? 0 : released + 1;
        if (released < kReleasedPolls) ::Sleep(kModifierPollMs);
    }
    for (int i = 0; i < kArmTries; ++i) {
        if (hooks.armTimer(frame)) return 0;
        ::Sleep(kArmRetryMs);
    }
    // Without the timer nothing would end the capture: hand the frame back to idle.
    ::SendMessageW(frame, WM_CAPTURE_NOT_ARMED, 0, 0);
    return 0;
}

bool StartCaptureWorker(HWND frame) {
    HANDLE thread = ::CreateThread(nullptr, 0, CaptureWorkerThread, frame, 0, nullptr);
    if (!thread) return false;
    ::CloseHandle(thread);
    return true;
}
