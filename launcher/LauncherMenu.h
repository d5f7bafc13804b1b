#pragma once
// The two pop-up menus of the launcher (under the "系统" button and on the tray icon), the
// commands they return, and the texts the commands answer with.
#include <string>
#include <string_view>
#include <vector>

namespace vorn::launcher {

// Values TrackPopupMenu returns; 0 is a dismissed menu.
enum MenuCommand : int {
    kMenuRefresh = 1,
    kMenuToggleHide = 2,
    kMenuClearCache = 3,
    kMenuUpdate = 4,
    kMenuSettings = 5,
    kMenuExit = 6,
    kMenuVersion = -1,  // an ordinary item that does nothing
};

enum class MenuKind { kSystem, kTray };

struct MenuItem {
    int command = 0;         // meaningless for a separator
    std::u16string text;     // empty for a separator
    bool separator = false;
    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

// The items in order. bossKeyText is the boss key's display text, read when the menu is
// built, so a changed key shows at once; version is the program's own.
std::vector<MenuItem> LauncherMenuItems(MenuKind kind, std::u16string_view bossKeyText, std::u16string_view version);

// What "清除缓存" says once the clearing has finished.
std::u16string_view CacheClearedText(bool everythingRemoved);

}  // namespace vorn::launcher
