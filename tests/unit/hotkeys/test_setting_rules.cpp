#include <gtest/gtest.h>

#include "hotkeys/SettingRules.h"

using namespace vorn;

TEST(SettingRules, KeyPressesInTheBoxes) {
    struct Case {
        HotKeyBox box;
        int vk, mods, code;
        std::u16string text;
        int newCode;
    };
    const Case cases[] = {
        {HotKeyBox::Boss, 'T', kModCtrl, 121, u"Ctrl  +  T", 'T'},
        {HotKeyBox::Boss, 0x11, kModCtrl, 121, u"Ctrl  +  ", 121},          // Ctrl alone: unfinished
        {HotKeyBox::Sound, 0x08, 0, 81, u"无", 81},                         // Backspace clears, code kept
        {HotKeyBox::Switch, 0x2E, kModCtrl, 9, u"无", 9},                   // Delete too
        {HotKeyBox::Boss, 0x7B, 0, 121, u"无", 121},                        // F12 clears the boss box
        {HotKeyBox::Switch, 0x7B, kModShift, 9, u"Shift  +  ", 9},          // but is no key in the switch box
        {HotKeyBox::Switch, 0x09, kModCtrl, 65, u"Ctrl  +  Tab", 9},        // Tab only in the switch box
        {HotKeyBox::Sound, 0x09, kModCtrl, 81, u"Ctrl  +  ", 81},
        {HotKeyBox::Boss, 0x79, kModAlt, 121, u"Alt  +  F10", 0x79},
        {HotKeyBox::Boss, 'A', kModCtrl | kModShift | kModAlt, 1, u"Ctrl  +  Shift  +  Alt  +  A", 'A'},
        {HotKeyBox::Boss, 0x20, 0, 121, u"", 121},                          // Space is not allowed
    };
    for (const Case& c : cases) {
        const CapturedKey got = CaptureHotKey(c.box, c.vk, c.mods, c.code);
        EXPECT_EQ(got.text, c.text) << "vk " << c.vk;
        EXPECT_EQ(got.code, c.newCode) << "vk " << c.vk;
    }
}

TEST(SettingRules, BoxTextsBackToHotKeysAndConflicts) {
    EXPECT_EQ(HotKeyFromBoxText(u"Ctrl  +  T", 'T'), (HotKey{'T', kModCtrl}));
    EXPECT_EQ(HotKeyFromBoxText(u"无", 121), (HotKey{0, 0}));  // disabled
    EXPECT_EQ(HotKeyFromBoxText(u"Alt  +  F10", 0x79), (HotKey{0x79, kModAlt}));
    EXPECT_FALSE(HotKeyFromBoxText(u"Ctrl  +  ", 121).has_value());  // unfinished: keep the stored key
    EXPECT_FALSE(HotKeyFromBoxText(u"", 121).has_value());
    EXPECT_TRUE(BoxTextsConflict(u"无", u"Ctrl  +  Tab", u"无"));
    EXPECT_FALSE(BoxTextsConflict(u"F10", u"Ctrl  +  Tab", u"Ctrl  +  Q"));
}
