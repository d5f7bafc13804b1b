#include "intercept/Trampoline.h"

#include <cstring>
#include <limits>

#include "intercept/InstructionDecoder.h"

namespace vorn::intercept {

namespace {

void Put64(std::vector<std::uint8_t>& out, std::uint64_t value) {
    std::uint8_t bytes[8];
    std::memcpy(bytes, &value, 8);
    out.insert(out.end(), bytes, bytes + 8);
}

void PutAbsoluteJump(std::vector<std::uint8_t>& out, std::uint64_t destination) {
    std::uint8_t bytes[kAbsoluteJumpSize];
    EncodeAbsoluteJump(bytes, destination);
    out.insert(out.end(), bytes, bytes + kAbsoluteJumpSize);
}

bool FitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

Trampoline Refuse(Refusal why) {
    Trampoline t;
    t.refusal = why;
    return t;
}

}  // namespace

void EncodeAbsoluteJump(std::uint8_t* out, std::uint64_t destination) {
    const std::uint8_t head[6] = {0xFF, 0x25, 0, 0, 0, 0};
    std::memcpy(out, head, 6);
    std::memcpy(out + 6, &destination, 8);
}

const char* RefusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::None: return "accepted";
        case Refusal::UnknownInstruction: return "unknown instruction";
        case Refusal::FunctionTooShort: return "function too short";
        case Refusal::BranchIntoPatch: return "branch into the patched bytes";
        case Refusal::LoopBranch: return "loop branch";
        case Refusal::OutOfReach: return "RIP-relative operand out of reach";
    }
    return "?";
}

std::optional<std::size_t> Trampoline::ToTrampoline(std::size_t originalOffset) const {
    for (const auto& [from, to] : offsets)
        if (from == originalOffset) return to;
    return std::nullopt;
}

std::optional<std::size_t> Trampoline::ToOriginal(std::size_t trampolineOffset) const {
    // Only instruction starts map back; a thread part-way through a widened branch stays
    // in the trampoline, which is never freed.
    for (const auto& [from, to] : offsets)
        if (to == trampolineOffset) return from;
    return std::nullopt;
}

Trampoline BuildTrampoline(const std::uint8_t* code, std::size_t available, std::uint64_t sourceAddress,
                           std::uint64_t trampolineAddress, std::size_t patchLength) {
    if (!code || patchLength == 0) return Refuse(Refusal::FunctionTooShort);
    Trampoline t;
    std::vector<std::uint64_t> branchTargets;
    bool fallsThrough = true;
    while (t.covered < patchLength) {
        if (!fallsThrough) return Refuse(Refusal::FunctionTooShort);
        const std::uint8_t* at = code + t.covered;
        const Instruction ins = DecodeInstruction(at, available - t.covered);
        if (!ins.decoded) return Refuse(Refusal::UnknownInstruction);
        const std::uint64_t here = sourceAddress + t.covered;
        t.offsets.emplace_back(static_cast<std::uint8_t>(t.covered), static_cast<std::uint8_t>(t.code.size()));
        switch (ins.flow) {
            case Flow::LoopRelative:
                return Refuse(Refusal::LoopBranch);
            case Flow::JumpRelative: {
                const std::uint64_t target = ins.BranchTarget(at, here);
                branchTargets.push_back(target);
                PutAbsoluteJump(t.code, target);
                fallsThrough = false;
                break;
            }
            case Flow::CallRelative: {
                // call [rip+2]; jmp over the address; the address.
                const std::uint64_t target = ins.BranchTarget(at, here);
                branchTargets.push_back(target);
                const std::uint8_t call[8] = {0xFF, 0x15, 0x02, 0, 0, 0, 0xEB, 0x08};
                t.code.insert(t.code.end(), call, call + 8);
                Put64(t.code, target);
                break;
            }
            case Flow::CondRelative: {
                // The opposite condition skips an absolute jump to the original target.
                const std::uint64_t target = ins.BranchTarget(at, here);
                branchTargets.push_back(target);
                t.code.push_back(static_cast<std::uint8_t>(0x70 | (ins.condition ^ 1)));
                t.code.push_back(static_cast<std::uint8_t>(kAbsoluteJumpSize));
                PutAbsoluteJump(t.code, target);
                break;
            }
            default: {
                const std::size_t placed = t.code.size();
                t.code.insert(t.code.end(), at, at + ins.length);
                if (ins.ripRelative()) {
                    std::int32_t displacement;
                    std::memcpy(&displacement, at + ins.ripDisplacementAt, 4);
                    const std::int64_t moved = static_cast<std::int64_t>(here - (trampolineAddress + placed));
                    const std::int64_t fixed = static_cast<std::int64_t>(displacement) + moved;
                    if (!FitsInt32(fixed)) return Refuse(Refusal::OutOfReach);
                    const std::int32_t narrow = static_cast<std::int32_t>(fixed);
                    std::memcpy(&t.code[placed + ins.ripDisplacementAt], &narrow, 4);
                }
                if (ins.flow != Flow::Next) fallsThrough = false;
                break;
            }
        }
        t.covered += ins.length;
    }
    for (const std::uint64_t target : branchTargets)
        if (target >= sourceAddress && target < sourceAddress + t.covered) return Refuse(Refusal::BranchIntoPatch);
    if (fallsThrough) {
        t.offsets.emplace_back(static_cast<std::uint8_t>(t.covered), static_cast<std::uint8_t>(t.code.size()));
        PutAbsoluteJump(t.code, sourceAddress + t.covered);
    }
    if (t.code.size() > kTrampolineCapacity) return Refuse(Refusal::UnknownInstruction);
    return t;
}

std::optional<std::uint64_t> JumpStubPointer(const std::uint8_t* code, std::size_t available, std::uint64_t address) {
    if (!code) return std::nullopt;
    std::size_t at = 0;
    if (available >= 1 && code[0] == 0x48) at = 1;
    if (available < at + 6 || code[at] != 0xFF || code[at + 1] != 0x25) return std::nullopt;
    std::int32_t displacement;
    std::memcpy(&displacement, code + at + 2, 4);
    return address + at + 6 + static_cast<std::uint64_t>(static_cast<std::int64_t>(displacement));
}

}  // namespace vorn::intercept
