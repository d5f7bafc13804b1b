#pragma once
// What the folder deletion does with one entry of a folder, by its file attributes.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vorn {

enum class FolderEntryAction {
    Descend,       // a real folder: clear it, then remove it
    RemoveLink,    // a junction or symbolic link to a folder: remove the link only
    DeleteFile,    // a file, or a link to one (the link is what is deleted)
};

// attributes: the entry's file attribute bits (directory 0x10, reparse point 0x400).
FolderEntryAction FolderEntryActionFor(std::uint32_t attributes);

// The components of `path` below `folder` (each a name of one level, in order), when `path`
// lies strictly inside `folder`: the same components from the start, letters compared
// without regard to ASCII case, then at least one more. Nothing otherwise, and nothing for a
// path that could name something else than it reads (a "." or ".." component, an empty
// one, a "\\?\" or device form, a "/"): what the user's settings name is deleted only when
// it plainly lies in their own profile.
std::optional<std::vector<std::u16string_view>> ComponentsInside(std::u16string_view path,
                                                                 std::u16string_view folder);

}  // namespace vorn
