#pragma once
// Files beside the running executable.
#include <windows.h>

#include <string>

#include "common/WideText.h"

namespace vorn {

// Path of `name` in the executable's folder (or the executable itself when name is null)
// into a buffer of 260 characters. 1 on success; 0, with an empty buffer, on failure.
int GetModulePath(const wchar_t* name, wchar_t* out /* [MAX_PATH] */);
std::wstring GetModulePath(const wchar_t* name = nullptr);

}  // namespace vorn
