#include "web/EnterGame.h"

#include <shellapi.h>

#include <string>

#include "common/BuildSettings.h"
#include "common/Locations.h"
#include "common/StartGate.h"
#include "skin/MessageBox.h"
#include "web/AppCommand.h"
#include "web/GameProcess.h"
#include "web/WebText.h"
#include "common/ServiceAddress.h"

namespace vorn {

namespace {
constexpr wchar_t kHallTitle[] = L"VornTessaly游戏大厅";
constexpr wchar_t kDownloadQuestion[] = L"下载Tessaly登录器，玩游戏更加方便快捷，现在就去下载吧？";

void OpenPage(const std::wstring& page) {
    ShellExecuteW(nullptr, L"open", page.c_str(), nullptr, nullptr, SW_SHOW);
}
}  // namespace

BOOL RunEnterGame(const wchar_t* url, bool fromTopLevel) {
    const EnterGameRequest request = ParseEnterGame(U16View(url), U16View(PartnerHome().c_str()));
    if (!request.isCommand) return FALSE;
    if (!request.carryOut || !fromTopLevel) return TRUE;
    const std::wstring folder = DataFolderPath();
    const std::wstring path = folder + L"\\" + WideOf(request.name) + L".exe";
    if (folder.empty() || path.size() >= MAX_PATH) return TRUE;
    const GameProcess& process = GetGameProcess();
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        // Started elevated from the data folder: only from one nobody else can change, and
        // no faster than the launchers' own "new launcher" (a page may ask in a loop).
        if (process.startProgram != nullptr && SecureDataFolder(false) && PassLauncherStartGate()) {
            process.startProgram(path.c_str());
        }
        return TRUE;
    }
    const std::wstring page = WideOf(request.downloadPage);
    if (ShowMessage(1, kHallTitle, kDownloadQuestion, process.launcherWnd) == IDOK &&
        process.showGameDownload != nullptr) {
        process.showGameDownload(WideOf(request.name).c_str(), process.launcherWnd);
    } else {
        // "取消" or the close button: the page in the player's own browser.
        OpenPage(page);
    }
    return TRUE;
}

}  // namespace vorn
