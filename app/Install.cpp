#include "app/Install.h"

#include <objbase.h>
#include <sddl.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/BuildSettings.h"
#include "app/CounterPing.h"
#include "common/Locations.h"
#include "app/SelfDeleteBatch.h"
#include "common/Settings.h"
#include "app/Shortcuts.h"
#include "app/WayfrontApp.h"
#include "common/FileReplace.h"
#include "common/KernelHandle.h"
#include "common/WideText.h"
#include "common/ModulePath.h"
#include "common/TestSeam.h"
#include "maintenance/FileHelpers.h"

namespace vorn {

namespace {
constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";
// The uninstall batch: the system and administrators only, nothing inherited.
constexpr wchar_t kBatchRights[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)";
}  // namespace

bool CreateDataFolder() { return SecureDataFolder(true); }

namespace {

// Both files hold the same bytes (the installed copy is whole and is this release).
bool SameContent(const std::wstring& a, const std::wstring& b) {
    auto open = [](const std::wstring& path) {
        return KernelHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    };
    const KernelHandle x = open(a), y = open(b);
    LARGE_INTEGER xs{}, ys{};
    if (!x || !y || !GetFileSizeEx(x.get(), &xs) || !GetFileSizeEx(y.get(), &ys) || xs.QuadPart != ys.QuadPart) {
        return false;
    }
    std::vector<char> xb(64 * 1024), yb(64 * 1024);
    for (;;) {
        DWORD xn = 0, yn = 0;
        if (!ReadFile(x.get(), xb.data(), static_cast<DWORD>(xb.size()), &xn, nullptr) ||
            !ReadFile(y.get(), yb.data(), static_cast<DWORD>(yb.size()), &yn, nullptr) || xn != yn) {
            return false;
        }
        if (xn == 0) return true;
        if (std::memcmp(xb.data(), yb.data(), xn) != 0) return false;
    }
}

// The launcher main window of a running launcher (message boxes share its title and class,
// not its taskbar style), brought to the front; false when none runs.
bool BringUpRunningLauncher() {
    HWND found = nullptr;
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", build::kWindowTitle); window != nullptr;
         window = FindWindowExW(nullptr, window, L"#32770", build::kWindowTitle)) {
        if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0) {
            found = window;
            break;
        }
    }
    if (found == nullptr) return false;
    ShowWindow(found, IsIconic(found) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(found);
    return true;
}

// The paths an earlier uninstall left to be deleted at the next restart, that this install
// puts back.
void KeepAfterRestart(const std::vector<std::wstring>& paths) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, kPendingRenamesValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ && size > 0) {
        std::u16string list(size / sizeof(char16_t), u'\0');
        if (RegQueryValueExW(key, kPendingRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(list.data()), &size) ==
            ERROR_SUCCESS) {
            list.resize(size / sizeof(char16_t));
            std::vector<std::u16string> kept;
            for (const std::wstring& path : paths) kept.push_back(ToU16(path));
            const std::u16string rest = WithoutPendingDeletes(list, kept);
            if (rest != list) {
                if (rest.empty()) {
                    RegDeleteValueW(key, kPendingRenamesValue);
                } else {
                    RegSetValueExW(key, kPendingRenamesValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(rest.data()),
                                   static_cast<DWORD>(rest.size() * sizeof(char16_t)));
                }
            }
        }
    }
    RegCloseKey(key);
}

}  // namespace

bool InstallToDataFolder() {
    const HRESULT com = CoInitialize(nullptr);
    const std::wstring folder = DataFolderPath();
    const std::wstring self = GetModulePath(nullptr);
    bool installed = false;
    if (!folder.empty() && !self.empty() && CreateDataFolder()) {
        const std::wstring target = folder + self.substr(self.rfind(L'\\'));
        bool sameRelease = false;
        if (target.size() < MAX_PATH) {
            // This release in place already (its launcher may be running, which keeps the
            // file from being replaced): nothing to copy, the rest of the install goes on.
            sameRelease = lstrcmpiW(target.c_str(), self.c_str()) == 0 || SameContent(self, target);
            installed = sameRelease || CopyIntoPlace(self, target, "install") == ReplaceStep::kDone;
        }
        if (installed) {
            // An uninstall before this one may have left the file to go at the next restart.
            KeepAfterRestart({target, folder});
            (void)StepFailsForTest("install.shortcuts");  // a point to be killed at, nothing to fail
            CreateDesktopShortcut(target.c_str());
            CreateStartMenuShortcut(kShortcutName, target.c_str(), kShortcutSwitch);
            CreateStartMenuShortcut(kUninstallShortcutName, target.c_str(), kUninstallSwitch);
            if (!sameRelease || !BringUpRunningLauncher()) StartProgramCopy(target.c_str());
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return installed;
}

int AppendTextToFile(const char* path, const char* text) {
    if (path == nullptr || text == nullptr) return -1;
    KernelHandle file(
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return -1;
    SetFilePointer(file.get(), 0, nullptr, FILE_END);
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    DWORD written = 0;
    const BOOL ok = WriteFile(file.get(), text, length, &written, nullptr);
    const DWORD error = GetLastError();
    file.Close();
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

// A new batch file in the system's own temporary folder, with rights that let only the
// system and administrators at it: the batch runs elevated and cmd reads it again line by
// line, so nobody else may change it. Its path, or nothing.
std::wstring NewBatchFile(KernelHandle& file) {
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 32) return {};
    const std::wstring base = std::wstring(windows, length) + L"\\Temp\\VornDel";
    PSECURITY_DESCRIPTOR rights = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kBatchRights, SDDL_REVISION_1, &rights, nullptr)) return {};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, rights, FALSE};
    std::wstring made;
    ULONGLONG seed = GetTickCount64() * 2654435761u + GetCurrentProcessId();
    for (int attempt = 0; attempt < 16 && made.empty(); ++attempt) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        wchar_t suffix[20];
        wsprintfW(suffix, L"%08X.bat", static_cast<unsigned>(seed >> 32));
        const std::wstring path = base + suffix;
        // A new file only: one of that name made by someone else is not written into.
        file.Attach(CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            made = path;
        } else if (GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    LocalFree(rights);
    return made;
}

// Whatever the batch cannot delete (a launcher still running the executable when it gives
// up, or no batch at all) goes when the machine next starts: files before their folders.
void DeleteAtRestart(const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) {
        if (!path.empty()) MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

}  // namespace

BOOL WriteSelfDeleteBatch() {
    const std::wstring exe = GetModulePath(nullptr);
    if (exe.empty()) return FALSE;
    const std::wstring folder = exe.substr(0, exe.rfind(L'\\'));
    const bool longForm = CountFilesInTree(folder.c_str()) <= 1;
    const int tries = TestCountOr("uninstall.tries", kDeleteTries);
    // The executable stays where it is (a launcher still running from it goes on starting
    // its tabs) until the batch deletes it.
    DeleteAtRestart({exe, longForm ? folder : std::wstring()});

    // Every program the batch runs by the system's own full path, found here rather than by
    // cmd's search (which looks in the current folder first).
    wchar_t system[MAX_PATH] = {};
    const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH - 16) return FALSE;
    const std::wstring systemFolder(system, systemLength);
    const std::wstring cmd = systemFolder + L"\\cmd.exe";
    const std::wstring ping = systemFolder + L"\\PING.EXE";

    KernelHandle file;
    const std::wstring batch = NewBatchFile(file);
    if (batch.empty()) return FALSE;
    DeleteAtRestart({batch});

    const auto pingText = BatchPath(ping), exeText = BatchPath(exe), batchText = BatchPath(batch);
    const auto folderText = longForm ? BatchPath(folder) : std::optional<std::string>("");
    const auto text = pingText && exeText && batchText && folderText
                          ? SelfDeleteBatchText(*pingText, *exeText, *folderText, *batchText, tries)
                          : std::nullopt;
    DWORD written = 0;
    const bool saved = text && WriteFile(file.get(), text->data(), static_cast<DWORD>(text->size()), &written, nullptr) &&
                       written == text->size() && FlushFileBuffers(file.get());
    file.Close();
    if (!saved) {
        DeleteFileW(batch.c_str());
        return FALSE;
    }

    // The current folder is the system's, not one of this process's or the player's.
    std::wstring commandLine = L"cmd.exe /d /c \"" + batch + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(cmd.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, systemFolder.c_str(),
                        &startup, &started)) {
        return FALSE;
    }
    const KernelHandle process(started.hProcess), thread(started.hThread);
    SetThreadPriority(thread.get(), THREAD_PRIORITY_IDLE);
    return TRUE;
}

}  // namespace vorn
