#pragma once
// File, path and date helpers on the running system.
#include <windows.h>

#include <string>

namespace vorn {

// Path of `name` in the executable's folder (or the executable itself when name is null)
// into a buffer of 260 characters. 1 on success; 0, with an empty buffer, on failure.
int GetModulePath(const wchar_t* name, wchar_t* out /* [MAX_PATH] */);
std::wstring GetModulePath(const wchar_t* name = nullptr);

// Number of files in a folder tree. A folder that cannot be listed (a missing one too)
// counts as one file, so only 0 means "empty".
int CountFilesInTree(const wchar_t* folder);

// Today's local date as "%04d-%02d-%02d" into a buffer of at least 64 characters.
wchar_t* FormatToday(wchar_t* out);

// UTF-16 text of the portable code as the system's wide text, and back.
inline std::wstring ToWide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string ToU16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace vorn
