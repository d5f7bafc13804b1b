#pragma once
// Starts the stand-in launcher (vorn_test_launcher.exe) as another process and reads what
// it logged.
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "ChildPrograms.h"
#include "TempFolder.h"

class TestLauncher {
public:
    explicit TestLauncher(const std::wstring& preRegistered = L"") {
        m_log = m_folder.path() + L"\\launcher.log";
        std::wstring commandLine = L"\"" + BesideTests(L"vorn_test_launcher.exe") + L"\" \"" + m_log + L"\"";
        if (!preRegistered.empty()) commandLine += L" \"" + preRegistered + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process)) {
            return;
        }
        const DWORD start = GetTickCount();
        while (m_hwnd == nullptr && GetTickCount() - start < 15000) {
            for (const std::string& line : Lines()) {
                if (line.rfind("hwnd ", 0) == 0) {
                    m_hwnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::stoll(line.substr(5))));
                }
            }
            Sleep(20);
        }
    }
    ~TestLauncher() {
        if (m_process.hProcess == nullptr) return;
        if (IsWindow(m_hwnd)) PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_process.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(m_process.hProcess, 1);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    HWND hwnd() const { return m_hwnd; }
    HANDLE process() const { return m_process.hProcess; }
    // Ends the stand-in at once, as a crash or a kill would.
    void Kill() { TerminateProcess(m_process.hProcess, 9); }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        FILE* in = _wfopen(m_log.c_str(), L"rb");
        if (in == nullptr) return lines;
        std::string text;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
        fclose(in);
        std::istringstream stream(text);
        std::string line;
        while (std::getline(stream, line)) lines.push_back(line);
        return lines;
    }
    // The logged lines after the first (the handle), in UTF-8.
    std::vector<std::string> Messages() const {
        std::vector<std::string> lines = Lines();
        if (!lines.empty()) lines.erase(lines.begin());
        return lines;
    }

private:
    TempFolder m_folder;
    std::wstring m_log;
    PROCESS_INFORMATION m_process{};
    HWND m_hwnd = nullptr;
};
