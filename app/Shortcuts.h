#pragma once
// The launcher's shortcuts on the all-users desktop and in its Start-menu folder.
#include <windows.h>

namespace vorn {

inline constexpr wchar_t kShortcutName[] = L"VornMirelund登录器";
inline constexpr wchar_t kUninstallShortcutName[] = L"卸载 VornMirelund登录器";
inline constexpr wchar_t kStartMenuFolder[] = L"Vorn登录器";
inline constexpr wchar_t kForeignDesktopShortcut[] = L"Fennix网页游戏";
inline constexpr wchar_t kShortcutSwitch[] = L"/Zelqa7D";
inline constexpr wchar_t kUninstallSwitch[] = L"/uninst";

BOOL CreateShellShortcut(const wchar_t* linkPath, const wchar_t* target, const wchar_t* description,
                         const wchar_t* arguments);
BOOL CreateDesktopShortcut(const wchar_t* target);
BOOL CreateStartMenuShortcut(const wchar_t* name, const wchar_t* target, const wchar_t* arguments);
BOOL DeleteDesktopShortcut(const wchar_t* name);
BOOL DeleteStartMenuShortcut(const wchar_t* name);
void RemoveShortcuts();

}  // namespace vorn
