#include "common/Locations.h"

#include <windows.h>
#include <shlobj.h>

#include "common/FileReplace.h"
#include "common/KernelHandle.h"
#include "common/Settings.h"
#include "common/ModulePath.h"

namespace vorn {

std::wstring DataFolderPath() {
    wchar_t common[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common))) return {};
    return std::wstring(common) + settings::kDataFolderSuffix;
}

bool SecureDataFolder(bool create) {
    const std::wstring folder = DataFolderPath();
    if (folder.empty()) return false;
    // One level at a time, the outer first: the inner one is judged only once nobody else
    // can swap what leads to it.
    const std::wstring level1 = folder.substr(0, folder.size() - wcslen(settings::kDataFolderLevel2));
    return SecureFolder(level1, create) && SecureFolder(folder, create);
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
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    static const unsigned char kByteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file.get(), kByteOrderMark, sizeof kByteOrderMark, &written, nullptr);
}

}  // namespace vorn
