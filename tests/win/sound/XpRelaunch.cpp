#include "XpRelaunch.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace vorn::testing_rig {

namespace {
constexpr wchar_t kChildMark[] = L"VORN_XP_CHILD";
}

bool IsXpChild() { return GetEnvironmentVariableW(kChildMark, nullptr, 0) != 0; }

int RunAgainUnderWindowsXp() {
    if (IsXpChild()) {
        std::printf("this Wine does not report Windows XP for the program\n");
        return 2;
    }
    wchar_t path[MAX_PATH];
    if (!GetModuleFileNameW(nullptr, path, MAX_PATH)) return 2;
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + name;
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return 2;
    static const wchar_t kVersion[] = L"winxp";
    RegSetValueExW(handle, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(kVersion), sizeof kVersion);
    RegCloseKey(handle);

    SetEnvironmentVariableW(kChildMark, L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = GetCommandLineW();
    DWORD exitCode = 2;
    std::fflush(stdout);
    if (CreateProcessW(path, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableW(kChildMark, nullptr);
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    return static_cast<int>(exitCode);
}

}  // namespace vorn::testing_rig
