#pragma once
// What the settings dialog's key boxes make of a key press, and what their texts mean
// when the player confirms.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hotkeys/HotKeyFormat.h"

namespace vorn {

enum class HotKeyBox { Boss, Switch, Sound };

struct CapturedKey {
    std::u16string text;  // the box's new text
    int code = 0;         // the box's key code after the press
};

// A key pressed in a box while the modifiers in modifiersDown are held. Clearing keys
// (Backspace, Delete, the Windows keys, and F12 outside the switch box) show "无" and keep
// the code; an allowed key (Tab too in the switch box) becomes the code and is named
// after the held modifiers; any other key leaves only the modifier prefixes and the code.
CapturedKey CaptureHotKey(HotKeyBox box, int vk, int modifiersDown, int currentCode);

// The hot key a box's text stands for, with `boxCode` the code the box captured last.
// Nothing for an empty or unfinished text (modifiers without a key end in a space):
// the stored key then stays as it was.
std::optional<HotKey> HotKeyFromBoxText(std::u16string_view text, int boxCode);

// Two boxes with the same text would give two actions one key.
bool BoxTextsConflict(std::u16string_view boss, std::u16string_view sw, std::u16string_view sound);

// One hot key the dialog stores: the value from its box and the value stored before.
struct HotKeyWrite {
    HotKey value;
    HotKey previous;
};
struct SaveOutcome {
    bool saved = false;    // every new value is stored
    bool changed = false;  // what is stored now differs from before: the launchers must reload
};
// Stores the values in order with write(index, value). When one write fails, the values
// written before it are written back, so that the file holds all of the new values or
// none of them; `changed` then says whether a write-back failed too.
SaveOutcome SaveAllOrNothing(const std::vector<HotKeyWrite>& writes,
                             const std::function<bool(std::size_t, const HotKey&)>& write);

}  // namespace vorn
