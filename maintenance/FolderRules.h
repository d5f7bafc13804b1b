#pragma once
// What the folder deletion does with one entry of a folder, by its file attributes.
#include <cstdint>

namespace vorn {

enum class FolderEntryAction {
    Descend,       // a real folder: clear it, then remove it
    RemoveLink,    // a junction or symbolic link to a folder: remove the link only
    DeleteFile,    // a file, or a link to one (the link is what is deleted)
};

// attributes: the entry's file attribute bits (directory 0x10, reparse point 0x400).
FolderEntryAction FolderEntryActionFor(std::uint32_t attributes);

}  // namespace vorn
