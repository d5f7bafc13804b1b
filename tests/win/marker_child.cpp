// Started by the tests as another process: records how it was started in a file named
// after its own path with ".ran" appended, then ends.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t**) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring record = std::wstring(self) + L".ran";
    HANDLE file = CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const std::wstring text = std::to_wstring(argc) + L"\n" + GetCommandLineW() + L"\n" +
                              std::to_wstring(GetPriorityClass(GetCurrentProcess())) + L"\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}
