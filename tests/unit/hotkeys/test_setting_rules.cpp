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

TEST(SettingRules, HotKeysAreStoredAllOrNothing) {
    const HotKey f10{0x79, 0}, f9{0x78, 0}, ctrlTab{9, 2}, altTab{9, 1}, ctrlQ{0x51, 2}, ctrlW{0x57, 2};
    const std::vector<HotKeyWrite> writes{{f9, f10}, {altTab, ctrlTab}, {ctrlW, ctrlQ}};
    std::vector<HotKey> file{f10, ctrlTab, ctrlQ};
    int failAt = 2, failRollbackAt = -1, calls = 0;
    const auto write = [&](std::size_t i, const HotKey& key) {
        const int call = calls++;
        if (call == failAt || call == failRollbackAt) return false;
        file[i] = key;
        return true;
    };
    // The sound key cannot be written: the two before it are put back, nothing changed.
    SaveOutcome outcome = SaveAllOrNothing(writes, write);
    EXPECT_FALSE(outcome.saved);
    EXPECT_FALSE(outcome.changed);
    EXPECT_EQ(file, (std::vector<HotKey>{f10, ctrlTab, ctrlQ}));
    // A value that cannot be put back stays changed, and says so (the launchers reload).
    calls = 0, failAt = 2, failRollbackAt = 3;
    outcome = SaveAllOrNothing(writes, write);
    EXPECT_FALSE(outcome.saved);
    EXPECT_TRUE(outcome.changed);
    EXPECT_EQ(file, (std::vector<HotKey>{f9, ctrlTab, ctrlQ}));
    // Everything written.
    calls = 0, failAt = -1, failRollbackAt = -1;
    outcome = SaveAllOrNothing(writes, write);
    EXPECT_TRUE(outcome.saved && outcome.changed);
    EXPECT_EQ(file, (std::vector<HotKey>{f9, altTab, ctrlW}));
}
