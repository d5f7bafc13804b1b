#pragma once
// The system's wide text as the portable code's UTF-16 views, without copying (both are
// UTF-16 code units on Windows).
#include <string>
#include <string_view>

namespace vorn {

inline std::u16string_view U16View(const wchar_t* text) {
    if (text == nullptr) return {};
    return {reinterpret_cast<const char16_t*>(text), std::char_traits<wchar_t>::length(text)};
}
inline std::u16string_view U16View(const std::wstring& text) {
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}
inline std::wstring WideOf(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace vorn
