#pragma once
// Hot keys in the Statistic.ini beside the executable, section "Zelqa7", and their texts
// for the system's wide strings.
#include <windows.h>

#include <string>

#include "hotkeys/HotKeyFormat.h"

namespace vorn {

// Reads one hot key (key: ShortKey, AltWndKey or SndKey); a missing file, section or key
// gives defaultText. Null out-pointers are skipped.
void ReadHotKey(const wchar_t* key, const wchar_t* defaultText, int* code, int* modifiers);
// Stores one hot key as "<modifiers>,<code>". FALSE when the file could not be written
// (the old value then stays).
BOOL WriteHotKey(const wchar_t* key, int code, int modifiers);
// The three hot keys as stored now (defaults where none is).
HotKeySet ReadHotKeySet();

std::wstring FormatHotKey(int code, int modifiers);
// Copies the key's name (or nothing) into a buffer of 16 characters and returns it.
wchar_t* GetKeyName(int code, wchar_t* buffer /* [16] */);
inline constexpr int kKeyNameChars = 16;

// The modifier set held right now, as GetKeyState sees it on this thread.
int CurrentHotKeyModifiers();

}  // namespace vorn
