#include "hotkeys/SettingRules.h"

namespace vorn {

namespace {

constexpr int kVkTab = 0x09, kVkBack = 0x08, kVkDelete = 0x2E, kVkLWin = 0x5B, kVkRWin = 0x5C, kVkF12 = 0x7B;

bool IsClearingKey(HotKeyBox box, int vk) {
    if (vk == kVkBack || vk == kVkDelete || vk == kVkLWin || vk == kVkRWin) return true;
    return vk == kVkF12 && box != HotKeyBox::Switch;
}

bool Contains(std::u16string_view text, std::u16string_view part) { return text.find(part) != text.npos; }

}  // namespace

CapturedKey CaptureHotKey(HotKeyBox box, int vk, int modifiersDown, int currentCode) {
    if (IsClearingKey(box, vk)) return {kNoHotKeyText, currentCode};
    CapturedKey result{{}, currentCode};
    std::u16string_view name;
    if (IsHotKeyCode(vk) || (box == HotKeyBox::Switch && vk == kVkTab)) {
        result.code = vk;
        name = KeyName(vk);
    }
    if (modifiersDown & kModCtrl) result.text += kCtrlPrefix;
    if (modifiersDown & kModShift) result.text += kShiftPrefix;
    if (modifiersDown & kModAlt) result.text += kAltPrefix;
    result.text += name;
    return result;
}

std::optional<HotKey> HotKeyFromBoxText(std::u16string_view text, int boxCode) {
    if (text.empty() || text.back() == u' ') return std::nullopt;
    HotKey key;
    key.code = Contains(text, kNoHotKeyText) ? 0 : boxCode;
    if (Contains(text, u"Ctrl")) key.modifiers |= kModCtrl;
    if (Contains(text, u"Shift")) key.modifiers |= kModShift;
    if (Contains(text, u"Alt")) key.modifiers |= kModAlt;
    return key;
}

bool BoxTextsConflict(std::u16string_view boss, std::u16string_view sw, std::u16string_view sound) {
    return boss == sw || boss == sound || sw == sound;
}

SaveOutcome SaveAllOrNothing(const std::vector<HotKeyWrite>& writes,
                             const std::function<bool(std::size_t, const HotKey&)>& write) {
    SaveOutcome outcome;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (write(i, writes[i].value)) {
            outcome.changed = outcome.changed || writes[i].value != writes[i].previous;
            continue;
        }
        // Back to what was stored; a value that cannot be put back stays changed.
        outcome.changed = false;
        for (std::size_t back = 0; back < i; ++back) {
            const bool differs = writes[back].value != writes[back].previous;
            if (differs && !write(back, writes[back].previous)) outcome.changed = true;
        }
        return outcome;
    }
    outcome.saved = true;
    return outcome;
}

}  // namespace vorn
