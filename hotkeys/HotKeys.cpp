#include "hotkeys/HotKeys.h"

#include "common/Locations.h"
#include "common/Settings.h"
#include "common/ModulePath.h"

namespace vorn {

namespace {
constexpr DWORD kStoredTextChars = 32;
}

void ReadHotKey(const wchar_t* key, const wchar_t* defaultText, int* code, int* modifiers) {
    wchar_t text[kStoredTextChars] = {};
    const std::wstring ini = LocalIniPath();
    GetPrivateProfileStringW(settings::kIniSection, key, defaultText ? defaultText : L"", text, kStoredTextChars,
                             ini.c_str());
    const HotKey hotKey = ParseHotKeyText(ToU16(text));
    if (code) *code = hotKey.code;
    if (modifiers) *modifiers = hotKey.modifiers;
}

BOOL WriteHotKey(const wchar_t* key, int code, int modifiers) {
    const std::wstring ini = LocalIniPath();
    if (ini.empty()) return FALSE;
    // The same file keeps the notice line, which needs the UTF-16 form from the start.
    EnsureUnicodeIniFile(ini);
    const std::wstring text = ToWide(StoreHotKeyText(code, modifiers));
    return WritePrivateProfileStringW(settings::kIniSection, key, text.c_str(), ini.c_str());
}

HotKeySet ReadHotKeySet() {
    HotKeySet keys;
    ReadHotKey(settings::kKeyBossKey, settings::kKeyBossKeyDefault, &keys.boss.code, &keys.boss.modifiers);
    ReadHotKey(settings::kKeySwitchKey, settings::kKeySwitchKeyDefault, &keys.sw.code, &keys.sw.modifiers);
    ReadHotKey(settings::kKeySoundKey, settings::kKeySoundKeyDefault, &keys.sound.code, &keys.sound.modifiers);
    return keys;
}

std::wstring FormatHotKey(int code, int modifiers) { return ToWide(FormatHotKeyText(code, modifiers)); }

wchar_t* GetKeyName(int code, wchar_t* buffer) {
    if (!buffer) return buffer;
    const std::u16string_view name = KeyName(code);
    size_t n = 0;
    for (; n < name.size() && n + 1 < static_cast<size_t>(kKeyNameChars); ++n) buffer[n] = name[n];
    buffer[n] = L'\0';
    return buffer;
}

int CurrentHotKeyModifiers() {
    int modifiers = 0;
    if (GetKeyState(VK_CONTROL) < 0) modifiers |= kModCtrl;
    if (GetKeyState(VK_SHIFT) < 0) modifiers |= kModShift;
    if (GetKeyState(VK_MENU) < 0) modifiers |= kModAlt;
    return modifiers;
}

}  // namespace vorn
