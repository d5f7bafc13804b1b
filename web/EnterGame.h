#pragma once
// The game-hall page's "entergame" command: start another launcher of the platform from
// the data folder, or offer its download.
#include <windows.h>

namespace vorn {

// FALSE: not the command, the navigation proceeds. TRUE: cancel it; the command has been
// carried out when it came from the page itself (`fromTopLevel`, not one of its frames),
// its launcher name was acceptable, and, for a start, when no launcher started on this
// machine within the last second and the data folder is the program's alone.
BOOL RunEnterGame(const wchar_t* url, bool fromTopLevel);

}  // namespace vorn
