#include "web/LoginCommands.h"

#include <string>

#include "common/BuildSettings.h"
#include "common/GameMessages.h"
#include "common/Settings.h"
#include "framework/Dialog.h"
#include "skin/MessageBox.h"
#include "web/AppCommand.h"
#include "web/GameProcess.h"
#include "web/WebText.h"

namespace vorn {

namespace {

// Asks the launcher to take the key as a new tab's title; 0 means a tab with this key
// exists already.
LRESULT RegisterWithLauncher(HWND launcher, const std::u16string& key) {
    std::wstring text = WideOf(key);
    COPYDATASTRUCT data{};
    data.dwData = messages::kCopyDataTabTitle;
    data.cbData = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    data.lpData = text.data();
    return SendMessageW(launcher, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void LoadGame(const LoginRequest& request, CDialog* background) {
    // The game view runs elevated: a page that names a local file or a script instead of
    // the game has not logged anybody in. Checked before the title is registered, so no
    // tab title is held for a game that never starts.
    if (!IsGameAddress(request.gameUrl)) {
        ShowMessage(0, build::kWindowTitle, L"游戏地址无效，登录失败，请重新登录", nullptr);
        background->EndDialog(2);
        return;
    }
    const AccountKey key = SplitAccountPart(DecodeAccountPart(request.accountPart));
    const HWND launcher = GetGameProcess().launcherWnd;
    if (RegisterWithLauncher(launcher, key.Key()) == 0) {
        // No answer from a launcher that has gone is no refusal: the login just ends.
        if (!IsWindow(launcher)) {
            background->EndDialog(2);
            return;
        }
        ShowMessage(0, build::kWindowTitle, WideOf(DuplicateLoginMessage(key)).c_str(), nullptr);
        background->EndDialog(2);
        return;
    }
    g_strGameUrl = WideOf(request.gameUrl);
    background->EndDialog(1);
}

void Minimize(CDialog* background) {
    const GameProcess& process = GetGameProcess();
    if (process.launcherTabs > 0) {
        // The launcher keeps its other tabs; this login is given up.
        background->EndDialog(2);
    } else if (IsUserAccountControlOn()) {
        ShowWindow(background->m_hWnd, SW_MINIMIZE);
    } else {
        ShowWindow(process.launcherWnd, SW_MINIMIZE);
    }
}

}  // namespace

BOOL RunLoginCommand(const wchar_t* url, CDialog* background) {
    const LoginRequest request = ParseLoginCommand(U16View(url));
    if (request.command == LoginCommand::NotACommand) return FALSE;
    if (background == nullptr) return TRUE;
    switch (request.command) {
    case LoginCommand::LoadGame:
        LoadGame(request, background);
        break;
    case LoginCommand::ExitGame:
        background->EndDialog(2);
        break;
    case LoginCommand::Minimize:
        Minimize(background);
        break;
    default:
        break;  // an unknown word: cancelled, nothing else
    }
    return TRUE;
}

bool IsUserAccountControlOn() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&version) || version.dwMajorVersion <= 5) return false;
#pragma GCC diagnostic pop
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, settings::kPoliciesSystemKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD value = 0, type = 0, size = sizeof value;
    const bool on = RegQueryValueExW(key, settings::kEnableLuaValue, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                     &size) == ERROR_SUCCESS &&
                    type == REG_DWORD && value == 1;
    RegCloseKey(key);
    return on;
}

}  // namespace vorn
