#include "intercept/InstructionDecoder.h"

#include <cstring>

namespace vorn::intercept {

namespace {

constexpr std::size_t kMaxLength = 15;

std::int64_t ReadSigned(const std::uint8_t* p, int size) {
    if (size == 1) return static_cast<std::int8_t>(p[0]);
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

struct Cursor {
    const std::uint8_t* code;
    std::size_t available;
    std::size_t at = 0;
    bool ok = true;

    std::uint8_t Take() {
        if (at >= available || at >= kMaxLength) {
            ok = false;
            return 0;
        }
        return code[at++];
    }
    void Skip(std::size_t n) {
        if (at + n > available || at + n > kMaxLength) {
            ok = false;
            return;
        }
        at += n;
    }
};

// Reads ModRM (and SIB and displacement); returns the reg field.
int ModRm(Cursor& c, Instruction& ins) {
    const std::uint8_t modrm = c.Take();
    const int mod = modrm >> 6, rm = modrm & 7;
    if (mod == 3) return (modrm >> 3) & 7;
    if (rm == 4) {
        const std::uint8_t sib = c.Take();
        if (mod == 0 && (sib & 7) == 5) c.Skip(4);  // no base: disp32
    } else if (mod == 0 && rm == 5) {
        ins.ripDisplacementAt = static_cast<std::int8_t>(c.at);
        c.Skip(4);
    }
    if (mod == 1) c.Skip(1);
    if (mod == 2) c.Skip(4);
    return (modrm >> 3) & 7;
}

void Branch(Cursor& c, Instruction& ins, Flow flow, int size) {
    ins.flow = flow;
    ins.branchAt = static_cast<std::int8_t>(c.at);
    ins.branchSize = static_cast<std::uint8_t>(size);
    c.Skip(size);
}

bool TwoByte(Cursor& c, Instruction& ins) {
    const std::uint8_t op = c.Take();
    auto in = [op](int a, int b) { return op >= a && op <= b; };
    if (op == 0x38) {  // three-byte map 0F 38
        c.Take();
        ModRm(c, ins);
        return true;
    }
    if (op == 0x3A) {  // three-byte map 0F 3A: always an imm8
        c.Take();
        ModRm(c, ins);
        c.Skip(1);
        return true;
    }
    if (in(0x80, 0x8F)) {
        ins.condition = op & 0x0F;
        Branch(c, ins, Flow::CondRelative, 4);
        return true;
    }
    if (op == 0x0B) {  // ud2
        ins.flow = Flow::Stop;
        return true;
    }
    if (op == 0x05 || op == 0x06 || op == 0x08 || op == 0x09 || op == 0x0E || in(0x30, 0x35) || op == 0x77 ||
        op == 0xA0 || op == 0xA1 || op == 0xA2 || op == 0xA8 || op == 0xA9 || in(0xC8, 0xCF))
        return true;  // no operands
    // sysret, getsec, rsm and moves to or from control and debug registers: privileged,
    // never in a user-mode function (and the moves ignore their ModRM's mode bits).
    if (op == 0x07 || op == 0x37 || op == 0xAA || in(0x20, 0x23)) return false;
    // vmread/vmwrite, which with a 66 or F2 prefix are other instructions with two
    // immediates: never in a user-mode function either.
    if (op == 0x78 || op == 0x79) return false;
    if (op == 0xFF || op == 0xB9) return false;  // ud0, ud1: with a ModRM byte on some processors, without on others
    if (in(0x70, 0x73) || op == 0xA4 || op == 0xAC || op == 0xBA || op == 0xC2 || in(0xC4, 0xC6)) {
        ModRm(c, ins);
        c.Skip(1);
        return true;
    }
    if (in(0x00, 0x03) || op == 0x0D || in(0x10, 0x1F) || in(0x28, 0x2F) || in(0x40, 0x6F) ||
        in(0x74, 0x76) || in(0x7C, 0x7F) || in(0x90, 0x9F) || op == 0xA3 || op == 0xA5 ||
        in(0xAB, 0xAB) || in(0xAD, 0xAF) || in(0xB0, 0xB9) || in(0xBB, 0xBF) || op == 0xC0 || op == 0xC1 ||
        op == 0xC3 || op == 0xC7 || in(0xD0, 0xFF)) {
        ModRm(c, ins);
        return true;
    }
    return false;
}

}  // namespace

std::uint64_t Instruction::BranchTarget(const std::uint8_t* code, std::uint64_t address) const {
    return address + length + static_cast<std::uint64_t>(ReadSigned(code + branchAt, branchSize));
}

Instruction DecodeInstruction(const std::uint8_t* code, std::size_t available) {
    Instruction ins;
    if (!code) return ins;
    Cursor c{code, available};
    bool operand16 = false, address32 = false, rexW = false;
    std::uint8_t op = c.Take();
    for (;;) {
        if (op == 0x66) {
            operand16 = true;
        } else if (op == 0x67) {
            address32 = true;
        } else if (op == 0x26 || op == 0x2E || op == 0x36 || op == 0x3E || op == 0x64 || op == 0x65 || op == 0xF0 ||
                   op == 0xF2 || op == 0xF3) {
        } else {
            break;
        }
        op = c.Take();
        if (!c.ok) return Instruction{};
    }
    if (op >= 0x40 && op <= 0x4F) {  // REX must come right before the opcode
        rexW = (op & 8) != 0;
        op = c.Take();
    }
    const int immz = operand16 && !rexW ? 2 : 4;
    auto in = [op](int a, int b) { return op >= a && op <= b; };
    bool known = true;

    if (op == 0x0F) {
        known = TwoByte(c, ins);
    } else if (op < 0x40) {
        const int low = op & 7;
        if (low >= 6) {
            known = false;  // push/pop segment, daa and friends: invalid in 64-bit mode
        } else if (low <= 3) {
            ModRm(c, ins);
        } else if (low == 4) {
            c.Skip(1);
        } else {
            c.Skip(immz);
        }
    } else if (in(0x40, 0x4F)) {
        known = false;  // a second REX
    } else if (in(0x50, 0x5F) || in(0x6C, 0x6F) || in(0x90, 0x99) || in(0x9B, 0x9F) || in(0xA4, 0xA7) ||
               in(0xAA, 0xAF) || op == 0xC9 || op == 0xD7 || in(0xEC, 0xEF) || op == 0xF1 || op == 0xF5 ||
               in(0xF8, 0xFD)) {
        // no operands
    } else if (op == 0x63 || in(0x84, 0x8E) || in(0xD0, 0xD3) || in(0xD8, 0xDF) || op == 0xFE) {
        ModRm(c, ins);
    } else if (op == 0x8F) {
        // Only /0 is pop r/m; any other reg field makes 8F the start of a three-byte XOP
        // prefix, whose instruction is longer.
        if (ModRm(c, ins) != 0) known = false;
    } else if (op == 0x68) {
        c.Skip(immz);
    } else if (op == 0x69 || op == 0x81) {
        ModRm(c, ins);
        c.Skip(immz);
    } else if (op == 0xC7) {
        // Only /0 is a mov; C7 F8 is xbegin, whose operand is a branch distance that a
        // copy would leave pointing elsewhere. Not moved.
        if (ModRm(c, ins) != 0) known = false;
        c.Skip(immz);
    } else if (op == 0x6A || in(0xB0, 0xB7) || op == 0xA8 || op == 0xCD || in(0xE4, 0xE7)) {
        c.Skip(1);
    } else if (op == 0xC6) {
        const std::uint8_t modrm = c.at < available ? code[c.at] : 0;
        if (ModRm(c, ins) != 0 && modrm != 0xF8) known = false;  // mov, or xabort imm8
        c.Skip(1);
    } else if (op == 0x6B || op == 0x80 || op == 0x83 || op == 0xC0 || op == 0xC1) {
        ModRm(c, ins);
        c.Skip(1);
    } else if (in(0x70, 0x7F)) {
        ins.condition = op & 0x0F;
        Branch(c, ins, Flow::CondRelative, 1);
    } else if (in(0xA0, 0xA3)) {
        c.Skip(address32 ? 4 : 8);  // absolute address operand
    } else if (op == 0xA9) {
        c.Skip(immz);
    } else if (in(0xB8, 0xBF)) {
        c.Skip(rexW ? 8 : immz);
    } else if (op == 0xC2 || op == 0xCA) {
        // A return with an operand-size prefix pops a 16-bit address on some processors,
        // and with that or an address-size prefix decoders disagree about its length. No
        // 64-bit function ends that way, and a return is never moved anyway.
        if (operand16 || address32) known = false;
        c.Skip(2);
        ins.flow = Flow::Return;
    } else if (op == 0xC3 || op == 0xCB || op == 0xCF) {
        ins.flow = Flow::Return;
    } else if (op == 0xC8) {
        c.Skip(3);
    } else if (op == 0xCC || op == 0xF4) {
        ins.flow = Flow::Stop;
    } else if (in(0xE0, 0xE3)) {
        Branch(c, ins, Flow::LoopRelative, 1);
    } else if (op == 0xE8) {
        Branch(c, ins, Flow::CallRelative, 4);
    } else if (op == 0xE9) {
        Branch(c, ins, Flow::JumpRelative, 4);
    } else if (op == 0xEB) {
        Branch(c, ins, Flow::JumpRelative, 1);
    } else if (op == 0xF6 || op == 0xF7) {
        const int reg = ModRm(c, ins);
        if (reg < 2) c.Skip(op == 0xF6 ? 1 : immz);  // test r/m, imm
    } else if (op == 0xFF) {
        const int reg = ModRm(c, ins);
        if (reg == 7) known = false;
        if (reg == 4 || reg == 5) ins.flow = Flow::JumpIndirect;
    } else {
        known = false;  // 0x62 EVEX, 0xC4/0xC5 VEX, 0x9A, 0xEA, 0xCE, 0xD4-0xD6, 0x60, 0x61, 0x82
    }
    if (!known || !c.ok) return Instruction{};
    // With an address-size prefix the operand is EIP-relative: its address is cut to 32
    // bits, which a moved copy cannot reproduce. On a relative branch the prefix's effect
    // on the target (and, for some decoders, on the length) is not settled: not moved.
    if (address32 && (ins.ripRelative() || ins.branchAt >= 0)) return Instruction{};
    // An operand-size prefix on a near branch makes its distance 16 bits on some
    // processors and leaves it 32 bits on others: the length itself is not known.
    if (operand16 && ins.branchSize == 4) return Instruction{};
    ins.decoded = true;
    ins.length = static_cast<std::uint8_t>(c.at);
    return ins;
}

}  // namespace vorn::intercept
