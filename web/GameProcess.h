#pragma once
// What the web windows of a game process share with the application: the launcher that
// started the process, and where the page's title and address are kept. The application
// fills it in before it opens any web window.
#include <windows.h>

#include <string>

class CGmWndView;

namespace vorn {

struct GameProcess {
    HWND launcherWnd = nullptr;          // the launcher main window from the command line
    int launcherTabs = 0;                // its tab count when it started this process
    std::wstring* pageTitle = nullptr;   // the application's title of the game page
    std::wstring* pageUrl = nullptr;     // and its current address
    // Starts a program file without arguments (the application's StartProgramCopy).
    BOOL (*startProgram)(const wchar_t* path) = nullptr;
    // The game download dialog for a launcher name, modal, owned by owner; when there is
    // none, the download page is opened instead.
    void (*showGameDownload)(const wchar_t* name, HWND owner) = nullptr;
};

GameProcess& GetGameProcess();

// The platform's pages on the hosts this build was made for.
std::wstring LoginPageUrl();
std::wstring GameHallUrl();

}  // namespace vorn

// The page the game view opens: the game-hall page until a login chooses a game.
extern std::wstring g_strGameUrl;
// The one game view of the process, once it exists.
extern CGmWndView* g_pGameView;
