#include "common/ModulePath.h"

#include "common/PathRules.h"

namespace vorn {

std::wstring GetModulePath(const wchar_t* name) {
    wchar_t exePath[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::u16string u16Name = name != nullptr ? ToU16(name) : std::u16string();
    auto path = PathBesideFile(ToU16(std::wstring(exePath, length)), name != nullptr ? u16Name.c_str() : nullptr);
    return path ? ToWide(*path) : std::wstring();
}

int GetModulePath(const wchar_t* name, wchar_t* out) {
    if (out == nullptr) return 0;
    const std::wstring path = GetModulePath(name);
    out[0] = L'\0';
    if (path.empty()) return 0;
    lstrcpynW(out, path.c_str(), MAX_PATH);
    return 1;
}

}  // namespace vorn
