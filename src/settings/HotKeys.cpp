#include "settings/HotKeys.h"
#include "settings/Config.h"
#include "framework/Resources.h"

UINT ModifierFromIndex(int index) {
    switch (index) {
    case 0: return MOD_ALT;
    case 1: return MOD_CONTROL;
    case 2: return MOD_SHIFT;
    }
    return 0;
}

UINT VirtualKeyFromLetterIndex(int index) { return (index >= 0 && index < 26) ? 65 + index : 0; }

HotKeyIndexes ReadHotKeyIndexes() {
    HotKeyIndexes k;
    k.captureModifier = config::ReadInt(L"HOTKEY", L"GETKEYPROV");
    k.captureLetter = config::ReadInt(L"HOTKEY", L"GETKEYNEXT");
    k.saveModifier = config::ReadInt(L"HOTKEY", L"SAVEKEYPROV");
    k.saveLetter = config::ReadInt(L"HOTKEY", L"SAVEKEYNEXT");
    return k;
}

bool RegisterIndexedHotKey(HWND window, int id, int modifierIndex, int letterIndex) {
    UINT mod = ModifierFromIndex(modifierIndex), vk = VirtualKeyFromLetterIndex(letterIndex);
    if (!mod || !vk) return false;
    return ::RegisterHotKey(window, id, mod, vk) != 0;
}

HotKeyIndexes RegisterAppHotKeys(HWND window) {
    HotKeyIndexes k = ReadHotKeyIndexes();
    RegisterIndexedHotKey(window, kCaptureHotKeyId, k.captureModifier, k.captureLetter);
    if (!RegisterIndexedHotKey(window, kSaveHotKeyId, k.saveModifier, k.saveLetter))
        AfxMessageBox(L"注册热键失败！", MB_OK, window);
    return k;
}
