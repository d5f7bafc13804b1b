#pragma once
// The hidden batch file that deletes the uninstalled executable once its process ended.
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// The executable's folder as the batch names it: the text before the last "\", or the
// whole path when it has none.
std::string BatchFolderOf(std::string_view exePath);

// The batch text (ANSI, CR LF lines). The short form deletes only the executable; the
// long form, for a folder that holds nothing else, also empties and removes the folder.
// Every path is quoted and taken literally ("%" doubled). Nothing when the text would not
// fit its 2048-byte buffer (a cut line could delete the wrong thing), or when a path holds
// a quote or a control character.
std::optional<std::string> SelfDeleteBatchText(std::string_view exePath, std::string_view batchPath, bool longForm);

}  // namespace vorn
