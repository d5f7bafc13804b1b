#pragma once
// Whether a folder the elevated program keeps its files in can be trusted as it is, must be
// taken over (owner and rights replaced), or must not be used at all; decided from plain
// values read off the folder's handle, so that the rule is the same everywhere.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

inline constexpr char kSystemSid[] = "S-1-5-18";
inline constexpr char kAdministratorsSid[] = "S-1-5-32-544";
inline constexpr char kCreatorOwnerSid[] = "S-1-3-0";

// One entry of the folder's access list.
struct AccessEntry {
    enum class Kind { kAllow, kDeny, kOther };  // kOther: a kind this rule does not read
    Kind kind = Kind::kAllow;
    std::string sid;      // "S-1-..."
    std::uint32_t mask = 0;
    std::uint8_t flags = 0;  // the entry's inheritance flags (object 0x1, container 0x2, inherit-only 0x8)
};

struct FolderFacts {
    bool isDirectory = true;
    bool isReparsePoint = false;  // a junction, a symbolic link or any other redirection
    std::string ownerSid;
    bool hasDacl = true;  // false: no access list at all, which lets everyone do everything
    std::vector<AccessEntry> dacl;
};

enum class FolderVerdict {
    kTrusted,   // owned and writable only by the system and administrators
    kTakeOver,  // a real folder someone else owns or may write: replace its owner and rights
    kRefuse,    // not a real folder: never used, whatever its rights
};

// The access bits that change a folder or what it holds (write, append, extended attributes,
// attributes, delete child, delete, rights, owner, and the generic write/all bits).
inline constexpr std::uint32_t kWritingAccess = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 |
                                                0x40000000 | 0x10000000;

// `elevatedOwnerSid` is the default owner of this process's objects (the administrators for
// an elevated administrator, the system for a service): a folder it made is its own.
bool IsTrustedOwner(std::string_view sid, std::string_view elevatedOwnerSid);

// Judges one level. An allowing entry that gives writing access to anyone but the system,
// the administrators (or the elevated owner) counts, whether it applies to the folder or is
// passed on to what is created inside; the creator-owner entry counts only where it applies
// to the folder itself (inside, it stands for whoever creates, who must already be trusted).
// Deny entries only take rights away and are not needed.
FolderVerdict JudgeFolder(const FolderFacts& facts, std::string_view elevatedOwnerSid);

}  // namespace vorn
