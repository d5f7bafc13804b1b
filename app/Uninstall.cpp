#include <windows.h>
#include <shlwapi.h>

#include "common/BuildSettings.h"
#include "app/CounterPing.h"
#include "app/Install.h"
#include "common/Settings.h"
#include "app/Shortcuts.h"
#include "skin/MessageBox.h"

namespace vorn {

void Uninstall() {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, settings::kRegKey);
    RemoveShortcuts();
    WriteSelfDeleteBatch();
    CountRunAndPing(COUNTER_UNINSTALL);
    ShowMessage(0, build::kWindowTitle,
                L"Vorn - Mirelund已成功移除，部分文件将在程序退出\r\n或计算机重启后自行删除", nullptr);
}

}  // namespace vorn
