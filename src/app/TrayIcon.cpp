#include "app/TrayIcon.h"
#include "app/MainFrame.h"
#include "framework/Utf16.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <cwchar>

const wchar_t kTrayTip[] = L"ZelvaneV1.3";

namespace {
NotifyIconFn g_notify = nullptr;

BOOL Notify(DWORD message, NOTIFYICONDATAW& record) {
    return g_notify ? g_notify(message, &record) : ::Shell_NotifyIconW(message, &record);
}

// Copies at most max code units, never half a character, and always terminates;
// null copies as empty.
void CopyBounded(wchar_t* dst, size_t capacity, const wchar_t* src, size_t max) {
    if (max >= capacity) max = capacity - 1;
    size_t n = src ? CutLength(src, wcsnlen(src, max + 1), max) : 0;
    if (n) wmemcpy(dst, src, n);
    dst[n] = L'\0';
}
}  // namespace

static_assert(kTrayRecordSize >= FIELD_OFFSET(NOTIFYICONDATAW, guidItem), "balloon fields must fit the record");
static_assert(kTrayRecordSize <= sizeof(NOTIFYICONDATAW), "record larger than the structure");
#ifndef _WIN64
static_assert(kTrayRecordSize == NOTIFYICONDATAW_V3_SIZE, "the Windows XP layout");
#endif

HICON LoadTrayIconImage() {
    // The notification area shows small icons at its own DPI: LoadIconMetric picks the
    // picture made for it (comctl32 6 of Windows Vista on; looked up, as older systems lack it).
    using LoadIconMetricFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
    HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
    auto loadIconMetric = comctl ? reinterpret_cast<LoadIconMetricFn>(reinterpret_cast<void*>(
                                       ::GetProcAddress(comctl, "LoadIconMetric")))
                                 : nullptr;
    HICON icon = nullptr;
    if (loadIconMetric &&
        SUCCEEDED(loadIconMetric(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), LIM_SMALL, &icon)))
        return icon;
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                           ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
}

void UpdateTrayIcon(NOTIFYICONDATAW& record) {
    if (!record.hWnd) return;
    HICON old = record.hIcon;
    record.cbSize = kTrayRecordSize;
    record.uFlags = NIF_ICON;
    record.hIcon = LoadTrayIconImage();
    Notify(NIM_MODIFY, record);
    if (old) ::DestroyIcon(old);
}

void SetNotifyIconForTesting(NotifyIconFn fn) { g_notify = fn; }

void InitTrayRecord(NOTIFYICONDATAW& record, HWND owner) {
    record = NOTIFYICONDATAW{};
    record.cbSize = kTrayRecordSize;
    record.hWnd = owner;
    record.uID = kTrayIconId;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAY_CALLBACK;
    record.hIcon = LoadTrayIconImage();
    static_assert(ARRAYSIZE(kTrayTip) <= ARRAYSIZE(record.szTip), "the tip fits");
    wmemcpy(record.szTip, kTrayTip, ARRAYSIZE(kTrayTip));
}

void AddTrayIcon(NOTIFYICONDATAW& record, HWND owner) {
    InitTrayRecord(record, owner);
    Notify(NIM_ADD, record);   // the outcome is not reported
}

void RemoveTrayIcon(NOTIFYICONDATAW& record) {
    if (record.hWnd) Notify(NIM_DELETE, record);
}

void FillBalloon(NOTIFYICONDATAW& record, int kind, const wchar_t* title, const wchar_t* text) {
    record.cbSize = kTrayRecordSize;
    record.uFlags = NIF_INFO;
    record.dwInfoFlags = static_cast<DWORD>(kind);
    record.uTimeout = kBalloonTimeout;
    CopyBounded(record.szInfoTitle, ARRAYSIZE(record.szInfoTitle), title, kBalloonTitleMax);
    CopyBounded(record.szInfo, ARRAYSIZE(record.szInfo), text, kBalloonTextMax);
}

void ShowTrayBalloon(NOTIFYICONDATAW& record, int kind, const wchar_t* title, const wchar_t* text) {
    FillBalloon(record, kind, title, text);
    Notify(NIM_MODIFY, record);
}

void ShowTrayBalloon(int kind, const wchar_t* title, const wchar_t* text) {
    CMainFrame* frame = GetMainFrame();
    if (frame) ShowTrayBalloon(frame->m_tray, kind, title, text);
}
