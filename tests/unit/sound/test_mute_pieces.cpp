#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

#include "sound/MuteRequestFilter.h"
#include "sound/TableSlotPatch.h"

using namespace vorn;

TEST(MuteRequestFilter, FirstRequestAlwaysAppliesThenOnlyChanges) {
    for (int first : {0, 1}) {
        MuteRequestFilter filter;
        EXPECT_TRUE(filter.ShouldApply(first));
        EXPECT_FALSE(filter.ShouldApply(first));
        EXPECT_FALSE(filter.ShouldApply(first));
        EXPECT_TRUE(filter.ShouldApply(!first));
        EXPECT_FALSE(filter.ShouldApply(!first));
        EXPECT_TRUE(filter.ShouldApply(first));
    }
    // Any other value counts as a state of its own, as the message carries it.
    MuteRequestFilter filter;
    EXPECT_TRUE(filter.ShouldApply(2));
    EXPECT_TRUE(filter.ShouldApply(1));
    EXPECT_FALSE(filter.ShouldApply(1));
    // The process has one filter that every game window shares.
    EXPECT_EQ(&ProcessMuteRequestFilter(), &ProcessMuteRequestFilter());
}

namespace {

void* Original() { return reinterpret_cast<void*>(0x1111); }
void* Replacement() { return reinterpret_cast<void*>(0x2222); }

std::atomic<int> g_unprotects{0}, g_reprotects{0};
std::uint32_t g_lastRestored = 0;
bool Unprotect(void**, std::uint32_t* previous) {
    ++g_unprotects;
    *previous = 0x20;  // execute-read
    return true;
}
void Reprotect(void**, std::uint32_t previous) {
    ++g_reprotects;
    g_lastRestored = previous;
}
bool Refuse(void**, std::uint32_t*) { return false; }

}  // namespace

TEST(TableSlotPatch, PatchesOnceAndRestoresTheProtection) {
    void* tableA[20] = {};
    void* tableB[20] = {};
    tableA[3] = tableB[3] = Original();
    TableSlotPatch patch;
    g_unprotects = g_reprotects = 0;
    EXPECT_TRUE(PatchSlotOnce(patch, &tableA[3], Replacement(), Unprotect, Reprotect));
    EXPECT_EQ(tableA[3], Replacement());
    EXPECT_EQ(patch.Saved(), Original());
    EXPECT_EQ(patch.slot.load(), &tableA[3]);
    EXPECT_EQ(g_reprotects.load(), 1);
    EXPECT_EQ(g_lastRestored, 0x20u);
    // A second object, even of another class, changes nothing.
    EXPECT_FALSE(PatchSlotOnce(patch, &tableB[3], Replacement(), Unprotect, Reprotect));
    EXPECT_EQ(tableB[3], Original());
    EXPECT_EQ(patch.slot.load(), &tableA[3]);
    EXPECT_EQ(g_unprotects.load(), 1);
}

TEST(TableSlotPatch, UnwritableSlotIsLeftAloneAndStaysOpen) {
    void* table[4] = {nullptr, nullptr, nullptr, Original()};
    TableSlotPatch patch;
    EXPECT_FALSE(PatchSlotOnce(patch, &table[3], Replacement(), Refuse, Reprotect));
    EXPECT_EQ(table[3], Original());
    EXPECT_EQ(patch.slot.load(), nullptr);
    EXPECT_EQ(patch.Saved(), nullptr);
    EXPECT_TRUE(PatchSlotOnce(patch, &table[3], Replacement(), Unprotect, Reprotect));
    // A slot that already holds the replacement is never saved as the real entry.
    TableSlotPatch fresh;
    EXPECT_FALSE(PatchSlotOnce(fresh, &table[3], Replacement(), Unprotect, Reprotect));
    EXPECT_EQ(fresh.Saved(), nullptr);
    EXPECT_FALSE(PatchSlotOnce(fresh, nullptr, Replacement(), Unprotect, Reprotect));
}

TEST(TableSlotPatch, RacingFirstObjectsPatchOnce) {
    constexpr int kThreads = 4;
    for (int round = 0; round < 200; ++round) {
        void* table[20] = {};
        table[19] = Original();
        TableSlotPatch patch;
        std::atomic<int> winners{0};
        std::barrier start(kThreads);
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&] {
                start.arrive_and_wait();
                if (PatchSlotOnce(patch, &table[19], Replacement(), nullptr, nullptr)) ++winners;
            });
        }
        for (auto& t : threads) t.join();
        ASSERT_EQ(winners.load(), 1) << round;
        ASSERT_EQ(patch.Saved(), Original()) << round;
        ASSERT_EQ(table[19], Replacement());
    }
}
