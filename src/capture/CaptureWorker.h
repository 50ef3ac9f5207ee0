// The short-lived thread of one accepted capture: waits until Shift is released,
// then arms the capture timer on the frame window.
#pragma once
#include <windows.h>

// What the worker uses of the system, replaceable in tests.
struct CaptureWorkerHooks {
    bool (*shiftDown)();                 // the physical Shift key is held
    bool (*armTimer)(HWND frame);        // SetTimer(frame, 2, 200 ms)
};
CaptureWorkerHooks DefaultCaptureWorkerHooks();

// The worker's body. When the timer cannot be armed (after a few tries) it sends
// WM_CAPTURE_NOT_ARMED to the frame, which returns to idle. Returns 0.
DWORD RunCaptureWorker(HWND frame, const CaptureWorkerHooks& hooks);

// Starts the worker for the frame and closes its handle; false when no thread could start.
bool StartCaptureWorker(HWND frame);
