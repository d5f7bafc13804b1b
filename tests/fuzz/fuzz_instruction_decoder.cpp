// The instruction decoder against capstone: an instruction both decode has the same length
// and the same RIP-relative displacement and branch target; one that capstone sees as
// RIP-relative or as a relative branch is never taken as neither. A trampoline built over
// the bytes reaches every moved RIP-relative operand's data and every branch's target.
#include <capstone/capstone.h>

#include "FuzzSupport.h"
#include "intercept/InstructionDecoder.h"
#include "intercept/Trampoline.h"

using namespace vorn::intercept;

namespace {

csh Capstone() {
    static csh handle = [] {
        csh h = 0;
        FUZZ_CHECK(cs_open(CS_ARCH_X86, CS_MODE_64, &h) == CS_ERR_OK);
        cs_option(h, CS_OPT_DETAIL, CS_OPT_ON);
        return h;
    }();
    return handle;
}

// capstone 4 sometimes drops an operand-size prefix that a repeat prefix follows (it reads
// "66 F3 68 iw" with an imm32); the processor manuals keep it. Such lengths are not compared.
bool RepeatAfterOperandSize(const std::uint8_t* code, std::size_t available) {
    bool operandSize = false;
    for (std::size_t i = 0; i < available; ++i) {
        const std::uint8_t b = code[i];
        if (b == 0x66) operandSize = true;
        else if ((b == 0xF2 || b == 0xF3) && operandSize) return true;
        else if (b != 0x67 && b != 0xF0 && b != 0xF2 && b != 0xF3 && b != 0x2E && b != 0x36 && b != 0x3E &&
                 b != 0x26 && b != 0x64 && b != 0x65)
            return false;
    }
    return false;
}

std::int64_t Read(const std::uint8_t* p, int size) {
    if (size == 1) return static_cast<std::int8_t>(*p);
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 16) return 0;
    std::uint64_t source, trampoline;
    std::memcpy(&source, data, 8);
    std::memcpy(&trampoline, data + 8, 8);
    source &= 0x00007FFFFFFFFFF0ull;  // user-mode addresses, as the interception sees them
    trampoline = (source + (static_cast<std::int64_t>(trampoline) >> 33)) & 0x00007FFFFFFFFFF0ull;
    const std::uint8_t* code = data + 16;
    const std::size_t available = size - 16;

    const Instruction ins = DecodeInstruction(code, available);
    cs_insn* cs = nullptr;
    const bool csDecoded = cs_disasm(Capstone(), code, available, source, 1, &cs) == 1;
    if (csDecoded) {
        const cs_x86& x86 = cs->detail->x86;
        bool csRip = false, csBranch = false;
        for (int i = 0; i < x86.op_count; ++i) csRip = csRip || (x86.operands[i].type == X86_OP_MEM && x86.operands[i].mem.base == X86_REG_RIP);
        for (int g = 0; g < cs->detail->groups_count; ++g) csBranch = csBranch || cs->detail->groups[g] == CS_GRP_BRANCH_RELATIVE;
        if (ins.decoded && !RepeatAfterOperandSize(code, available)) {
            FUZZ_CHECK(ins.length == cs->size);
            FUZZ_CHECK(ins.ripRelative() == csRip);
            if (csRip) FUZZ_CHECK(Read(code + ins.ripDisplacementAt, 4) == x86.disp);
            if (csBranch) {
                FUZZ_CHECK(ins.branchAt >= 0 && x86.operands[0].type == X86_OP_IMM);
                FUZZ_CHECK(ins.BranchTarget(code, source) == static_cast<std::uint64_t>(x86.operands[0].imm));
            }
        }
    }
    if (cs) cs_free(cs, 1);

    const Trampoline t = BuildTrampoline(code, available, source, trampoline);
    if (!t.ok()) return 0;
    FUZZ_CHECK(t.covered >= kAbsoluteJumpSize && t.covered <= available && t.code.size() <= kTrampolineCapacity);
    for (std::size_t k = 0; k < t.offsets.size() && t.offsets[k].first < t.covered; ++k) {
        const auto [from, to] = t.offsets[k];
        const Instruction moved = DecodeInstruction(code + from, available - from);
        FUZZ_CHECK(moved.decoded);
        if (moved.branchAt >= 0) {
            // Moved as an absolute jump ("jmp [rip+0]" and the address) somewhere in its place.
            const std::uint64_t target = moved.BranchTarget(code + from, source + from);
            const std::size_t end = k + 1 < t.offsets.size() ? t.offsets[k + 1].second : t.code.size();
            bool found = false;
            for (std::size_t at = to; at + 8 <= end && !found; ++at) found = std::memcmp(&t.code[at], &target, 8) == 0;
            FUZZ_CHECK(found);
        } else {
            const std::size_t same = moved.ripRelative() ? moved.ripDisplacementAt : moved.length;
            FUZZ_CHECK(std::memcmp(&t.code[to], code + from, same) == 0);
            if (moved.ripRelative()) {
                const std::size_t after = moved.ripDisplacementAt + 4u;
                FUZZ_CHECK(std::memcmp(&t.code[to + after], code + from + after, moved.length - after) == 0);
                const std::uint64_t original = source + from + moved.length + Read(code + from + moved.ripDisplacementAt, 4);
                const std::uint64_t there = trampoline + to + moved.length + Read(&t.code[to + moved.ripDisplacementAt], 4);
                FUZZ_CHECK(original == there);
            }
        }
    }
    return 0;
}
