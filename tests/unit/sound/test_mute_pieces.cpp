#include <gtest/gtest.h>

#include "sound/MuteRequestFilter.h"
#include "sound/TableSlotPatch.h"

using namespace vorn;

TEST(MuteRequestFilter, FirstRequestAlwaysAppliesThenOnlyChanges) {
    for (int first : {0, 1}) {
        MuteRequestFilter filter;
        EXPECT_TRUE(filter.ShouldApply(first));
        EXPECT_FALSE(filter.ShouldApply(first));
        EXPECT_TRUE(filter.ShouldApply(!first));
        EXPECT_FALSE(filter.ShouldApply(!first));
        EXPECT_TRUE(filter.ShouldApply(first));
    }
    // Any other value counts as a state of its own, as the message carries it.
    MuteRequestFilter filter;
    EXPECT_TRUE(filter.ShouldApply(2));
    EXPECT_TRUE(filter.ShouldApply(1));
    EXPECT_EQ(&ProcessMuteRequestFilter(), &ProcessMuteRequestFilter());
}

namespace {
void* const kOriginal = reinterpret_cast<void*>(0x1111);
void* const kReplacement = reinterpret_cast<void*>(0x2222);
bool Unprotect(void**, std::uint32_t* previous) {
    *previous = 0x20;
    return true;
}
bool Refuse(void**, std::uint32_t*) { return false; }
}  // namespace

// The patch itself, its protection and the race of two first objects are tested under
// Wine on stand-in tables (tests/win/sound/test_direct_sound_slots.cpp).
TEST(TableSlotPatch, UnwritableSlotIsLeftAloneAndTheReplacementIsNeverSaved) {
    void* table[4] = {nullptr, nullptr, nullptr, kOriginal};
    TableSlotPatch patch;
    EXPECT_FALSE(PatchSlotOnce(patch, &table[3], kReplacement, Refuse, nullptr));
    EXPECT_EQ(table[3], kOriginal);
    EXPECT_EQ(patch.slot.load(), nullptr);  // still open for a later object
    EXPECT_TRUE(PatchSlotOnce(patch, &table[3], kReplacement, Unprotect, nullptr));
    EXPECT_EQ(patch.Saved(), kOriginal);
    // A slot that already holds the replacement must not become the entry called through.
    TableSlotPatch fresh;
    EXPECT_FALSE(PatchSlotOnce(fresh, &table[3], kReplacement, Unprotect, nullptr));
    EXPECT_EQ(fresh.Saved(), nullptr);
    EXPECT_FALSE(PatchSlotOnce(fresh, nullptr, kReplacement, Unprotect, nullptr));
}
