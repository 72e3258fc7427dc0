#pragma once
// The MIPS-I encodings the generator writes: primary opcodes, SPECIAL functions and REGIMM codes.
namespace coretest::random {

enum : unsigned {
    kJ = 0x02,
    kCop0 = 0x10,
    kJal = 0x03,
    kBeq = 0x04,
    kBne = 0x05,
    kBlez = 0x06,
    kBgtz = 0x07,
    kAddi = 0x08,
    kAddiu = 0x09,
    kSlti = 0x0a,
    kSltiu = 0x0b,
    kAndi = 0x0c,
    kOri = 0x0d,
    kXori = 0x0e,
    kLui = 0x0f,
    kLb = 0x20,
    kLh = 0x21,
    kLwl = 0x22,
    kLw = 0x23,
    kLbu = 0x24,
    kLhu = 0x25,
    kLwr = 0x26,
    kSb = 0x28,
    kSh = 0x29,
    kSwl = 0x2a,
    kSw = 0x2b,
    kSwr = 0x2e,
};
enum : unsigned {
    fSll = 0x00,
    fSrl = 0x02,
    fSra = 0x03,
    fSllv = 0x04,
    fSrlv = 0x06,
    fSrav = 0x07,
    fJr = 0x08,
    fJalr = 0x09,
    fSyscall = 0x0c,
    fBreak = 0x0d,
    fMfhi = 0x10,
    fMthi = 0x11,
    fMflo = 0x12,
    fMtlo = 0x13,
    fMult = 0x18,
    fMultu = 0x19,
    fDiv = 0x1a,
    fDivu = 0x1b,
    fAdd = 0x20,
    fAddu = 0x21,
    fSub = 0x22,
    fSubu = 0x23,
    fAnd = 0x24,
    fOr = 0x25,
    fXor = 0x26,
    fNor = 0x27,
    fSlt = 0x2a,
    fSltu = 0x2b,
};
// Coprocessor 0: the rs field of mfc0 and mtc0, rfe's word, the registers the handler reads.
enum : unsigned { cMf = 0x00, cMt = 0x04, kRfe = 0x42000010 };
enum : unsigned { c0BadVAddr = 8, c0Status = 12, c0Cause = 13, c0Epc = 14 };
enum : unsigned { rBltz = 0x00, rBgez = 0x01, rBltzal = 0x10, rBgezal = 0x11 };

} // namespace coretest::random
