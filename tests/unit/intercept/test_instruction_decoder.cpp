#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "intercept/InstructionDecoder.h"

using namespace vorn::intercept;

namespace {

struct Case {
    std::vector<std::uint8_t> bytes;
    int length;
    int ripAt;  // -1: no RIP-relative operand
    Flow flow;
};

Instruction Decode(const std::vector<std::uint8_t>& bytes) { return DecodeInstruction(bytes.data(), bytes.size()); }

}  // namespace

TEST(InstructionDecoder, CommonPrologueInstructions) {
    const Case cases[] = {
        {{0x55}, 1, -1, Flow::Next},                                      // push rbp
        {{0x48, 0x89, 0xE5}, 3, -1, Flow::Next},                          // mov rbp,rsp
        {{0x48, 0x83, 0xEC, 0x28}, 4, -1, Flow::Next},                    // sub rsp,0x28
        {{0x48, 0x81, 0xEC, 0x88, 0, 0, 0}, 7, -1, Flow::Next},           // sub rsp,0x88
        {{0x48, 0x89, 0x5C, 0x24, 0x08}, 5, -1, Flow::Next},              // mov [rsp+8],rbx
        {{0x48, 0x8B, 0x05, 1, 2, 3, 4}, 7, 3, Flow::Next},               // mov rax,[rip+x]
        {{0x48, 0x8D, 0x3D, 0xE1, 0xA1, 0, 0}, 7, 3, Flow::Next},         // lea rdi,[rip+x]
        {{0xF6, 0x05, 0x6E, 0x57, 0, 0, 0x08}, 7, 2, Flow::Next},         // test byte [rip+x],8
        {{0x81, 0x3D, 1, 2, 3, 4, 5, 6, 7, 8}, 10, 2, Flow::Next},        // cmp dword [rip+x],imm32
        {{0x66, 0x81, 0x3D, 1, 2, 3, 4, 5, 6}, 9, 3, Flow::Next},         // cmp word [rip+x],imm16
        {{0xC7, 0x44, 0x24, 0x20, 0x50, 0, 0, 0}, 8, -1, Flow::Next},     // mov dword [rsp+0x20],0x50
        {{0x8B, 0x04, 0x25, 0x20, 0x03, 0xFE, 0x7F}, 7, -1, Flow::Next},  // mov eax,[0x7ffe0320]: absolute, not RIP
        {{0x48, 0x8D, 0xA4, 0x24, 0, 0, 0, 0}, 8, -1, Flow::Next},        // lea rsp,[rsp+0]
        {{0x48, 0xB8, 1, 2, 3, 4, 5, 6, 7, 8}, 10, -1, Flow::Next},       // mov rax,imm64
        {{0xB8, 0x15, 0, 0, 0}, 5, -1, Flow::Next},                       // mov eax,0x15
        {{0x0F, 0x1F, 0x44, 0, 0}, 5, -1, Flow::Next},                    // nop dword [rax+rax]
        {{0x0F, 0x29, 0x74, 0x24, 0x20}, 5, -1, Flow::Next},              // movaps [rsp+0x20],xmm6
        {{0xF3, 0x0F, 0x10, 0x05, 1, 2, 3, 4}, 8, 4, Flow::Next},         // movss xmm0,[rip+x]
        {{0x66, 0x0F, 0x3A, 0x0F, 0xC1, 0x08}, 6, -1, Flow::Next},        // palignr xmm0,xmm1,8
        {{0x0F, 0x38, 0xF0, 0x05, 1, 2, 3, 4}, 8, 4, Flow::Next},         // movbe eax,[rip+x]
        {{0x65, 0x48, 0x8B, 0x04, 0x25, 0x30, 0, 0, 0}, 9, -1, Flow::Next},  // mov rax,gs:[0x30]
        {{0xF0, 0x48, 0x0F, 0xB1, 0x0D, 1, 2, 3, 4}, 9, 5, Flow::Next},      // lock cmpxchg [rip+x],rcx
        {{0x41, 0xF7, 0xC0, 1, 0, 0, 0}, 7, -1, Flow::Next},              // test r8d,1
        {{0x0F, 0x05}, 2, -1, Flow::Next},                                // syscall
        {{0x42, 0x8B, 0x04, 0x85, 1, 2, 3, 4}, 8, -1, Flow::Next},        // mov eax,[r8*4+disp32]
        {{0x41, 0x8B, 0x45, 0x00}, 4, -1, Flow::Next},                    // mov eax,[r13+0]
        {{0xFF, 0x15, 1, 2, 3, 4}, 6, 2, Flow::Next},                     // call [rip+x]
        {{0xC3}, 1, -1, Flow::Return},
        {{0xCC}, 1, -1, Flow::Stop},
        {{0x0F, 0x0B}, 2, -1, Flow::Stop},
        {{0xFF, 0x25, 1, 2, 3, 4}, 6, 2, Flow::JumpIndirect},             // jmp [rip+x]
        {{0xEB, 0x05}, 2, -1, Flow::JumpRelative},
        {{0xE8, 1, 0, 0, 0}, 5, -1, Flow::CallRelative},
        {{0x75, 0x03}, 2, -1, Flow::CondRelative},
        {{0x0F, 0x85, 0xEE, 0, 0, 0}, 6, -1, Flow::CondRelative},
        {{0xE3, 0x02}, 2, -1, Flow::LoopRelative},                        // jrcxz
        {{0x67, 0x8B, 0x00}, 3, -1, Flow::Next},                          // mov eax,[eax]
        {{0xC6, 0xF8, 0x01}, 3, -1, Flow::Next},                          // xabort 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        // Trailing bytes must not change the length.
        std::vector<std::uint8_t> padded = c.bytes;
        padded.insert(padded.end(), {0x90, 0x90, 0x90, 0x90});
        const Instruction ins = Decode(padded);
        ASSERT_TRUE(ins.decoded);
        EXPECT_EQ(ins.length, c.length);
        EXPECT_EQ(ins.ripDisplacementAt, c.ripAt);
        EXPECT_EQ(ins.flow, c.flow);
        // Exactly its own bytes are enough; one fewer is a truncated instruction.
        EXPECT_TRUE(DecodeInstruction(c.bytes.data(), c.bytes.size()).decoded);
        EXPECT_FALSE(DecodeInstruction(c.bytes.data(), c.bytes.size() - 1).decoded);
    }
}

TEST(InstructionDecoder, UnknownOrInvalidIsNeverGuessed) {
    const std::vector<std::vector<std::uint8_t>> refused = {
        {0xC5, 0xF8, 0x77},              // VEX vzeroupper
        {0x62, 0xF1, 0x7C, 0x48, 0x10},  // EVEX
        {0x06},                          // push es: invalid in 64-bit mode
        {0x9A, 1, 2, 3, 4, 5, 6},        // far call
        {0x48, 0x48, 0x89, 0xC0},        // REX twice
        {0xFF, 0xFF},                    // FF /7
        // Forms a moved copy would get wrong: an EIP-relative operand (its address is cut
        // to 32 bits) and xbegin's branch distance.
        {0x67, 0x8B, 0x05, 1, 2, 3, 4},
        {0x67, 0x48, 0x8D, 0x0D, 1, 2, 3, 4},
        {0xC7, 0xF8, 1, 2, 3, 4},
        {0x66, 0xC7, 0xF8, 1, 2},
        {0xC7, 0x08, 1, 2, 3, 4},        // C7 /1
        {0x66, 0x0F, 0x8F, 0, 0, 0, 0},  // jg with an operand-size prefix: rel16 or rel32
        {0x66, 0xE8, 0, 0, 0, 0},
        {0x67, 0xE8, 0, 0, 0, 0},        // call with an address-size prefix
        {0x8F, 0xE8, 0x78, 0xC2, 0xC1, 0x01},  // 8F with reg != 0: an XOP instruction
        {},
    };
    for (const auto& bytes : refused) EXPECT_FALSE(Decode(bytes).decoded) << testing::PrintToString(bytes);
    EXPECT_FALSE(DecodeInstruction(nullptr, 10).decoded);
    // Fourteen prefixes and the opcode are the longest legal form.
    std::vector<std::uint8_t> longest(14, 0x66);
    longest.push_back(0x90);
    EXPECT_EQ(Decode(longest).length, 15);
    longest.insert(longest.begin(), 0x66);
    EXPECT_FALSE(Decode(longest).decoded);
}
