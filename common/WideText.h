#pragma once
// The portable code's UTF-16 text as the system's wide text, and back (both are UTF-16
// code units on Windows).
#include <string>

namespace vorn {

inline std::wstring ToWide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string ToU16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace vorn
