#pragma once
// Paths of the helper programs built beside the test programs, and a way to wait for them.
#include <windows.h>

#include <string>

inline std::wstring BesideTests(const std::wstring& name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

// Runs a program with a command line and answers its exit code (-1 when it did not start
// or did not end within the time limit).
// The bound only ends a child that hangs: a crashing child writes a dump, which takes the
// debug helper seconds of CPU on a loaded machine, and then goes through Wine's debugger.
inline long RunAndWait(const std::wstring& application, std::wstring commandLine, DWORD timeoutMs = 180000) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(code);
}

// Waits until a file exists and is not empty.
inline bool WaitForFile(const std::wstring& path, DWORD timeoutMs = 15000) {
    const DWORD start = GetTickCount();
    for (;;) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow > 0) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}
