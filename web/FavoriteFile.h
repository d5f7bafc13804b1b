#pragma once
// The Internet Shortcut file that "add to favourites" writes, and its file name.
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// The file's text, seven lines each ending in CR LF, with the address in BASEURL and URL.
// The caller writes it in the ANSI code page, whole, however long the address is. Nothing
// when the address holds a control character (CR or LF would start a line of its own).
std::optional<std::u16string> FavoriteFileText(std::u16string_view url);

// At most this many characters of the typed name are used.
inline constexpr size_t kFavoriteNameChars = 127;

// The file name for a favourite called `name`: the name (its first 127 characters) with
// every character that cannot be part of a file name ("\" "/" ":" "*" "?" '"' "<" ">" "|"
// and control characters) replaced by "_", so the file lands in the Favorites folder and
// nowhere else; a name that is a reserved device name gets a leading "_"; then ".url".
std::u16string FavoriteFileName(std::u16string_view name);

}  // namespace vorn
