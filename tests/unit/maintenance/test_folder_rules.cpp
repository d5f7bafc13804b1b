#include <gtest/gtest.h>

#include "maintenance/FolderRules.h"

using vorn::FolderEntryAction;
using vorn::FolderEntryActionFor;

TEST(FolderRules, LinksAreRemovedNeverEntered) {
    EXPECT_EQ(FolderEntryActionFor(0x10), FolderEntryAction::Descend);
    EXPECT_EQ(FolderEntryActionFor(0x10 | 0x01 | 0x02), FolderEntryAction::Descend);  // read-only, hidden folder
    EXPECT_EQ(FolderEntryActionFor(0x10 | 0x400), FolderEntryAction::RemoveLink);     // junction
    EXPECT_EQ(FolderEntryActionFor(0x400), FolderEntryAction::DeleteFile);            // link to a file
    EXPECT_EQ(FolderEntryActionFor(0x20), FolderEntryAction::DeleteFile);
    EXPECT_EQ(FolderEntryActionFor(0x01), FolderEntryAction::DeleteFile);
}
