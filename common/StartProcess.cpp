#include "common/StartProcess.h"

#include "common/KernelHandle.h"

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
    const KernelHandle thread(info.hThread);
    KernelHandle owned(info.hProcess);
    if (process != nullptr) *process = owned.Detach();  // the caller's to close from here on
    return TRUE;
}

}  // namespace vorn
