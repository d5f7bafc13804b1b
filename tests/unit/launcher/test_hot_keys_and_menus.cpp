#include <gtest/gtest.h>

#include "hotkeys/HotKeyFormat.h"
#include "launcher/LauncherMenu.h"

using namespace vorn::launcher;

namespace {
constexpr unsigned kKeyDown = 0x100, kKeyUp = 0x101, kSysKeyDown = 0x104, kSysKeyUp = 0x105;
const vorn::HotKeySet kDefaults{{0x79, 0}, {0x09, 2}, {0x51, 2}};  // F10, Ctrl+Tab, Ctrl+Q
}  // namespace

TEST(HotKeyRoles, GlobalKeysActOnPressesWithExactModifiersWhileThereAreTabs) {
    using vorn::HotKeyRole;
    const vorn::KeyPressContext hook{true, 1, false}, noTab{true, 0, false};
    const auto role = [](const vorn::HotKeySet& keys, unsigned m, int vk, int mods,
                         const vorn::KeyPressContext& where, std::intptr_t lParam = 0) {
        return vorn::HotKeyRoleOf(keys, m, vk, lParam, mods, where);
    };
    EXPECT_EQ(role(kDefaults, kSysKeyDown, 0x79, 0, hook), HotKeyRole::kBoss);  // F10 is a system key
    EXPECT_EQ(role(kDefaults, kKeyDown, 0x51, 2, hook), HotKeyRole::kSound);
    // Only while a tab exists, only presses, and the modifiers must be exactly the key's.
    EXPECT_EQ(role(kDefaults, kSysKeyDown, 0x79, 0, noTab), HotKeyRole::kNone);
    EXPECT_EQ(role(kDefaults, kSysKeyUp, 0x79, 0, hook), HotKeyRole::kNone);
    EXPECT_EQ(role(kDefaults, kKeyUp, 0x51, 2, hook), HotKeyRole::kNone);
    EXPECT_EQ(role(kDefaults, kKeyDown, 0x79, 4, hook), HotKeyRole::kNone);  // Shift+F10
    EXPECT_EQ(role(kDefaults, kKeyDown, 0x51, 6, hook), HotKeyRole::kNone);  // Ctrl+Shift+Q
    // The switch key counts in the launcher's own windows only, with or without tabs.
    EXPECT_EQ(role(kDefaults, kKeyDown, 0x09, 2, hook), HotKeyRole::kNone);
    EXPECT_EQ(role(kDefaults, kKeyDown, 0x09, 2, {false, 0, false}), HotKeyRole::kSwitch);
    // Typed into a key box of the settings dialog, every hot key is only a setting.
    for (int vk : {0x79, 0x51, 0x09}) {
        EXPECT_EQ(role(kDefaults, kKeyDown, vk, vk == 0x79 ? 0 : 2, {false, 1, true}), HotKeyRole::kNone) << vk;
        EXPECT_FALSE(vorn::MayBeHotKey(kDefaults, kKeyDown, vk, {true, 1, true})) << vk;
    }
    // The program's own F5 (the menu's refresh) is no hot key even when F5 is one.
    const vorn::HotKeySet f5Sound{{0x79, 0}, {0x09, 2}, {0x74, 0}};
    EXPECT_EQ(role(f5Sound, kKeyDown, 0x74, 0, {false, 2, false}, 7261), HotKeyRole::kNone);
    EXPECT_EQ(role(f5Sound, kKeyDown, 0x74, 0, {false, 2, false}, 1), HotKeyRole::kSound);
    // A key stored as none never triggers, not even for a key event of code 0.
    const vorn::HotKeySet none{{0, 0}, {0, 0}, {0, 2}};
    EXPECT_EQ(role(none, kKeyDown, 0, 0, hook), HotKeyRole::kNone);
    EXPECT_EQ(role(none, kKeyDown, 0, 2, {false, 1, false}), HotKeyRole::kNone);
    // One combination for two keys acts as the boss key only.
    const vorn::HotKeySet same{{0x51, 2}, {0x51, 2}, {0x51, 2}};
    EXPECT_EQ(role(same, kKeyDown, 0x51, 2, {false, 1, false}), HotKeyRole::kBoss);
}

TEST(HotKeyRoles, OnlyAHotKeysOwnKeyCostsAQuestionForTheModifiers) {
    // Whatever the modifiers and the tab count, a key the hook acts on is one it asked about,
    // and it asks about no other key.
    for (const vorn::HotKey& sound : {vorn::HotKey{0x51, 2}, vorn::HotKey{0, 0}}) {
        const vorn::HotKeySet keys{{0x79, 0}, {0x09, 2}, sound};
        for (int tabs : {0, 1, 3}) {
            const vorn::KeyPressContext hook{true, tabs, false};
            for (unsigned message : {kKeyDown, kKeyUp, kSysKeyDown, kSysKeyUp}) {
                for (int vk = 0; vk < 256; ++vk) {
                    const bool asks = vorn::MayBeHotKey(keys, message, vk, hook);
                    EXPECT_EQ(asks, tabs > 0 && (message == kKeyDown || message == kSysKeyDown) &&
                                        (vk == 0x79 || (vk == sound.code && vk != 0)))
                        << vk;
                    for (int modifiers = 0; modifiers < 8; ++modifiers) {
                        if (vorn::HotKeyRoleOf(keys, message, vk, 0, modifiers, hook) != vorn::HotKeyRole::kNone) {
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
}
