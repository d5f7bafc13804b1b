#include <windows.h>
#include <shlwapi.h>

#include "common/BuildSettings.h"
#include "app/CounterPing.h"
#include "app/Install.h"
#include "app/WayfrontApp.h"
#include "common/Settings.h"
#include "app/Shortcuts.h"
#include "skin/MessageBox.h"

namespace vorn {

namespace {
// How long the batch's start waits for the uninstall report; the report has its own
// network deadlines, this only keeps a stuck one from holding the executable.
constexpr DWORD kReportWaitMs = 30000;
}  // namespace

void Uninstall() {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, settings::kRegKey);
    RemoveShortcuts();
    CountRunAndPing(COUNTER_UNINSTALL);
    ShowMessage(0, build::kWindowTitle,
                L"Vorn - Mirelund已成功移除，部分文件将在程序退出\r\n或计算机重启后自行删除", nullptr);
    // The batch tries for a bounded time only, so it starts when this process is about
    // to end: after the player's answer and the report.
    if (CWayfront3App* app = GetWayfrontApp(); app != nullptr && app->m_hPingDone) {
        WaitForSingleObject(app->m_hPingDone.get(), kReportWaitMs);
    }
    WriteSelfDeleteBatch();
}

}  // namespace vorn
