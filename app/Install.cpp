#include "app/Install.h"

#include <objbase.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/BuildSettings.h"
#include "app/CounterPing.h"
#include "common/Locations.h"
#include "app/SelfDeleteBatch.h"
#include "common/Settings.h"
#include "app/Shortcuts.h"
#include "app/WayfrontApp.h"
#include "common/FileReplace.h"
#include "common/ModulePath.h"
#include "common/TestSeam.h"
#include "maintenance/FileHelpers.h"

namespace vorn {

bool CreateDataFolder() {
    const std::wstring folder = DataFolderPath();
    if (folder.empty()) return false;
    // One level at a time: the system creates only the last one.
    const std::wstring level1 = folder.substr(0, folder.size() - wcslen(settings::kDataFolderLevel2));
    return CreateProtectedFolder(level1) && CreateProtectedFolder(folder);
}

bool InstallToDataFolder() {
    const HRESULT com = CoInitialize(nullptr);
    const std::wstring folder = DataFolderPath();
    const std::wstring self = GetModulePath(nullptr);
    bool installed = false;
    if (!folder.empty() && !self.empty() && CreateDataFolder()) {
        const std::wstring target = folder + self.substr(self.rfind(L'\\'));
        if (target.size() < MAX_PATH) {
            installed = lstrcmpiW(target.c_str(), self.c_str()) == 0 ||
                        CopyIntoPlace(self, target, "install") == ReplaceStep::kDone;
        }
        if (installed) {
            (void)StepFailsForTest("install.shortcuts");  // a point to be killed at, nothing to fail
            CreateDesktopShortcut(target.c_str());
            CreateStartMenuShortcut(kShortcutName, target.c_str(), kShortcutSwitch);
            CreateStartMenuShortcut(kUninstallShortcutName, target.c_str(), kUninstallSwitch);
            StartProgramCopy(target.c_str());
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return installed;
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

namespace {

// About a minute of tries: long enough for the uninstalling process to end, short enough
// that a game process still running the executable does not keep the batch for ever.
constexpr int kDeleteTries = 60;

// The path in the ANSI code page the batch is read in; nothing when a character of it
// has no place there.
std::optional<std::string> AnsiText(const std::wstring& path) {
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (n <= 1 || lossy) return std::nullopt;
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, text.data(), n, nullptr, &lossy);
    text.resize(static_cast<size_t>(n - 1));
    if (lossy) return std::nullopt;
    return text;
}

// As AnsiText, falling back to the system's short name of the path.
std::optional<std::string> BatchPath(const std::wstring& path) {
    if (auto text = AnsiText(path)) return text;
    wchar_t shortPath[MAX_PATH];
    const DWORD n = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::nullopt;
    return AnsiText(shortPath);
}

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

}  // namespace

BOOL WriteSelfDeleteBatch() {
    wchar_t temp[MAX_PATH] = {};
    const DWORD tempLength = GetTempPathW(MAX_PATH, temp);
    if (tempLength == 0 || tempLength >= MAX_PATH) return FALSE;
    wchar_t unique[MAX_PATH] = {};
    if (GetTempFileNameW(temp, L"DelSelf", 0, unique) == 0) return FALSE;
    // The batch runs in the temporary folder and names its files there by their plain ASCII
    // names ("DelXXXX.tmp.bat"): cmd would expand a "%" in a path of the player's, and reads
    // the batch in the ANSI code page, which may not hold every character of it.
    const std::wstring batch = std::wstring(unique) + L".bat";
    const std::wstring parked = std::wstring(unique) + L".exe";

    const std::wstring exe = GetModulePath(nullptr);
    if (exe.empty()) return FALSE;
    const std::wstring folder = exe.substr(0, exe.rfind(L'\\'));
    const bool longForm = CountFilesInTree(folder.c_str()) <= 1;
    const int tries = TestCountOr("uninstall.tries", kDeleteTries);

    // A running executable may be renamed: moved beside the batch, it is deleted by its
    // plain name, and its folder empties now. Across drives it stays where it is and the
    // batch names it by its path (or short name) in the code page.
    std::optional<std::string> text;
    SetCurrentDirectoryW(temp);  // the folder to remove must not be this process's
    if (MoveFileExW(exe.c_str(), parked.c_str(), 0)) {
        if (longForm) RemoveDirectoryW(folder.c_str());
        text = SelfDeleteBatchText(AnsiText(FileNameOf(parked)).value_or(""), "",
                                   AnsiText(FileNameOf(batch)).value_or(""), tries);
    } else {
        const auto exeText = BatchPath(exe);
        const auto folderText = longForm ? BatchPath(folder) : std::optional<std::string>("");
        if (exeText && folderText) {
            text = SelfDeleteBatchText(*exeText, *folderText, AnsiText(FileNameOf(batch)).value_or(""), tries);
        }
    }
    if (!text) return FALSE;

    HANDLE file = CreateFileW(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    DWORD written = 0;
    const bool saved = WriteFile(file, text->data(), static_cast<DWORD>(text->size()), &written, nullptr) &&
                       written == text->size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!saved) {
        DeleteFileW(batch.c_str());
        return FALSE;
    }

    wchar_t system[MAX_PATH] = {};
    const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH - 9) return FALSE;
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    std::wstring commandLine = L"cmd.exe /d /c \"" + FileNameOf(batch) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(cmd.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, temp, &startup,
                        &process)) {
        return FALSE;
    }
    SetThreadPriority(process.hThread, THREAD_PRIORITY_IDLE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return TRUE;
}

}  // namespace vorn
