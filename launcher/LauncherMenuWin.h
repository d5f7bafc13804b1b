#pragma once
// The launcher's pop-up menus as system menus, built on demand from their item list with
// the boss key's name read from the settings file at that moment.
#include <windows.h>

#include "launcher/LauncherMenu.h"

namespace vorn::launcher {

// A new pop-up menu (the caller destroys it); null when the system has no menu to give.
HMENU CreateLauncherMenu(MenuKind kind);

}  // namespace vorn::launcher
