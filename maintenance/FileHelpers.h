#pragma once
// File tree and date helpers on the running system.
#include <windows.h>

#include <string>

namespace vorn {

// Number of files in a folder tree. A folder that cannot be listed (a missing one too)
// counts as one file, so only 0 means "empty".
int CountFilesInTree(const wchar_t* folder);

// Today's local date as "%04d-%02d-%02d" into a buffer of at least 64 characters.
wchar_t* FormatToday(wchar_t* out);

}  // namespace vorn
