#include "web/GameProcess.h"

#include "common/BuildSettings.h"
#include "common/ServiceAddress.h"

namespace vorn {

GameProcess& GetGameProcess() {
    static GameProcess process;
    return process;
}

std::wstring LoginPageUrl() { return std::wstring(L"http://") + LoginHost() + L"/act/wd/main/index/277"; }

std::wstring GameHallUrl() { return std::wstring(L"http://") + ServiceHost() + L"/webgame.htm"; }

}  // namespace vorn

std::wstring g_strGameUrl = vorn::GameHallUrl();
CGmWndView* g_pGameView = nullptr;
