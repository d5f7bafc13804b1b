#include "maintenance/FolderRules.h"

namespace vorn {

namespace {
constexpr std::uint32_t kDirectory = 0x10, kReparsePoint = 0x400;
}

FolderEntryAction FolderEntryActionFor(std::uint32_t attributes) {
    // Following a link would empty a folder somewhere else on the machine.
    if (attributes & kReparsePoint) {
        return (attributes & kDirectory) ? FolderEntryAction::RemoveLink : FolderEntryAction::DeleteFile;
    }
    return (attributes & kDirectory) ? FolderEntryAction::Descend : FolderEntryAction::DeleteFile;
}

}  // namespace vorn
