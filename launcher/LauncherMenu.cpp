#include "launcher/LauncherMenu.h"

namespace vorn::launcher {

std::vector<MenuItem> LauncherMenuItems(MenuKind kind, std::u16string_view bossKeyText,
                                        std::u16string_view version) {
    std::u16string hide = u"隐藏/恢复(";
    hide += bossKeyText;
    hide += u")";
    std::vector<MenuItem> items{
        {kMenuRefresh, u"刷新 (F5)", false},
        {kMenuToggleHide, std::move(hide), false},
        {kMenuClearCache, u"清除缓存", false},
        {0, u"", true},
        {kMenuUpdate, u"更新", false},
        {kMenuSettings, u"设置...", false},
    };
    if (kind == MenuKind::kSystem) {
        std::u16string line = u"版本号: ";
        line += version;
        items.push_back({kMenuVersion, std::move(line), false});
    } else {
        items.push_back({kMenuExit, u"退出", false});
    }
    return items;
}

std::u16string_view CacheClearedText(bool everythingRemoved) {
    return everythingRemoved ? u"缓存清除完毕！" : u"部分缓存文件正在使用，未能全部清除。";
}

}  // namespace vorn::launcher
