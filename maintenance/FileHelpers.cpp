#include "maintenance/FileHelpers.h"

#include "maintenance/DateText.h"
#include "maintenance/PathRules.h"

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

int CountFilesInTree(const wchar_t* folder) {
    if (folder == nullptr) return 1;
    std::wstring pattern(folder);
    if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
    const std::wstring prefix = pattern;
    pattern += L'*';
    // Paths are limited to 260 characters; a deeper tree cannot be listed, which also
    // bounds the recursion.
    if (pattern.size() >= MAX_PATH) return 1;

    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return 1;
    int count = 0;
    do {
        const std::wstring name(entry.cFileName);
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            count += CountFilesInTree((prefix + name).c_str());
        } else {
            ++count;
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return count;
}

wchar_t* FormatToday(wchar_t* out) {
    if (out == nullptr) return nullptr;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring text = ToWide(FormatDate(now.wYear, now.wMonth, now.wDay));
    lstrcpynW(out, text.c_str(), 64);
    return out;
}

}  // namespace vorn
