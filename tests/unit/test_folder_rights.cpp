#include <gtest/gtest.h>

#include "common/FolderRights.h"

using namespace vorn;

namespace {
constexpr char kUser[] = "S-1-5-21-1-2-3-1001";
constexpr char kUsers[] = "S-1-5-32-545";
constexpr char kEveryone[] = "S-1-1-0";
constexpr std::uint32_t kFullControl = 0x1F01FF, kReadAndRun = 0x1200A9, kAddFile = 0x2;
constexpr std::uint8_t kInherit = 0x1 | 0x2, kInheritOnly = 0x8;

AccessEntry Allow(const char* sid, std::uint32_t mask, std::uint8_t flags = kInherit) {
    return {AccessEntry::Kind::kAllow, sid, mask, flags};
}

// The rights the program gives its folders.
FolderFacts Protected() {
    FolderFacts facts;
    facts.ownerSid = kAdministratorsSid;
    facts.dacl = {Allow(kSystemSid, kFullControl), Allow(kAdministratorsSid, kFullControl),
                  Allow(kEveryone, kReadAndRun)};
    return facts;
}
}  // namespace

TEST(FolderRights, OnlyTheSystemAndAdministratorsMayOwnOrChangeAFolderThatIsUsedAsItIs) {
    EXPECT_EQ(JudgeFolder(Protected(), kAdministratorsSid), FolderVerdict::kTrusted);
    FolderFacts system = Protected();
    system.ownerSid = kSystemSid;
    EXPECT_EQ(JudgeFolder(system, kAdministratorsSid), FolderVerdict::kTrusted);

    // A standard user made it first: theirs, even with the right rights.
    FolderFacts squatted = Protected();
    squatted.ownerSid = kUser;
    EXPECT_EQ(JudgeFolder(squatted, kAdministratorsSid), FolderVerdict::kTakeOver);
    // ... unless that owner is who this process creates as (Wine, or the system account).
    EXPECT_EQ(JudgeFolder(squatted, kUser), FolderVerdict::kTrusted);
    EXPECT_EQ(JudgeFolder(squatted, ""), FolderVerdict::kTakeOver);

    // Inherited from ProgramData: users may add files and folders, to this folder or only to
    // what is created inside; every writing bit counts on its own.
    for (std::uint32_t bit : {0x2u, 0x4u, 0x10u, 0x40u, 0x100u, 0x10000u, 0x40000u, 0x80000u, 0x40000000u,
                              0x10000000u}) {
        FolderFacts open = Protected();
        open.dacl.push_back(Allow(kUsers, bit));
        EXPECT_EQ(JudgeFolder(open, kAdministratorsSid), FolderVerdict::kTakeOver) << std::hex << bit;
        open.dacl.back().flags = kInherit | kInheritOnly;
        EXPECT_EQ(JudgeFolder(open, kAdministratorsSid), FolderVerdict::kTakeOver) << std::hex << bit;
    }
    // Reading, running and a denial change nothing; the creator-owner entry only counts on
    // the folder itself (inside, the creator is whoever could already write).
    FolderFacts harmless = Protected();
    harmless.dacl.push_back(Allow(kUsers, kReadAndRun));
    harmless.dacl.push_back({AccessEntry::Kind::kDeny, kUser, kFullControl, 0});
    harmless.dacl.push_back(Allow(kCreatorOwnerSid, kFullControl, kInherit | kInheritOnly));
    EXPECT_EQ(JudgeFolder(harmless, kAdministratorsSid), FolderVerdict::kTrusted);
    harmless.dacl.push_back(Allow(kCreatorOwnerSid, kAddFile, 0));
    EXPECT_EQ(JudgeFolder(harmless, kAdministratorsSid), FolderVerdict::kTakeOver);

    // No list at all lets everyone in; an entry of a kind not read may grant anything.
    FolderFacts noList = Protected();
    noList.hasDacl = false;
    noList.dacl.clear();
    EXPECT_EQ(JudgeFolder(noList, kAdministratorsSid), FolderVerdict::kTakeOver);
    FolderFacts unknown = Protected();
    unknown.dacl.push_back({AccessEntry::Kind::kOther, "", 0, 0});
    EXPECT_EQ(JudgeFolder(unknown, kAdministratorsSid), FolderVerdict::kTakeOver);

    // A junction or link is refused whatever it says, and so is a file.
    FolderFacts link = Protected();
    link.isReparsePoint = true;
    EXPECT_EQ(JudgeFolder(link, kAdministratorsSid), FolderVerdict::kRefuse);
    FolderFacts file = Protected();
    file.isDirectory = false;
    EXPECT_EQ(JudgeFolder(file, kAdministratorsSid), FolderVerdict::kRefuse);
}
