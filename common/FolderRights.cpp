#include "common/FolderRights.h"

namespace vorn {

namespace {
constexpr std::uint8_t kInheritOnly = 0x8;

bool GrantsWriting(const AccessEntry& entry, std::string_view elevatedOwnerSid) {
    if (entry.kind == AccessEntry::Kind::kDeny) return false;
    // An entry of a kind not read here may grant anything.
    if (entry.kind == AccessEntry::Kind::kOther) return true;
    if ((entry.mask & kWritingAccess) == 0) return false;
    if (IsTrustedOwner(entry.sid, elevatedOwnerSid)) return false;
    if (entry.sid == kCreatorOwnerSid && (entry.flags & kInheritOnly) != 0) return false;
    return true;
}
}  // namespace

bool IsTrustedOwner(std::string_view sid, std::string_view elevatedOwnerSid) {
    return sid == kSystemSid || sid == kAdministratorsSid || (!elevatedOwnerSid.empty() && sid == elevatedOwnerSid);
}

FolderVerdict JudgeFolder(const FolderFacts& facts, std::string_view elevatedOwnerSid) {
    // Whatever a redirection's own rights say, what it leads to is somewhere else.
    if (facts.isReparsePoint || !facts.isDirectory) return FolderVerdict::kRefuse;
    if (!IsTrustedOwner(facts.ownerSid, elevatedOwnerSid) || !facts.hasDacl) return FolderVerdict::kTakeOver;
    for (const AccessEntry& entry : facts.dacl) {
        if (GrantsWriting(entry, elevatedOwnerSid)) return FolderVerdict::kTakeOver;
    }
    return FolderVerdict::kTrusted;
}

}  // namespace vorn
