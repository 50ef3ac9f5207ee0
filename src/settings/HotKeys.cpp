#include "settings/HotKeys.h"
#include "settings/Config.h"
#include "framework/Resources.h"

const wchar_t kTakenKeyTitle[] = L"热键被占用";

namespace {
struct Modifier { UINT flags; const wchar_t* combo; const wchar_t* text; };
const Modifier kModifiers[kModifierCount] = {
    {MOD_ALT, L"ALT", L"Alt"},
    {MOD_CONTROL, L"CTRL", L"Ctrl"},
    {MOD_SHIFT, L"SHIFT", L"Shift"},
    {MOD_CONTROL | MOD_SHIFT, L"CTRL+SHIFT", L"Ctrl+Shift"},
    {MOD_ALT | MOD_SHIFT, L"ALT+SHIFT", L"Alt+Shift"},
    {MOD_CONTROL | MOD_ALT, L"CTRL+ALT", L"Ctrl+Alt"},
};
bool ValidModifier(int index) { return index >= 0 && index < kModifierCount; }
bool ShiftAndLetter(int modifierIndex, int letterIndex) {
    return ModifierFromIndex(modifierIndex) == MOD_SHIFT && VirtualKeyFromLetterIndex(letterIndex);
}
}  // namespace

UINT ModifierFromIndex(int index) { return ValidModifier(index) ? kModifiers[index].flags : 0; }

const wchar_t* ModifierComboText(int index) { return ValidModifier(index) ? kModifiers[index].combo : nullptr; }

UINT VirtualKeyFromLetterIndex(int index) { return (index >= 0 && index < 26) ? 65 + index : 0; }

std::wstring HotKeyText(int modifierIndex, int letterIndex) {
    if (!ValidModifier(modifierIndex) || !VirtualKeyFromLetterIndex(letterIndex)) return L"";
    return std::wstring(kModifiers[modifierIndex].text) + L"+" + wchar_t(L'A' + letterIndex);
}

std::wstring ShiftLetterWarning(const HotKeyIndexes& k) {
    std::wstring keys, letters;
    auto add = [&](int modifier, int letter) {
        if (!ShiftAndLetter(modifier, letter)) return;
        std::wstring l(1, wchar_t(L'A' + letter));
        if (letters.find(l) != std::wstring::npos) return;
        keys += (keys.empty() ? L"" : L"、") + HotKeyText(modifier, letter);
        letters += (letters.empty() ? L"" : L"、") + l;
    };
    add(k.captureModifier, k.captureLetter);
    add(k.saveModifier, k.saveLetter);
    if (keys.empty()) return L"";
    return keys + L" 会使其他程序无法输入大写字母 " + letters;
}

std::wstring TakenCaptureKeyText(const HotKeyIndexes& k) {
    std::wstring key = HotKeyText(k.captureModifier, k.captureLetter);
    if (key.empty()) return L"捕获网文快捷键的设置无效，可在“系统设置”中更改。";
    return L"捕获网文快捷键 " + key + L" 已被其他程序占用，可在“系统设置”中更改。";
}

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

HotKeyIndexes RegisterAppHotKeys(HWND window, bool* captureFailed) {
    HotKeyIndexes k = ReadHotKeyIndexes();
    bool captured = RegisterIndexedHotKey(window, kCaptureHotKeyId, k.captureModifier, k.captureLetter);
    if (captureFailed) *captureFailed = !captured;
    if (!RegisterIndexedHotKey(window, kSaveHotKeyId, k.saveModifier, k.saveLetter))
        AfxMessageBox(L"注册热键失败！", MB_OK, window);
    return k;
}
