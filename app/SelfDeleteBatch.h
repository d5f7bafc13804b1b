#pragma once
// The hidden batch file that deletes the uninstalled executable once its process ended.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// keep it looping for ever), pausing with the system's own ping program named by its full
// path (`ping`: cmd would look a bare "ping" up in its current folder and the search path
// first); once `target` has gone and `folder` is not empty, it empties and removes that
// folder; at the end it deletes itself (`batchPath`). Nothing when a name cannot be written
// literally.
std::optional<std::string> SelfDeleteBatchText(std::string_view ping, std::string_view target,
                                               std::string_view folder, std::string_view batchPath, int tries);

// The system's list of renames and deletes left for the next restart (pairs of strings,
// each ending in a zero, the list in a second zero; a delete's second string is empty,
// paths in the "\\??\\" form), without the deletes of `paths` (compared without regard to
// ASCII case). Empty when nothing is left.
std::u16string WithoutPendingDeletes(std::u16string_view list, const std::vector<std::u16string>& paths);

}  // namespace vorn
