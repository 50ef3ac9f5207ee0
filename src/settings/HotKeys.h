// Global hot keys: the capture key (base id) and the save key (base id + 1).
#pragma once
#include <windows.h>
#include <string>

constexpr int kHotKeyBaseId = 12;
constexpr int kCaptureHotKeyId = 12;
constexpr int kSaveHotKeyId = 13;

// Indexes as stored in [HOTKEY]: modifier 0 ALT, 1 CTRL, 2 SHIFT, then the combined
// 3 CTRL+SHIFT, 4 ALT+SHIFT, 5 CTRL+ALT (added later, so older files keep their
// meaning); letter 0..25 = A..Z. A first start gives Alt+Shift+A and Alt+Shift+S.
constexpr int kModifierCount = 6;
constexpr int kAltShiftIndex = 4;
struct HotKeyIndexes {
    int captureModifier = kAltShiftIndex, captureLetter = 0, saveModifier = kAltShiftIndex, saveLetter = 18;
};

// 0 for an index outside 0..5: such a key is refused, never registered bare.
UINT ModifierFromIndex(int index);
// The settings dialog's entry for a modifier index ("ALT", ..., "CTRL+ALT"); null outside 0..5.
const wchar_t* ModifierComboText(int index);
// 0 for an index outside 0..25.
UINT VirtualKeyFromLetterIndex(int index);
// The key as people write it: "Alt+Shift+A"; empty for an index without a meaning.
std::wstring HotKeyText(int modifierIndex, int letterIndex);
// The settings dialog's one-line warning for a key that is Shift and a letter alone (it
// takes that capital letter from every program); empty when neither key is.
std::wstring ShiftLetterWarning(const HotKeyIndexes& keys);
// The balloon text for a capture key that another program holds.
std::wstring TakenCaptureKeyText(const HotKeyIndexes& keys);
extern const wchar_t kTakenKeyTitle[];   // "热键被占用"

HotKeyIndexes ReadHotKeyIndexes();
// Registers one hot key from its indexes; false when refused or taken.
bool RegisterIndexedHotKey(HWND window, int id, int modifierIndex, int letterIndex);
// Start-up registration: save with "注册热键失败！" on failure; a capture key that cannot be
// registered is reported through *captureFailed for the caller's balloon.
HotKeyIndexes RegisterAppHotKeys(HWND window, bool* captureFailed = nullptr);
