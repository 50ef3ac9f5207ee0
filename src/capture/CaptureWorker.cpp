#include "capture/CaptureWorker.h"
#include "capture/SelectionCapture.h"

namespace {
// A thread that reads no input of its own may not see key changes through
// GetKeyState, so the worker asks for the key's current state.
bool PhysicalShiftDown() { return (::GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0; }
bool ArmCaptureTimer(HWND frame) { return ::SetTimer(frame, kCaptureTimerId, kCaptureTimerMs, nullptr) != 0; }

constexpr DWORD kShiftPollMs = 10;
constexpr int kArmTries = 3;
constexpr DWORD kArmRetryMs = 50;

DWORD WINAPI CaptureWorkerThread(LPVOID param) {
    return RunCaptureWorker(static_cast<HWND>(param), DefaultCaptureWorkerHooks());
}
}  // namespace

CaptureWorkerHooks DefaultCaptureWorkerHooks() { return {PhysicalShiftDown, ArmCaptureTimer}; }

DWORD RunCaptureWorker(HWND frame, const CaptureWorkerHooks& hooks) {
    while (hooks.shiftDown()) ::Sleep(kShiftPollMs);
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
