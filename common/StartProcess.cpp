#include "common/StartProcess.h"

namespace vorn {

BOOL StartProcess(const wchar_t* application, std::wstring commandLine, HANDLE* process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(application, commandLine.data(), nullptr, nullptr, FALSE, IDLE_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &info)) {
        return FALSE;
    }
    CloseHandle(info.hThread);
    if (process != nullptr) {
        *process = info.hProcess;
    } else {
        CloseHandle(info.hProcess);
    }
    return TRUE;
}

}  // namespace vorn
