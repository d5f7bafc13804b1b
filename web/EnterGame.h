#pragma once
// The game-hall page's "entergame" command: start another launcher of the platform from
// the data folder, or offer its download.
#include <windows.h>

namespace vorn {

// FALSE: not the command, the navigation proceeds. TRUE: cancel it; the command has been
// carried out when its launcher name was acceptable.
BOOL RunEnterGame(const wchar_t* url);

}  // namespace vorn
