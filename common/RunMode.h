#pragma once
// The role of a process, chosen once at start from its command line.
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

enum RunMode : int {
    MODE_INSTALL = 0,    // first run from outside the data folder
    MODE_PARTNER = 1,    // "/KovoD": open the sister product's home page
    MODE_SHORTCUT = 2,   // "/Zelqa7D": launcher with the scheduled update check
    MODE_INSTALLED = 3,  // run from the data folder: launcher
    MODE_UNINSTALL = 4,  // "/uninst"
    MODE_UPDATE = 5,     // "/update": forced update, else launcher
    MODE_NEWGM = 6,      // "/newgm /<hwnd> /<tabs>": login, then game window
    MODE_GMHALL = 7,     // "/gmhall /<hwnd>": game-hall window without login
};

struct RunModeChoice {
    int mode = MODE_INSTALL;
    int launcherWnd = 0;   // window handle value given to "/newgm" and "/gmhall"
    int launcherTabs = 0;  // tab count given to "/newgm"
};

// args is the whole argument vector (args[0] is the program). The executable's path and
// the data folder are compared as given, so callers pass them upper-cased; the executable
// counts as installed when its path begins with the whole data folder and a "\".
RunModeChoice ChooseRunMode(const std::vector<std::u16string>& args,
                            std::u16string_view exePathUpper,
                            std::u16string_view dataFolderUpper);

// Reads a number argument of "/newgm" or "/gmhall": the text is first cut to what a
// buffer of bufferChars characters holds (terminator included), then read from its
// second character on, whatever the first one is. Missing or empty text reads as 0.
int ReadNumberArgument(const std::u16string* argument, size_t bufferChars);

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace vorn
