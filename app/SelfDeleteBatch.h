#pragma once
// The hidden batch file that deletes the uninstalled executable once its process ended.
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// The executable's folder as the batch names it: the text before the last "\", or the
// whole path when it has none.
std::string BatchFolderOf(std::string_view exePath);

// A path as cmd reads it literally inside double quotes: "%" doubled, since cmd expands
// variables even inside quotes. Nothing for a path cmd cannot take literally (a quote, a
// line break or another control character in it).
std::optional<std::string> BatchLiteral(std::string_view path);

// The batch text (CR LF lines, in the ANSI code page). It tries to delete `target`, once
// a second or so, at most `tries` times (a process still running the executable must not
// keep it looping for ever); once `target` has gone and `folder` is not empty, it empties
// and removes that folder; at the end it deletes itself (`batchPath`). Names may be
// relative to the folder the batch runs in. Nothing when a name cannot be written
// literally.
std::optional<std::string> SelfDeleteBatchText(std::string_view target, std::string_view folder,
                                               std::string_view batchPath, int tries);

}  // namespace vorn
