#include <gtest/gtest.h>

#include "launcher/KeyHookRules.h"
#include "launcher/LauncherMenu.h"

using namespace vorn::launcher;

TEST(KeyHook, GlobalKeysActOnPressesWithExactModifiersWhileThereAreTabs) {
    constexpr unsigned kKeyDown = 0x100, kKeyUp = 0x101, kSysKeyDown = 0x104, kSysKeyUp = 0x105;
    const vorn::HotKey f10{0x79, 0}, ctrlQ{0x51, 2};
    EXPECT_EQ(KeyHookAction(1, kSysKeyDown, 0x79, 0, f10, ctrlQ), HookAction::kToggleHide);  // F10 is a system key
    EXPECT_EQ(KeyHookAction(3, kKeyDown, 0x51, 2, f10, ctrlQ), HookAction::kToggleSound);
    // Only while a tab exists, only presses, and the modifiers must be exactly the key's.
    EXPECT_EQ(KeyHookAction(0, kSysKeyDown, 0x79, 0, f10, ctrlQ), HookAction::kNone);
    EXPECT_EQ(KeyHookAction(1, kSysKeyUp, 0x79, 0, f10, ctrlQ), HookAction::kNone);
    EXPECT_EQ(KeyHookAction(1, kKeyUp, 0x51, 2, f10, ctrlQ), HookAction::kNone);
    EXPECT_EQ(KeyHookAction(1, kKeyDown, 0x79, 4, f10, ctrlQ), HookAction::kNone);   // Shift+F10
    EXPECT_EQ(KeyHookAction(1, kKeyDown, 0x51, 0, f10, ctrlQ), HookAction::kNone);   // Q alone
    EXPECT_EQ(KeyHookAction(1, kKeyDown, 0x51, 6, f10, ctrlQ), HookAction::kNone);   // Ctrl+Shift+Q
    // A key stored as none never triggers, not even for a key event of code 0.
    const vorn::HotKey none{0, 0}, ctrlNone{0, 2};
    EXPECT_EQ(KeyHookAction(1, kKeyDown, 0, 0, none, none), HookAction::kNone);
    EXPECT_EQ(KeyHookAction(1, kKeyDown, 0, 2, ctrlNone, ctrlNone), HookAction::kNone);
    // One combination for both keys acts as the boss key only.
    EXPECT_EQ(KeyHookAction(1, kKeyDown, 0x51, 2, ctrlQ, ctrlQ), HookAction::kToggleHide);
}

TEST(KeyHook, OnlyAHotKeysOwnKeyCostsAQuestionForTheModifiers) {
    // Whatever the modifiers and the tab count, a key the hook acts on is one it asked about,
    // and it asks about no other key.
    const vorn::HotKey f10{0x79, 0}, ctrlQ{0x51, 2}, none{0, 0};
    for (const vorn::HotKey& sound : {ctrlQ, none}) {
        for (int tabs : {0, 1, 3}) {
            for (unsigned message : {0x100u, 0x101u, 0x104u, 0x105u}) {
                for (int vk = 0; vk < 256; ++vk) {
                    const bool asks = MayBeHotKey(tabs, message, vk, f10, sound);
                    EXPECT_EQ(asks, tabs > 0 && (message == 0x100u || message == 0x104u) &&
                                        (vk == 0x79 || (vk == sound.code && vk != 0)))
                        << vk;
                    for (int modifiers = 0; modifiers < 8; ++modifiers) {
                        if (KeyHookAction(tabs, message, vk, modifiers, f10, sound) != HookAction::kNone) {
                            EXPECT_TRUE(asks) << vk << " " << modifiers;
                        }
                    }
                }
            }
        }
    }
}

namespace {
std::vector<std::u16string> Texts(const std::vector<MenuItem>& items) {
    std::vector<std::u16string> texts;
    for (const MenuItem& item : items) texts.push_back(item.separator ? u"-" : item.text);
    return texts;
}
std::vector<int> Commands(const std::vector<MenuItem>& items) {
    std::vector<int> commands;
    for (const MenuItem& item : items) {
        if (!item.separator) commands.push_back(item.command);
    }
    return commands;
}
}  // namespace

TEST(LauncherMenus, ItemsInOrderWithTheBossKeyReadAtBuildTime) {
    const auto tray = LauncherMenuItems(MenuKind::kTray, u"F10", u"3.0.0.1");
    EXPECT_EQ(Texts(tray), (std::vector<std::u16string>{u"刷新 (F5)", u"隐藏/恢复(F10)", u"清除缓存", u"-", u"更新",
                                                       u"设置...", u"退出"}));
    EXPECT_EQ(Commands(tray), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    const auto system = LauncherMenuItems(MenuKind::kSystem, u"Ctrl  +  Shift  +  A", u"3.0.0.1");
    EXPECT_EQ(Texts(system), (std::vector<std::u16string>{u"刷新 (F5)", u"隐藏/恢复(Ctrl  +  Shift  +  A)", u"清除缓存",
                                                         u"-", u"更新", u"设置...", u"版本号: 3.0.0.1"}));
    EXPECT_EQ(Commands(system), (std::vector<int>{1, 2, 3, 4, 5, -1}));
    EXPECT_EQ(LauncherMenuItems(MenuKind::kTray, u"无", u"3.0.0.1")[1].text, u"隐藏/恢复(无)");
}

TEST(LauncherMenus, AnswersTellFailureFromSuccess) {
    EXPECT_EQ(CacheClearedText(true), u"缓存清除完毕！");
    EXPECT_EQ(CacheClearedText(false), u"部分缓存文件正在使用，未能全部清除。");
    EXPECT_EQ(NoUpdateText(true), u"已经是最新版本，无需进行更新。");
    EXPECT_EQ(NoUpdateText(false), u"检查更新失败，请稍后再试。");
}
