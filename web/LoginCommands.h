#pragma once
// The login page's commands, carried out: registering the chosen account with the
// launcher, leaving, minimising.
#include <windows.h>

class CDialog;

namespace vorn {

// Interprets a navigation of the login page. FALSE: not a command, the navigation
// proceeds. TRUE: cancel it (every "app:" address); the command, if one is known, has been
// carried out, ending `background` with 1 (game chosen, g_strGameUrl set) or 2 (leave).
BOOL RunLoginCommand(const wchar_t* url, CDialog* background);

// Windows Vista or later with User Account Control on; any failure counts as off.
bool IsUserAccountControlOn();

}  // namespace vorn
