#pragma once
// The bytes of an interception: the jump written over a function's entry, and the
// trampoline that performs the displaced instructions at another address and jumps back.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vorn::intercept {

// "jmp [rip+0]" followed by the 64-bit destination: reaches anywhere, 14 bytes.
inline constexpr std::size_t kAbsoluteJumpSize = 14;
void EncodeAbsoluteJump(std::uint8_t* out /* [14] */, std::uint64_t destination);

enum class Refusal {
    None,
    UnknownInstruction,  // the decoder does not know an instruction in the covered bytes
    FunctionTooShort,    // a return, trap or jump ends the code before the patch is covered
    BranchIntoPatch,     // a branch in the covered bytes lands inside them
    LoopBranch,          // loop/jrcxz: short-only, cannot be moved
    OutOfReach,          // a RIP-relative operand cannot reach its data from the trampoline
};
const char* RefusalText(Refusal refusal);

struct Trampoline {
    Refusal refusal = Refusal::None;
    std::vector<std::uint8_t> code;  // to be placed at the trampoline address
    std::size_t covered = 0;         // original bytes displaced (whole instructions)
    // For every displaced instruction, its offset in the original and in the trampoline;
    // the last pair maps the end of the covered bytes to the jump back (when there is one).
    std::vector<std::pair<std::uint8_t, std::uint8_t>> offsets;

    bool ok() const { return refusal == Refusal::None; }
    // Where a thread stopped at original offset `from` continues in the trampoline, and back.
    std::optional<std::size_t> ToTrampoline(std::size_t originalOffset) const;
    std::optional<std::size_t> ToOriginal(std::size_t trampolineOffset) const;
};

// Largest trampoline BuildTrampoline can produce for a patch of kAbsoluteJumpSize bytes.
inline constexpr std::size_t kTrampolineCapacity = 128;

// Builds the trampoline for code that lies at sourceAddress, to be placed at
// trampolineAddress, displacing at least patchLength bytes. `available` bytes of the
// original may be read (a function near the end of its section has fewer).
Trampoline BuildTrampoline(const std::uint8_t* code, std::size_t available, std::uint64_t sourceAddress,
                           std::uint64_t trampolineAddress, std::size_t patchLength = kAbsoluteJumpSize);

// An import jump stub ("jmp [rip+disp32]", with or without REX.W) at `address`: the
// address of the pointer it jumps through. Anything else: nothing.
std::optional<std::uint64_t> JumpStubPointer(const std::uint8_t* code, std::size_t available, std::uint64_t address);

}  // namespace vorn::intercept
