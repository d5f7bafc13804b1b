#include <gtest/gtest.h>

#include "hotkeys/HotKeyFormat.h"

using namespace vorn;

TEST(HotKeyText, StoredDefaultsReadAsTheirKeys) {
    EXPECT_EQ(ParseHotKeyText(u"0,121"), (HotKey{121, 0}));
    EXPECT_EQ(ParseHotKeyText(u"2,9"), (HotKey{9, 2}));
    EXPECT_EQ(ParseHotKeyText(u"2,81"), (HotKey{81, 2}));
    EXPECT_EQ(FormatHotKeyText(121, 0), u"F10");
    EXPECT_EQ(FormatHotKeyText(9, 2), u"Ctrl  +  Tab");
    EXPECT_EQ(FormatHotKeyText(81, 2), u"Ctrl  +  Q");
}

TEST(HotKeyText, OddStoredTextsReadLikeTheRuntimeNumberReader) {
    // Only a number: all of it is the modifier set, and there is no hot key.
    EXPECT_EQ(ParseHotKeyText(u"2"), (HotKey{0, 2}));
    EXPECT_EQ(ParseHotKeyText(u""), (HotKey{0, 0}));
    EXPECT_EQ(ParseHotKeyText(u"abc,def"), (HotKey{0, 0}));
    EXPECT_EQ(ParseHotKeyText(u","), (HotKey{0, 0}));
    // Blanks, signs and trailing text around the digits; only the first comma splits.
    EXPECT_EQ(ParseHotKeyText(u" +4, -65x"), (HotKey{-65, 4}));
    EXPECT_EQ(ParseHotKeyText(u"1,2,3"), (HotKey{2, 1}));
    EXPECT_EQ(ParseHotKeyText(u"x1,65"), (HotKey{65, 0}));
    // Far too many digits saturate instead of wrapping into some other key.
    EXPECT_EQ(ParseHotKeyText(u"0,99999999999999999999").code, 2147483647);
}

TEST(HotKeyText, StoredFormRoundTrips) {
    EXPECT_EQ(StoreHotKeyText(65, 7), u"7,65");
    EXPECT_EQ(StoreHotKeyText(-1, -2147483647 - 1), u"-2147483648,-1");
    for (HotKey key : {HotKey{0x5A, 7}, HotKey{-5, 3}, HotKey{2147483647, -2147483647 - 1}})
        EXPECT_EQ(ParseHotKeyText(StoreHotKeyText(key.code, key.modifiers)), key);
}

TEST(HotKeyText, DisplayFormKeepsTheFixedPrefixOrder) {
    EXPECT_EQ(FormatHotKeyText(65, 7), u"Ctrl  +  Shift  +  Alt  +  A");
    EXPECT_EQ(FormatHotKeyText(65, kModAlt | kModShift), u"Shift  +  Alt  +  A");
    // Code 0 is "none" whatever the modifiers; unknown bits add nothing.
    EXPECT_EQ(FormatHotKeyText(0, 7), u"无");
    EXPECT_EQ(FormatHotKeyText(0x41, 8), u"A");
    // A key without a name leaves the prefixes with their trailing blanks, which the
    // settings dialog reads as an unfinished entry.
    EXPECT_EQ(FormatHotKeyText(0x20, kModCtrl), u"Ctrl  +  ");
    EXPECT_EQ(FormatHotKeyText(0x20, 0), u"");
}

TEST(KeyNames, EveryNamedCodeAndNothingElse) {
    const std::pair<int, std::u16string_view> table[] = {
        {0x08, u"Back"},      {0x09, u"Tab"},         {0x0D, u"Enter"},     {0x10, u"Shift"},   {0x11, u"Ctrl"},
        {0x12, u"Alt"},       {0x13, u"Pause Break"}, {0x14, u"Caps"},      {0x1B, u"Esc"},     {0x21, u"Page Up"},
        {0x22, u"Page Down"}, {0x23, u"End"},         {0x24, u"Home"},      {0x25, u"Left"},    {0x26, u"Up"},
        {0x27, u"Right"},     {0x28, u"Down"},        {0x2D, u"Insert"},    {0x2E, u"Del"},     {0x5B, u"LWin"},
        {0x5C, u"RWin"},      {0x6A, u"Num *"},       {0x6B, u"Num +"},     {0x6D, u"Num -"},   {0x6E, u"Num Del"},
        {0x6F, u"Num /"},     {0x90, u"Num Lock"},    {0x91, u"Scroll Lock"}, {0xBA, u";"},     {0xBB, u"+"},
        {0xBC, u","},         {0xBD, u"-"},           {0xBE, u"."},         {0xBF, u"/"},       {0xC0, u"`"},
        {0xDB, u"["},         {0xDC, u"\\"},          {0xDD, u"]"},         {0xDE, u"'"},       {0x30, u"0"},
        {0x39, u"9"},         {0x41, u"A"},           {0x5A, u"Z"},         {0x60, u"Num 0"},   {0x69, u"Num 9"},
        {0x70, u"F1"},        {0x79, u"F10"},         {0x7B, u"F12"},
    };
    for (const auto& [code, name] : table) EXPECT_EQ(KeyName(code), name) << code;

    // Every other code from -1 to 0x100 has no name.
    int named = 0;
    for (int code = -1; code <= 0x100; ++code) {
        if (!KeyName(code).empty()) {
            ++named;
            EXPECT_LE(KeyName(code).size(), 15u);
        }
    }
    EXPECT_EQ(named, 39 + 10 + 26 + 10 + 12);
    for (int code : {0x20, 0x7C, 0x2C, 0x5D, 0x6C, 0x141}) EXPECT_EQ(KeyName(code), u"") << code;
}

TEST(KeyNames, HotKeyCodesAreExactlyTheAllowedKeys) {
    int allowed = 0;
    for (int code = -1; code <= 0x1FF; ++code) allowed += IsHotKeyCode(code) ? 1 : 0;
    // F1-F11, digits, letters, the eight navigation keys, Insert, Caps, the seven and four
    // punctuation keys, Num Lock, twelve and three keypad keys.
    EXPECT_EQ(allowed, 11 + 10 + 26 + 8 + 1 + 1 + 7 + 4 + 1 + 12 + 3);
    for (int code : {0x70, 0x7A, 0x30, 0x41, 0x5A, 0x21, 0x28, 0x2D, 0x14, 0xBA, 0xC0, 0xDB, 0xDE, 0x90, 0x60, 0x6B,
                     0x6D, 0x6F})
        EXPECT_TRUE(IsHotKeyCode(code)) << code;
    for (int code : {0x7B, 0x09, 0x6C, 0x20, 0x2E, 0x08, 0x5B, 0x91, 0x13, 0x10, 0x11, 0x12, 0x0D, 0x1B, 0x29, 0xC1,
                     0xDA, 0xDF, 0x0})
        EXPECT_FALSE(IsHotKeyCode(code)) << code;
}

TEST(HotKeyMatch, ExactModifierSetAndNeverForNone) {
    const HotKey ctrlQ{81, kModCtrl};
    EXPECT_TRUE(HotKeyMatches(ctrlQ, 81, kModCtrl));
    EXPECT_FALSE(HotKeyMatches(ctrlQ, 81, kModCtrl | kModShift));
    EXPECT_FALSE(HotKeyMatches(ctrlQ, 81, 0));
    EXPECT_FALSE(HotKeyMatches(HotKey{0, 0}, 0, 0));
}

TEST(HotKeyMatch, TheHookKeepsModifiersFromItsOwnKeysBothSidesApart) {
    constexpr unsigned down = 0x100, up = 0x101, sysDown = 0x104, sysUp = 0x105;
    ModifierTracker held;
    held.Seed(0xA1, true);  // right Shift already down when the hook started
    held.Take(down, 0xA2);  // left Ctrl
    held.Take(down, 81);    // Q itself changes nothing
    EXPECT_EQ(held.Held(), kModCtrl | kModShift);
    held.Take(down, 0xA3);  // right Ctrl too, then the left one goes: Ctrl is still held
    held.Take(up, 0xA2);
    held.Take(up, 0xA1);
    EXPECT_EQ(held.Held(), kModCtrl);
    held.Take(up, 0xA3);
    held.Take(sysDown, 0x12);  // an Alt without a side, as an injected key may come
    EXPECT_EQ(held.Held(), kModAlt);
    held.Take(sysUp, 0xA4);
    EXPECT_EQ(held.Held(), 0);
}
