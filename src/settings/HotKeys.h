// Global hot keys: the capture key (base id) and the save key (base id + 1).
#pragma once
#include <windows.h>

constexpr int kHotKeyBaseId = 12;
constexpr int kCaptureHotKeyId = 12;
constexpr int kSaveHotKeyId = 13;

// Indexes as stored in [HOTKEY]: modifier 0 ALT, 1 CTRL, 2 SHIFT; letter 0..25 = A..Z.
struct HotKeyIndexes {
    int captureModifier = 2, captureLetter = 0, saveModifier = 2, saveLetter = 18;
};

// 0 for an index outside 0..2: such a key is refused, never registered bare.
UINT ModifierFromIndex(int index);
// 0 for an index outside 0..25.
UINT VirtualKeyFromLetterIndex(int index);
HotKeyIndexes ReadHotKeyIndexes();
// Registers one hot key from its indexes; false when refused or taken.
bool RegisterIndexedHotKey(HWND window, int id, int modifierIndex, int letterIndex);
// Start-up registration: capture silently, save with "注册热键失败！" on failure.
HotKeyIndexes RegisterAppHotKeys(HWND window);
