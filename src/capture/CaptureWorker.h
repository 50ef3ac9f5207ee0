// The short-lived thread of one accepted capture: waits until Shift, Ctrl and Alt are
// all released, then arms the capture timer on the frame window.
#pragma once
#include <windows.h>

// What the worker uses of the system, replaceable in tests.
struct CaptureWorkerHooks {
    bool (*modifiersDown)();             // a physical Shift, Ctrl or Alt key is held
    bool (*armTimer)(HWND frame);        // SetTimer(frame, 2, kCaptureTimerMs)
};
CaptureWorkerHooks DefaultCaptureWorkerHooks();

// The worker's body. When the timer cannot be armed (after a few tries) it sends
// WM_CAPTURE_NOT_ARMED to the frame, which returns to idle. Returns 0.
DWORD RunCaptureWorker(HWND frame, const CaptureWorkerHooks& hooks);

// Starts the worker for the frame and closes its handle; false when no thread could start.
bool StartCaptureWorker(HWND frame);
