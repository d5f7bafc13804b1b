#pragma once
// Length decoder for the x86-64 instructions that function entries are made of. It finds
// where each instruction ends, where its RIP-relative displacement sits and whether it
// changes the flow of control; that is all a trampoline needs to move instructions.
// Anything it does not know is reported as not decoded, never guessed.
#include <cstddef>
#include <cstdint>

namespace vorn::intercept {

enum class Flow : std::uint8_t {
    Next,          // falls through to the next instruction (calls through a register included)
    Return,        // ret, iret: nothing after it belongs to the straight-line code
    Stop,          // int3, ud2, hlt: padding or a trap, nothing after it
    JumpRelative,  // jmp rel8/rel32
    CallRelative,  // call rel32
    CondRelative,  // jcc rel8/rel32
    LoopRelative,  // loop, loopcc, jrcxz: only a short form exists, cannot be widened
    JumpIndirect,  // jmp r/m (a tail call or a jump table)
};

struct Instruction {
    bool decoded = false;
    std::uint8_t length = 0;
    Flow flow = Flow::Next;
    // RIP-relative memory operand: offset of its 32-bit displacement, else -1.
    std::int8_t ripDisplacementAt = -1;
    // Relative branch: offset and size (1 or 4) of the signed distance, else -1 / 0.
    std::int8_t branchAt = -1;
    std::uint8_t branchSize = 0;
    std::uint8_t condition = 0;  // jcc: the low four bits of the condition code

    bool ripRelative() const { return ripDisplacementAt >= 0; }
    // Target of a relative branch for an instruction that lies at `address`.
    std::uint64_t BranchTarget(const std::uint8_t* code, std::uint64_t address) const;
};

// Decodes the instruction at code[0..available). Fails (decoded false) on an unknown or
// truncated instruction, on VEX/EVEX encodings and on forms invalid in 64-bit mode.
Instruction DecodeInstruction(const std::uint8_t* code, std::size_t available);

}  // namespace vorn::intercept
