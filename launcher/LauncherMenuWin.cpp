#include "launcher/LauncherMenuWin.h"

#include "common/BuildSettings.h"
#include "common/Settings.h"
#include "common/WideText.h"
#include "hotkeys/HotKeys.h"

namespace vorn::launcher {

HMENU CreateLauncherMenu(MenuKind kind) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return nullptr;
    HotKey boss;
    ReadHotKey(settings::kKeyBossKey, settings::kKeyBossKeyDefault, &boss.code, &boss.modifiers);
    for (const MenuItem& item :
         LauncherMenuItems(kind, FormatHotKeyText(boss.code, boss.modifiers), ToU16(build::kVersion))) {
        if (item.separator) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            // The version line's -1 travels as the item id TrackPopupMenu hands back.
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(static_cast<UINT>(item.command)),
                        ToWide(item.text).c_str());
        }
    }
    return menu;
}

}  // namespace vorn::launcher
