#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "intercept/Trampoline.h"

using namespace vorn::intercept;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::int32_t Read32(const std::uint8_t* p) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
std::uint64_t Read64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// The first bytes of functions the sound mute intercepts and of other system functions, as
// this machine's Wine 8 (64-bit) has them: read from the loaded DLLs by a small Windows
// program (tests/win/intercept/prologue_dump.cpp).
struct RealPrologue {
    const char* name;
    Bytes bytes;
    std::size_t covered;  // whole instructions displaced by a 14-byte jump
    int ripAt;            // offset of the RIP-relative displacement among them, or -1
};

const RealPrologue kRealPrologues[] = {
    {"winmm!waveOutWrite",
     {0x55, 0x57, 0x56, 0x53, 0x48, 0x83, 0xec, 0x48, 0x48, 0x8d, 0x3d, 0xe1,
      0xa1, 0x00, 0x00, 0x48, 0x89, 0xcb, 0x48, 0x89, 0xd6, 0xf6, 0x05, 0xd4},
     15, 11},
    {"winmm!midiStreamOut",
     {0x41, 0x54, 0x55, 0x57, 0x56, 0x53, 0x48, 0x83, 0xec, 0x50, 0x4c, 0x8d,
      0x25, 0x1f, 0x3e, 0x00, 0x00, 0x48, 0x89, 0xcf, 0x48, 0x89, 0xd3, 0x44},
     17, 13},
    {"dsound!DirectSoundCreate",
     {0x55, 0x57, 0x56, 0x53, 0x48, 0x83, 0xec, 0x78, 0x48, 0x89, 0xcb, 0x48,
      0x89, 0xd5, 0x4c, 0x89, 0xc7, 0xf6, 0x05, 0x88, 0xfb, 0x00, 0x00, 0x08},
     14, -1},
    {"winmm!midiOutShortMsg",
     {0x56, 0x53, 0x48, 0x83, 0xec, 0x38, 0x48, 0x89, 0xcb, 0x89, 0xd6, 0xf6,
      0x05, 0x6e, 0x57, 0x00, 0x00, 0x08, 0x75, 0x34, 0x48, 0x89, 0xd9, 0x45},
     18, 13},
    {"kernel32!GetTickCount",
     {0x48, 0x8d, 0xa4, 0x24, 0x00, 0x00, 0x00, 0x00, 0x8b, 0x04, 0x25, 0x20,
      0x03, 0xfe, 0x7f, 0xc3, 0x48, 0x83, 0xec, 0x38, 0x8b, 0x44, 0x24, 0x68},
     15, -1},
    {"ntdll!NtClose",
     {0x4c, 0x8b, 0xd1, 0xb8, 0x15, 0x00, 0x00, 0x00, 0xf6, 0x04, 0x25, 0x08,
      0x03, 0xfe, 0x7f, 0x01, 0x75, 0x03, 0x0f, 0x05, 0xc3, 0xeb, 0x01, 0xc3},
     16, -1},
    // kernel32's forwarders: a hot-patch lea and a jump through a pointer, exactly 14 bytes.
    {"kernel32!Sleep",
     {0x48, 0x8d, 0xa4, 0x24, 0x00, 0x00, 0x00, 0x00, 0xff, 0x25, 0x4e, 0xd5,
      0x03, 0x00, 0x66, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90},
     14, 10},
};

}  // namespace

TEST(Trampoline, RealSystemProloguesAreMovedWithTheirRipOperandsFixed) {
    const std::uint64_t source = 0x2945fa3a0;
    for (const std::uint64_t trampoline : {source - 0x10000, source + 0x7F000000, source - 0x7F000000}) {
        for (const RealPrologue& p : kRealPrologues) {
            SCOPED_TRACE(p.name);
            const Trampoline t = BuildTrampoline(p.bytes.data(), p.bytes.size(), source, trampoline);
            ASSERT_TRUE(t.ok()) << RefusalText(t.refusal);
            EXPECT_EQ(t.covered, p.covered);
            const bool endsInJump = p.bytes[p.covered - 6] == 0xFF && p.bytes[p.covered - 5] == 0x25;
            ASSERT_EQ(t.code.size(), p.covered + (endsInJump ? 0 : kAbsoluteJumpSize));
            // Bytes other than the displacement are copied as they are.
            for (std::size_t i = 0; i < p.covered; ++i) {
                if (p.ripAt >= 0 && i >= static_cast<std::size_t>(p.ripAt) && i < static_cast<std::size_t>(p.ripAt) + 4)
                    continue;
                EXPECT_EQ(t.code[i], p.bytes[i]) << i;
            }
            if (p.ripAt >= 0) {
                // The moved operand must still name the same absolute address.
                const std::int64_t original = Read32(&p.bytes[p.ripAt]);
                const std::int64_t moved = Read32(&t.code[p.ripAt]);
                EXPECT_EQ(static_cast<std::int64_t>(source) + original, static_cast<std::int64_t>(trampoline) + moved);
            }
            if (!endsInJump) {
                const std::uint8_t* back = &t.code[p.covered];
                EXPECT_EQ(back[0], 0xFF);
                EXPECT_EQ(back[1], 0x25);
                EXPECT_EQ(Read32(back + 2), 0);
                EXPECT_EQ(Read64(back + 6), source + p.covered);
            }
        }
    }
}

TEST(Trampoline, RefusesWhatCannotBeMovedSafely) {
    struct Refused {
        const char* what;
        Bytes bytes;
        Refusal why;
    };
    const Refused cases[] = {
        {"xor eax,eax; ret", {0x33, 0xC0, 0xC3, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC},
         Refusal::FunctionTooShort},
        {"jmp elsewhere first", {0xE9, 0x10, 0, 0, 0, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90},
         Refusal::FunctionTooShort},
        {"tail call through a register", {0x48, 0x89, 0xC8, 0xFF, 0xE0, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
                                          0x90, 0x90}, Refusal::FunctionTooShort},
        {"loop back into the patch", {0x31, 0xC0, 0xFF, 0xC0, 0x83, 0xF8, 0x10, 0x75, 0xF9, 0x90, 0x90, 0x90, 0x90,
                                      0x90, 0x90}, Refusal::BranchIntoPatch},
        {"forward jcc into the patch", {0x85, 0xC9, 0x74, 0x03, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90,
                                        0x90, 0x90}, Refusal::BranchIntoPatch},
        {"jrcxz", {0xE3, 0x20, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90},
         Refusal::LoopBranch},
        {"vzeroupper", {0x55, 0xC5, 0xF8, 0x77, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90},
         Refusal::UnknownInstruction},
        {"section ends first", {0x55, 0x57, 0x56, 0x53, 0x48, 0x83, 0xEC, 0x48, 0x48, 0x8D, 0x3D, 0xE1},
         Refusal::UnknownInstruction},
    };
    for (const Refused& c : cases) {
        const Trampoline t = BuildTrampoline(c.bytes.data(), c.bytes.size(), 0x10000, 0x20000);
        EXPECT_EQ(t.refusal, c.why) << c.what;
        EXPECT_TRUE(t.code.empty()) << c.what;
    }
    // waveOutWrite's lea cannot reach its data from a trampoline 4 GB away.
    const Bytes& wave = kRealPrologues[0].bytes;
    EXPECT_EQ(BuildTrampoline(wave.data(), wave.size(), 0x2945fa3a0, 0x2945fa3a0 + 0x100000000).refusal,
              Refusal::OutOfReach);
    // ...but DirectSoundCreate's first 14 bytes have no such operand and may go anywhere.
    const Bytes& create = kRealPrologues[2].bytes;
    EXPECT_TRUE(BuildTrampoline(create.data(), create.size(), 0x2945fa3a0, 0x2945fa3a0 + 0x100000000).ok());
    EXPECT_EQ(BuildTrampoline(nullptr, 20, 0, 0).refusal, Refusal::FunctionTooShort);
}

TEST(Trampoline, JumpStubsLeadToTheirPointer) {
    const Bytes stub = {0xFF, 0x25, 0x10, 0x00, 0x00, 0x00};
    EXPECT_EQ(JumpStubPointer(stub.data(), stub.size(), 0x1000), 0x1016u);
    const Bytes rexStub = {0x48, 0xFF, 0x25, 0xF0, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(JumpStubPointer(rexStub.data(), rexStub.size(), 0x1000), 0x1000u + 7 - 16);
    EXPECT_FALSE(JumpStubPointer(kRealPrologues[0].bytes.data(), 24, 0x1000));
    EXPECT_FALSE(JumpStubPointer(stub.data(), 5, 0x1000));
    // The hot-patch forwarders start with a lea: they are functions, not stubs.
    EXPECT_FALSE(JumpStubPointer(kRealPrologues[6].bytes.data(), 24, 0x1000));
}

// Runs moved code for real on this machine: the trampoline must compute what the original
// computes, though it lies elsewhere and its lea, je and call had to be rewritten.
TEST(Trampoline, MovedCodeRunsLikeTheOriginal) {
    const std::size_t page = 0x1000;
    void* map = mmap(nullptr, 4 * page, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    auto* source = static_cast<std::uint8_t*>(map);
    auto* tramp = source + 2 * page + 0x40;
    // f(rdi): rax = &data; if rdi != 0 { rax += helper(16); rax += 1 }; return rax
    const Bytes code = {
        0x48, 0x8D, 0x05, 0xD0, 0x0F, 0x00, 0x00,  // 0: lea rax,[rip+0xfd0]
        0x48, 0x85, 0xFF,                          // 7: test rdi,rdi
        0x74, 0x09,                                // 10: je 21
        0xE8, 0xEF, 0x00, 0x00, 0x00,              // 12: call 0x100
        0x48, 0x83, 0xC0, 0x01,                    // 17: add rax,1
        0xC3,                                      // 21: ret
    };
    std::memcpy(source, code.data(), code.size());
    const Bytes helper = {0x48, 0x83, 0xC0, 0x10, 0xC3};  // add rax,16; ret
    std::memcpy(source + 0x100, helper.data(), helper.size());

    const Trampoline t = BuildTrampoline(source, code.size(), reinterpret_cast<std::uintptr_t>(source),
                                         reinterpret_cast<std::uintptr_t>(tramp));
    ASSERT_TRUE(t.ok()) << RefusalText(t.refusal);
    EXPECT_EQ(t.covered, 17u);
    std::memcpy(tramp, t.code.data(), t.code.size());
    __builtin___clear_cache(reinterpret_cast<char*>(tramp), reinterpret_cast<char*>(tramp + t.code.size()));

    using Fn = std::uint64_t (*)(std::uint64_t);
    const auto original = reinterpret_cast<Fn>(source);
    const auto moved = reinterpret_cast<Fn>(tramp);
    const std::uint64_t data = reinterpret_cast<std::uintptr_t>(source) + 7 + 0xFD0;
    EXPECT_EQ(original(0), data);
    EXPECT_EQ(moved(0), data);
    EXPECT_EQ(original(1), data + 17);
    EXPECT_EQ(moved(1), data + 17);
    munmap(map, 4 * page);
}

// Whatever bytes a target starts with, the builder stays inside them (the sanitizers watch
// the reads) and either refuses or gives a trampoline that fits its slot.
TEST(Trampoline, ArbitraryBytesAreRefusedOrFitTheirSlot) {
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes code(14 + next() % 19);
        for (auto& b : code) b = static_cast<std::uint8_t>(next() >> 24);
        const Trampoline t = BuildTrampoline(code.data(), code.size(), 0x140001000, 0x140100000);
        if (!t.ok()) continue;
        ++accepted;
        ASSERT_GE(t.covered, kAbsoluteJumpSize);
        ASSERT_LE(t.covered, code.size());
        ASSERT_LE(t.code.size(), kTrampolineCapacity);
    }
    EXPECT_GT(accepted, 0);
}
