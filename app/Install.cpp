#include "app/Install.h"

#include <objbase.h>

#include <cstring>
#include <string>

#include "common/BuildSettings.h"
#include "app/CounterPing.h"
#include "common/Locations.h"
#include "app/SelfDeleteBatch.h"
#include "common/Settings.h"
#include "app/Shortcuts.h"
#include "app/WayfrontApp.h"
#include "common/ModulePath.h"
#include "maintenance/FileHelpers.h"

namespace vorn {

void InstallToDataFolder() {
    const HRESULT com = CoInitialize(nullptr);
    const std::wstring folder = DataFolderPath();
    const std::wstring self = GetModulePath(nullptr);
    if (!folder.empty() && !self.empty()) {
        // One level at a time: the system creates only the last one.
        const std::wstring level1 = folder.substr(0, folder.size() - wcslen(settings::kDataFolderLevel2));
        CreateDirectoryW(level1.c_str(), nullptr);
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring target = folder + self.substr(self.rfind(L'\\'));
        if (target.size() < MAX_PATH) {
            if (lstrcmpiW(target.c_str(), self.c_str()) != 0) CopyFileW(self.c_str(), target.c_str(), FALSE);
            CreateDesktopShortcut(target.c_str());
            CreateStartMenuShortcut(kShortcutName, target.c_str(), kShortcutSwitch);
            CreateStartMenuShortcut(kUninstallShortcutName, target.c_str(), kUninstallSwitch);
            StartProgramCopy(target.c_str());
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

int AppendTextToFile(const char* path, const char* text) {
    if (path == nullptr || text == nullptr) return -1;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    SetFilePointer(file, 0, nullptr, FILE_END);
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text, length, &written, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!ok) {
        SetLastError(error);
        return -1;
    }
    return static_cast<int>(written);
}

BOOL WriteSelfDeleteBatch() {
    char temp[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, temp) == 0) return FALSE;
    char unique[MAX_PATH] = {};
    if (GetTempFileNameA(temp, "DelSelf", 0, unique) == 0) return FALSE;
    const std::string batch = std::string(unique) + ".bat";

    char exe[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return FALSE;
    const std::wstring self = GetModulePath(nullptr);
    const std::wstring folder = self.substr(0, self.rfind(L'\\'));
    const bool longForm = CountFilesInTree(folder.c_str()) <= 1;

    const auto text = SelfDeleteBatchText(exe, batch, longForm);
    if (!text || AppendTextToFile(batch.c_str(), text->c_str()) < 0) return FALSE;

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + batch + "\"";
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return FALSE;
    }
    SetThreadPriority(process.hThread, THREAD_PRIORITY_IDLE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return TRUE;
}

}  // namespace vorn
