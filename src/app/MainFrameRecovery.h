// Names shared by the main frame's recovery of the collected text and its tests.
#pragma once
#include <windows.h>
#include <string>

constexpr UINT_PTR kRecoveryTimerId = 17;            // typing has paused
constexpr UINT_PTR kRecoveryStartTimerId = 18;       // the editor's document was not ready at start-up
constexpr UINT WM_RECOVERY_DAMAGED = WM_APP + 17;    // tells the user where a damaged file went

extern const wchar_t kRecoveredTitle[];   // "提示"
extern const wchar_t kRecoveredText[];    // "已恢复上次未保存的网文。"
// The message shown when the recovery file was damaged; `aside` is where it went ("" if it stayed).
std::wstring DamagedRecoveryMessage(const std::wstring& aside);
