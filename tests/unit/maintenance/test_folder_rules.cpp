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

TEST(FolderRules, OnlyWhatPlainlyLiesInsideTheProfileIsCleared) {
    using vorn::ComponentsInside;
    const std::u16string_view profile = u"C:\\users\\Li";
    const auto cache = ComponentsInside(u"C:\\Users\\LI\\AppData\\Local\\INetCache\\", profile);
    ASSERT_TRUE(cache.has_value());
    EXPECT_EQ(*cache, (std::vector<std::u16string_view>{u"AppData", u"Local", u"INetCache"}));
    EXPECT_TRUE(ComponentsInside(u"C:\\users\\Li\\x", u"C:\\users\\Li\\").has_value());
    // Another user's profile, one whose name only begins the same, the profile itself, or
    // another drive: left alone.
    for (std::u16string_view foreign : {u"C:\\users\\Lin\\AppData", u"C:\\users\\Li", u"C:\\users\\Li\\",
                                        u"C:\\users\\Other\\AppData", u"D:\\users\\Li\\AppData", u"C:\\Windows",
                                        u"D:\\x\\C:\\users\\Li\\AppData"}) {
        EXPECT_FALSE(ComponentsInside(foreign, profile).has_value()) << std::string(foreign.begin(), foreign.end());
    }
    // Texts that read as inside but could name something else.
    for (std::u16string_view tricky : {u"C:\\users\\Li\\..\\..\\Windows", u"C:\\users\\Li\\.\\x", u"C:\\users\\Li\\\\x",
                                       u"\\\\?\\C:\\users\\Li\\x", u"C:/users/Li/x", u"C:\\users\\Li/../x",
                                       u"\\\\server\\share\\users\\Li\\x", u""}) {
        EXPECT_FALSE(ComponentsInside(tricky, profile).has_value()) << std::string(tricky.begin(), tricky.end());
    }
}
