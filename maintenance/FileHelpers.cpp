#include "maintenance/FileHelpers.h"

#include "maintenance/DateText.h"
#include "common/ModulePath.h"

namespace vorn {

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
