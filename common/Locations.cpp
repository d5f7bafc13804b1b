#include "common/Locations.h"

#include <windows.h>
#include <shlobj.h>

#include "common/Settings.h"
#include "common/ModulePath.h"

namespace vorn {

std::wstring DataFolderPath() {
    wchar_t common[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common))) return {};
    return std::wstring(common) + settings::kDataFolderSuffix;
}

std::wstring CounterIniPath() {
    const std::wstring folder = DataFolderPath();
    if (folder.empty()) return {};
    return folder + L"\\" + settings::kIniFileName;
}

std::wstring LocalIniPath() { return GetModulePath(settings::kIniFileName); }

void EnsureUnicodeIniFile(const std::wstring& path) {
    if (path.empty()) return;
    // CREATE_NEW fails on an existing file, so two processes cannot both write the mark.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    static const unsigned char kByteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file, kByteOrderMark, sizeof kByteOrderMark, &written, nullptr);
    CloseHandle(file);
}

}  // namespace vorn
