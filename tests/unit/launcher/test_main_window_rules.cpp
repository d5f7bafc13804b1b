#include <gtest/gtest.h>

#include "launcher/MainWindowRules.h"

using namespace vorn::launcher;

TEST(MainWindowLayout, GameWindowsAndMinimumSize) {
    EXPECT_EQ(GameWindowRect(1280, 800), (Rect{4, 30, 1276, 796}));
    EXPECT_EQ(GameWindowRect(1, 1), (Rect{4, 30, 4, 30}));  // the 1 x 1 start: empty, not inverted
    EXPECT_EQ(MinimumWindowSize(1, {100, 100}), (Size{672, 260}));
    EXPECT_EQ(MinimumWindowSize(3, {1049, 900}), (Size{1050, 900}));
    EXPECT_EQ(MinimumWindowSize(0, {1, 1}), (Size{1, 1}));
    const CaptionControls c = CaptionControlRects(1000);
    EXPECT_EQ(c.hide, (Rect{886, 0, 913, 27}));
    EXPECT_EQ(c.link, (Rect{715, 7, 807, 23}));
}

TEST(MainWindowLayout, CommandLinesQuoteThePathAndKeepTheNumbersReadable) {
    EXPECT_EQ(TabProcessCommandLine(u"C:\\Program Files\\Zelqa7.exe", 65618, 0),
              u"\"C:\\Program Files\\Zelqa7.exe\" /newgm /65618 /0");
    // A handle travels as its signed 32-bit value.
    EXPECT_EQ(TabProcessCommandLine(u"a.exe", -2147483647 - 1, 2), u"\"a.exe\" /newgm /-2147483648 /2");
    EXPECT_EQ(UpdaterCommandLine(u"C:\\x y\\Zelqa7.exe"), u"\"C:\\x y\\Zelqa7.exe\" /update");
}

TEST(MainWindowRules, QueuedMessages) {
    using vorn::HotKeyRole;
    using vorn::messages::kOwnMessageMarker;
    constexpr unsigned kKeyDown = 0x100, kChar = 0x102, kSysKeyDown = 0x104, kSysCommand = 0x112;
    const auto classify = [&](unsigned m, std::uintptr_t w, std::intptr_t l, int tabs = 1, bool toMain = true,
                              HotKeyRole role = HotKeyRole::kNone) {
        return ClassifyQueuedMessage({m, w, l}, toMain, role, tabs);
    };
    EXPECT_EQ(classify(kKeyDown, 9, 1, 1, true, HotKeyRole::kSwitch), QueuedAction::kNextTab);
    EXPECT_EQ(classify(kSysKeyDown, 9, 1, 0, false, HotKeyRole::kSwitch), QueuedAction::kNextTab);
    EXPECT_EQ(classify(kKeyDown, 0x1B, 1), QueuedAction::kSwallow);
    EXPECT_EQ(classify(kKeyDown, 0x20, 1, 0), QueuedAction::kSwallow);
    // F5 and Ctrl+D (scan code of D, no flags) go to the tab, but only while there is one;
    // F5 also when it is the sound key, for the game window to judge.
    EXPECT_EQ(classify(kKeyDown, 0x74, kOwnMessageMarker), QueuedAction::kForwardToTab);
    EXPECT_EQ(classify(kKeyDown, 0x74, 1, 1, true, HotKeyRole::kSound), QueuedAction::kForwardToTab);
    EXPECT_EQ(classify(kKeyDown, 0x74, 1, 0), QueuedAction::kPass);
    EXPECT_EQ(classify(kChar, 4, 0x00200001), QueuedAction::kForwardToTab);
    EXPECT_EQ(classify(kChar, 4, 0x40200001), QueuedAction::kPass);
    // Close requests: a cancelled login, or the close button while only a login shows. A
    // cancelled login beside tabs never reaches the exit question, whatever is pending.
    EXPECT_EQ(classify(kSysCommand, 0xF060, kOwnMessageMarker, 0), QueuedAction::kExit);
    EXPECT_EQ(classify(kSysCommand, 0xF060, kOwnMessageMarker, 2), QueuedAction::kSwallow);
    EXPECT_EQ(classify(kSysCommand, 0xF063, 0, 0), QueuedAction::kEndPendingAndExit);
    EXPECT_EQ(classify(kSysCommand, 0xF060, 0, 1), QueuedAction::kPass);  // asks first
    EXPECT_EQ(classify(kSysCommand, 0xF120, 0, 0), QueuedAction::kRestoreThenPass);
    // A message box's own close button is not the launcher's.
    EXPECT_EQ(classify(kSysCommand, 0xF060, 0, 0, false), QueuedAction::kPass);
    EXPECT_EQ(classify(kSysCommand, 0xF060, kOwnMessageMarker, 0, false), QueuedAction::kPass);
}
