#include "hotkeys/HotKeyFormat.h"

#include <array>
#include <cstdint>

#include "common/GameMessages.h"
#include "common/TextNumbers.h"

namespace vorn {

namespace {

struct NamedKey {
    int code;
    std::u16string_view name;
};

constexpr NamedKey kNamedKeys[] = {
    {0x08, u"Back"},        {0x09, u"Tab"},         {0x0D, u"Enter"},      {0x10, u"Shift"},
    {0x11, u"Ctrl"},        {0x12, u"Alt"},         {0x13, u"Pause Break"}, {0x14, u"Caps"},
    {0x1B, u"Esc"},         {0x21, u"Page Up"},     {0x22, u"Page Down"},  {0x23, u"End"},
    {0x24, u"Home"},        {0x25, u"Left"},        {0x26, u"Up"},         {0x27, u"Right"},
    {0x28, u"Down"},        {0x2D, u"Insert"},      {0x2E, u"Del"},        {0x5B, u"LWin"},
    {0x5C, u"RWin"},        {0x6A, u"Num *"},       {0x6B, u"Num +"},      {0x6D, u"Num -"},
    {0x6E, u"Num Del"},     {0x6F, u"Num /"},       {0x90, u"Num Lock"},   {0x91, u"Scroll Lock"},
    {0xBA, u";"},           {0xBB, u"+"},           {0xBC, u","},          {0xBD, u"-"},
    {0xBE, u"."},           {0xBF, u"/"},           {0xC0, u"`"},          {0xDB, u"["},
    {0xDC, u"\\"},          {0xDD, u"]"},           {0xDE, u"'"},
};

// Names of the ranges, each a view into one static text.
constexpr std::u16string_view kDigits = u"0123456789";
constexpr std::u16string_view kLetters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::array<std::u16string_view, 10> kPadDigits = {u"Num 0", u"Num 1", u"Num 2", u"Num 3", u"Num 4",
                                                            u"Num 5", u"Num 6", u"Num 7", u"Num 8", u"Num 9"};
constexpr std::array<std::u16string_view, 12> kFunctionKeys = {u"F1", u"F2", u"F3", u"F4",  u"F5",  u"F6",
                                                               u"F7", u"F8", u"F9", u"F10", u"F11", u"F12"};

bool InRange(int code, int first, int last) { return code >= first && code <= last; }

}  // namespace

HotKey ParseHotKeyText(std::u16string_view stored) {
    HotKey key;
    const size_t comma = stored.find(u',');
    if (comma == std::u16string_view::npos) {
        key.modifiers = ParseDecimalPrefix(stored);
        return key;
    }
    key.modifiers = ParseDecimalPrefix(stored.substr(0, comma));
    key.code = ParseDecimalPrefix(stored.substr(comma + 1));
    return key;
}

namespace {
std::u16string SignedDecimal(int value) {
    // Through unsigned arithmetic, so INT_MIN has a magnitude too.
    const bool negative = value < 0;
    const std::uint32_t magnitude = negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    return (negative ? u"-" : u"") + FormatUnsigned(magnitude);
}
}  // namespace

std::u16string StoreHotKeyText(int code, int modifiers) {
    return SignedDecimal(modifiers) + u"," + SignedDecimal(code);
}

std::u16string FormatHotKeyText(int code, int modifiers) {
    if (code == 0) return kNoHotKeyText;
    std::u16string text;
    if (modifiers & kModCtrl) text += kCtrlPrefix;
    if (modifiers & kModShift) text += kShiftPrefix;
    if (modifiers & kModAlt) text += kAltPrefix;
    text += KeyName(code);
    return text;
}

std::u16string_view KeyName(int code) {
    if (InRange(code, 0x30, 0x39)) return kDigits.substr(code - 0x30, 1);
    if (InRange(code, 0x41, 0x5A)) return kLetters.substr(code - 0x41, 1);
    if (InRange(code, 0x60, 0x69)) return kPadDigits[code - 0x60];
    if (InRange(code, 0x70, 0x7B)) return kFunctionKeys[code - 0x70];
    for (const NamedKey& key : kNamedKeys) {
        if (key.code == code) return key.name;
    }
    return {};
}

bool IsHotKeyCode(int code) {
    return InRange(code, 0x70, 0x7A)      // F1..F11; the system keeps F12 for its debugger
           || InRange(code, 0x30, 0x39)   // digits
           || InRange(code, 0x41, 0x5A)   // letters
           || InRange(code, 0x21, 0x28)   // Page Up, Page Down, End, Home, arrows
           || code == 0x2D                // Insert
           || code == 0x14                // Caps
           || InRange(code, 0xBA, 0xC0)   // ; + , - . / `
           || InRange(code, 0xDB, 0xDE)   // [ \ ] '
           || code == 0x90                // Num Lock
           || InRange(code, 0x60, 0x6B)   // keypad digits, * and +
           || InRange(code, 0x6D, 0x6F);  // keypad -, Del and /; not the separator 0x6C
}

bool HotKeyMatches(const HotKey& hotKey, int code, int modifiersDown) {
    return hotKey.code != 0 && code == hotKey.code && modifiersDown == hotKey.modifiers;
}

namespace {

constexpr unsigned kKeyDown = 0x0100, kKeyUp = 0x0101, kSysKeyDown = 0x0104, kSysKeyUp = 0x0105;

bool IsPress(unsigned message) { return message == kKeyDown || message == kSysKeyDown; }

}  // namespace

HotKeyRole HotKeyRoleOf(const HotKeySet& keys, unsigned message, int vk, std::intptr_t lParam, int modifiersDown,
                        const KeyPressContext& context) {
    if (!MayBeHotKey(keys, message, vk, context) || lParam == messages::kOwnMessageMarker) return HotKeyRole::kNone;
    if (context.tabCount > 0) {
        if (HotKeyMatches(keys.boss, vk, modifiersDown)) return HotKeyRole::kBoss;
        if (HotKeyMatches(keys.sound, vk, modifiersDown)) return HotKeyRole::kSound;
    }
    if (!context.global && HotKeyMatches(keys.sw, vk, modifiersDown)) return HotKeyRole::kSwitch;
    return HotKeyRole::kNone;
}

bool MayBeHotKey(const HotKeySet& keys, unsigned message, int vk, const KeyPressContext& context) {
    if (!IsPress(message) || vk == 0 || context.inKeyBox) return false;
    if (context.tabCount > 0 && (vk == keys.boss.code || vk == keys.sound.code)) return true;
    return !context.global && vk == keys.sw.code;
}

namespace {
// VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU: one bit each.
constexpr int kFirstSidedModifier = 0xA0, kLastSidedModifier = 0xA5;
}  // namespace

void ModifierTracker::Set(int vk, bool down) {
    // A key without a side (an injected VK_CONTROL, say) counts as the left one.
    if (vk == 0x10 || vk == 0x11 || vk == 0x12) vk = kFirstSidedModifier + 2 * (vk - 0x10);
    if (vk < kFirstSidedModifier || vk > kLastSidedModifier) return;
    const unsigned bit = 1u << (vk - kFirstSidedModifier);
    m_sides = down ? (m_sides | bit) : (m_sides & ~bit);
}

void ModifierTracker::Take(unsigned message, int vk) {
    if (IsPress(message)) Set(vk, true);
    if (message == kKeyUp || message == kSysKeyUp) Set(vk, false);
}

int ModifierTracker::Held() const {
    int held = 0;
    if (m_sides & 0x03u) held |= kModShift;
    if (m_sides & 0x0Cu) held |= kModCtrl;
    if (m_sides & 0x30u) held |= kModAlt;
    return held;
}

}  // namespace vorn
