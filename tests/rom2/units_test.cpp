// The second ROM's units as the generator writes them: the documented routines and counts, the
// committed files, and every case's expected values recomputed here, byte by byte, from the
// instruction set rather than from the generator's formulas.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "rom2_support.h"
#include "units.h"
#include "units2.h"

namespace rom2test {
namespace {

using casegen::Unit;

const std::vector<Unit>& units() {
    static const std::vector<Unit> built = [] {
        std::vector<Unit> out;
        for (const auto& e : casegen::kUnits2)
            out.push_back(casegen::buildUnit(e));
        return out;
    }();
    return built;
}

const Unit& unitNamed(std::string_view mnemonic) {
    for (const auto& u : units())
        if (u.mnemonic == mnemonic) return u;
    throw std::out_of_range(std::string(mnemonic));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Rom2Units, RoutinesAndCountsAreTheDocumentedOnes) {
    ASSERT_EQ(units().size(), kDocumented.size());
    int total = 0;
    for (std::size_t i = 0; i < units().size(); ++i) {
        const Unit& u = units()[i];
        EXPECT_EQ(u.number, kDocumented[i].number);
        EXPECT_EQ(u.mnemonic, kDocumented[i].mnemonic);
        const auto calls = callsOf(u);
        EXPECT_EQ(static_cast<int>(calls.size()), kDocumented[i].cases) << u.name();
        for (std::size_t k = 0; k < calls.size(); ++k)
            EXPECT_EQ(calls[k].number, static_cast<int>(k) + 1) << u.name() << " numbers its cases";
        EXPECT_NE(u.title.find("in " + std::to_string(calls.size()) + " cases"), std::string::npos)
            << u.title;
        total += static_cast<int>(calls.size());
    }
    EXPECT_EQ(total, kDocumentedCases);
    const std::string readme = readFile(CORETEST_SOURCE_DIR "/rom2/README.md");
    EXPECT_NE(readme.find("**24 routines, " + std::to_string(total) + " cases**"),
              std::string::npos)
        << "rom2/README.md states the counts";
}

TEST(Rom2Units, CommittedUnitsAreTheGeneratorsOutput) {
    for (const Unit& u : units())
        EXPECT_EQ(readFile(CORETEST_SOURCE_DIR "/rom2/inst/" + u.fileName()),
                  casegen::renderUnit(u))
            << "regenerate with casegen --rom 2 --out rom2/inst: " << u.fileName();
}

TEST(Rom2Units, TheFirstRomsTableIsUntouched) {
    EXPECT_EQ(casegen::kUnits.size(), 58u);
    EXPECT_EQ(casegen::findUnit("n59_lb"), nullptr);
    EXPECT_EQ(casegen::findUnit2("n6_lw"), nullptr);
    ASSERT_NE(casegen::findUnit2("n73_hz_link_test"), nullptr);
    EXPECT_EQ(casegen::findUnit2("n73_hz_link_test")->number, 73);
}

// Memory as bytes: the word at A, and the pair at A, A + 4, little-endian.
std::array<std::uint8_t, 8> bytesOf(std::uint32_t w0, std::uint32_t w1 = 0) {
    std::array<std::uint8_t, 8> b{};
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<std::uint8_t>(w0 >> (8 * i));
        b[4 + i] = static_cast<std::uint8_t>(w1 >> (8 * i));
    }
    return b;
}
std::uint32_t wordAt(const std::array<std::uint8_t, 8>& b, unsigned at) {
    std::uint32_t w = 0;
    for (unsigned i = 0; i < 4; ++i)
        w |= static_cast<std::uint32_t>(b[at + i]) << (8 * i);
    return w;
}

struct Placed {
    std::uint32_t word; // aligned word address
    unsigned offset;    // byte of the access within it
};
// base + displacement, checked to lie within the word at `word` and in the RAM the cases use.
Placed placed(const Call& c, std::size_t wordArg, std::size_t baseArg, std::size_t dispArg) {
    const std::uint32_t a = word(c.args[wordArg]);
    const std::uint32_t at =
        word(c.args[baseArg]) + static_cast<std::uint32_t>(value(c.args[dispArg]));
    EXPECT_EQ(a % 4, 0u);
    EXPECT_TRUE(a >= 0x80010000u && a + 8 <= 0x80040000u) << std::hex << a;
    EXPECT_GE(value(c.args[dispArg]), -0x8000);
    EXPECT_LE(value(c.args[dispArg]), 0x7fff);
    return {a, at - a};
}

TEST(Rom2Cases, ByteAndHalfwordLoadsGiveTheExtendedLane) {
    for (const std::string_view op : {"lb", "lbu", "lh", "lhu"}) {
        const unsigned size = op[1] == 'b' ? 1 : 2;
        const bool sign = op.size() == 2;
        std::set<std::tuple<std::string, unsigned, bool>> seen; // macro, lane, lane's top bit
        std::set<bool> negative;
        for (const Call& c : callsOf(unitNamed(op))) {
            ASSERT_EQ(c.args.size(), 6u) << c.macro;
            EXPECT_EQ(c.args[0], op);
            const Placed p = placed(c, 2, 3, 4);
            ASSERT_LT(p.offset, 4u);
            EXPECT_EQ(p.offset % size, 0u) << "an aligned lane";
            const auto mem = bytesOf(word(c.args[1]));
            std::uint32_t v = mem[p.offset];
            if (size == 2) v |= static_cast<std::uint32_t>(mem[p.offset + 1]) << 8;
            const bool top = (v >> (8 * size - 1)) != 0;
            if (sign && top) v |= size == 1 ? 0xffffff00u : 0xffff0000u;
            EXPECT_EQ(word(c.args[5]), v) << c.macro << " case " << c.number;
            seen.insert({c.macro, p.offset, top});
            negative.insert(value(c.args[4]) < 0);
        }
        for (unsigned lane = 0; lane < 4; lane += size) {
            for (bool top : {false, true})
                EXPECT_TRUE(seen.contains({"ld_case", lane, top})) << op << " lane " << lane;
            for (const char* m : {"ld_same", "ld_use", "ld_slot"})
                EXPECT_TRUE(seen.contains({m, lane, false}) || seen.contains({m, lane, true}))
                    << op << " " << m << " lane " << lane;
        }
        EXPECT_EQ(negative.size(), 2u) << op << ": displacements of both signs";
    }
}

TEST(Rom2Cases, ByteAndHalfwordStoresChangeTheirLaneOnly) {
    for (const std::string_view op : {"sb", "sh"}) {
        const unsigned size = op == "sb" ? 1 : 2;
        std::set<std::pair<std::string, unsigned>> seen;
        for (const Call& c : callsOf(unitNamed(op))) {
            EXPECT_EQ(c.args[0], op);
            const bool load = c.macro == "st_load";
            const std::size_t k = load ? 1 : 0; // st_load names its load second
            const Placed p = placed(c, 2 + k, 3 + k, 4 + k);
            ASSERT_LT(p.offset, 4u);
            EXPECT_EQ(p.offset % size, 0u);
            auto mem = bytesOf(word(c.args[1 + k]));
            const std::uint32_t v = word(c.args[5 + k]);
            for (unsigned i = 0; i < size; ++i)
                mem[p.offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
            EXPECT_EQ(word(c.args[6 + k]), wordAt(mem, 0)) << c.macro << " case " << c.number;
            if (load) {
                const auto read = [&](unsigned at) {
                    return size == 1 ? mem[at] : mem[at] | static_cast<unsigned>(mem[at + 1]) << 8;
                };
                EXPECT_EQ(c.args[1], size == 1 ? "lbu" : "lhu");
                EXPECT_EQ(word(c.args[8]), read(p.offset));
                const auto near = static_cast<std::uint32_t>(word(c.args[4]) + value(c.args[9])) -
                                  word(c.args[3]);
                ASSERT_LT(near, 4u);
                EXPECT_NE(near, p.offset) << "the neighbouring lane";
                EXPECT_EQ(word(c.args[10]), read(near));
            }
            seen.insert({c.macro, p.offset});
        }
        for (unsigned lane = 0; lane < 4; lane += size)
            for (const char* m : {"st_case", "st_slot", "st_load", "st_over"})
                EXPECT_TRUE(seen.contains({m, lane})) << op << " " << m << " lane " << lane;
    }
}

// The partial-word instructions byte by byte (little-endian): the bytes from the addressed one
// down to the start of its word (lwl, swl) or up to its end (lwr, swr) move between memory and
// the high (lwl, swl) or low (lwr, swr) end of the register.
std::uint32_t partialLoad(bool left, std::uint32_t reg, std::uint32_t mem, unsigned b) {
    auto r = bytesOf(reg);
    const auto m = bytesOf(mem);
    if (left)
        for (unsigned i = 0; i <= b; ++i)
            r[3 - b + i] = m[i];
    else
        for (unsigned i = b; i < 4; ++i)
            r[i - b] = m[i];
    return wordAt(r, 0);
}
std::uint32_t partialStore(bool left, std::uint32_t mem, std::uint32_t reg, unsigned b) {
    auto m = bytesOf(mem);
    const auto r = bytesOf(reg);
    if (left)
        for (unsigned i = 0; i <= b; ++i)
            m[i] = r[3 - b + i];
    else
        for (unsigned i = b; i < 4; ++i)
            m[i] = r[i - b];
    return wordAt(m, 0);
}

TEST(Rom2Cases, PartialWordsMergeAtEveryAlignment) {
    for (const std::string_view op : {"lwl", "lwr", "swl", "swr"}) {
        const bool left = op[2] == 'l', isLoad = op[0] == 'l';
        std::set<unsigned> single, pairs;
        for (const Call& c : callsOf(unitNamed(op))) {
            if (c.macro == "pw_load" || c.macro == "pw_store") {
                EXPECT_EQ(c.args[0], op);
                const Placed p = placed(c, 2, 3, 4);
                ASSERT_LT(p.offset, 4u);
                const std::uint32_t w = word(c.args[1]), r = word(c.args[5]);
                EXPECT_EQ(word(c.args[6]), isLoad ? partialLoad(left, r, w, p.offset)
                                                  : partialStore(left, w, r, p.offset))
                    << op << " case " << c.number;
                single.insert(p.offset);
                continue;
            }
            // Pairs: first, second, W0, W1, A, B, D1, D2, then the register or value and results.
            ASSERT_TRUE(c.macro == "pw_pair_load" || c.macro == "pw_pair_store") << c.macro;
            EXPECT_EQ(c.args[1], op) << "the routine's instruction comes second";
            const std::uint32_t a = word(c.args[4]), base = word(c.args[5]);
            const std::uint32_t at1 = base + static_cast<std::uint32_t>(value(c.args[6]));
            const std::uint32_t at2 = base + static_cast<std::uint32_t>(value(c.args[7]));
            const bool firstLeft = c.args[0][2] == 'l';
            const std::uint32_t low = firstLeft ? at2 : at1, high = firstLeft ? at1 : at2;
            EXPECT_EQ(high, low + 3) << "the pair covers one unaligned word";
            ASSERT_LT(low - a, 4u);
            auto mem = bytesOf(word(c.args[2]), word(c.args[3]));
            const std::uint32_t v = word(c.args[8]);
            if (isLoad) {
                EXPECT_EQ(word(c.args[9]), wordAt(mem, low - a)) << op << " case " << c.number;
            } else {
                for (unsigned i = 0; i < 4; ++i)
                    mem[low - a + i] = static_cast<std::uint8_t>(v >> (8 * i));
                EXPECT_EQ(word(c.args[9]), wordAt(mem, 0)) << op << " case " << c.number;
                EXPECT_EQ(word(c.args[10]), wordAt(mem, 4)) << op << " case " << c.number;
            }
            pairs.insert(low - a);
        }
        EXPECT_EQ(single, (std::set<unsigned>{0, 1, 2, 3})) << op;
        EXPECT_EQ(pairs, (std::set<unsigned>{0, 1, 2, 3})) << op;
    }
}

TEST(Rom2Cases, HazardsCoverEveryProducerConsumerAndDistance) {
    const std::map<std::string_view, std::set<std::string>> producers{
        {"hz_alu", {"alu"}},
        {"hz_shift", {"shift"}},
        {"hz_load", {"load"}},
        {"hz_hilo", {"mfhi", "mflo"}},
        {"hz_link", {"jal", "jalr", "bltzal", "bgezal"}}};
    std::set<std::string> shifts;
    for (const auto& [routine, kinds] : producers) {
        std::set<std::tuple<std::string, std::string, int>> seen;
        for (const Call& c : callsOf(unitNamed(routine))) {
            if (c.macro == "hz_vshift") { // a variable shift: only the amount's low five bits
                const std::uint32_t v = word(c.args[1]), s = word(c.args[2]);
                EXPECT_NE(s & ~31u, 0u) << "case " << c.number << ": bits above 4 set";
                const unsigned n = s & 31;
                const std::uint32_t r =
                    c.args[0] == "sllv" ? v << n
                    : c.args[0] == "srlv"
                        ? v >> n
                        : static_cast<std::uint32_t>(static_cast<std::int32_t>(v) >> n);
                EXPECT_EQ(word(c.args[3]), r) << "case " << c.number;
                shifts.insert(c.args[0]);
                continue;
            }
            seen.insert({c.args[0], c.args[1], static_cast<int>(value(c.args[2]))});
            if (c.macro == "hz_case" && c.args[1] == "base") {
                const std::uint32_t p = word(c.args[3]);
                EXPECT_TRUE(p >= 0x80000500u && p + 8 <= 0x80000580u) << "scratch words";
            }
            if (c.args[0] == "shift") EXPECT_EQ(word(c.args[3]) % 4, 0u) << "sll by 2 gives P";
        }
        for (const auto& p : kinds)
            for (const std::string consumer : {"rs", "rt", "store", "base", "branch", "jr"})
                for (int d = 1; d <= 3; ++d) {
                    // No branch or jump in a load's or a jump's delay slot.
                    const bool slot = d == 1 && (p == "load" || routine == "hz_link") &&
                                      (consumer == "branch" || consumer == "jr");
                    EXPECT_EQ(seen.contains({p, consumer, d}), !slot)
                        << p << " -> " << consumer << " at " << d;
                }
    }
    EXPECT_EQ(shifts, (std::set<std::string>{"sllv", "srav", "srlv"}));
}

std::pair<std::uint32_t, std::uint32_t> hiLo(std::string_view op, std::uint32_t a,
                                             std::uint32_t b) {
    const auto sa = static_cast<std::int64_t>(static_cast<std::int32_t>(a));
    const auto sb = static_cast<std::int64_t>(static_cast<std::int32_t>(b));
    if (op == "mult") {
        const auto p = static_cast<std::uint64_t>(sa * sb);
        return {static_cast<std::uint32_t>(p >> 32), static_cast<std::uint32_t>(p)};
    }
    if (op == "multu") {
        const std::uint64_t p = std::uint64_t{a} * b;
        return {static_cast<std::uint32_t>(p >> 32), static_cast<std::uint32_t>(p)};
    }
    if (op == "div")
        return {static_cast<std::uint32_t>(sa % sb), static_cast<std::uint32_t>(sa / sb)};
    return {a % b, a / b};
}

TEST(Rom2Cases, HiLoAtEveryDistanceAndOverlappingOperations) {
    std::map<std::string, std::set<int>> distances;
    std::set<std::string> zeroed; // mthi and mtlo of 0 over a non-zero value
    for (const Call& c : callsOf(unitNamed("hilo_dist"))) {
        if (c.macro == "hilo_zero") {
            EXPECT_NE(word(c.args[1]), 0u) << "case " << c.number << ": the value before the 0";
            zeroed.insert(c.args[0]);
            continue;
        }
        distances[c.args[0]].insert(
            static_cast<int>(value(c.args[c.macro == "hilo_move" ? 2 : 3])));
        if (c.macro != "hilo_after") continue;
        const auto [hi, lo] = hiLo(c.args[0], word(c.args[1]), word(c.args[2]));
        EXPECT_EQ(word(c.args[4]), hi) << "case " << c.number;
        EXPECT_EQ(word(c.args[5]), lo) << "case " << c.number;
    }
    std::set<int> all;
    for (int d = 0; d <= 40; ++d)
        all.insert(d);
    for (const char* op : {"mult", "multu", "div", "divu", "mthi", "mtlo"})
        EXPECT_EQ(distances[op], all) << op;
    EXPECT_EQ(zeroed, (std::set<std::string>{"mthi", "mtlo"}));
    std::set<std::pair<std::string, std::string>> pairs;
    int quiet = 0;
    for (const Call& c : callsOf(unitNamed("md_again"))) {
        if (c.macro == "md_quiet") { // only its exception is checked: the result is undefined
            EXPECT_EQ(c.args, (std::vector<std::string>{"div", "0x80000000", "0xffffffff"}));
            ++quiet;
            continue;
        }
        const auto [hi, lo] = hiLo(c.args[4], word(c.args[5]), word(c.args[6]));
        EXPECT_EQ(word(c.args[7]), hi) << "the second operation's result, case " << c.number;
        EXPECT_EQ(word(c.args[8]), lo) << "case " << c.number;
        EXPECT_LE(value(c.args[3]), 2);
        pairs.insert({c.args[0], c.args[4]});
    }
    EXPECT_EQ(pairs.size(), 16u) << "every multiply or divide over every other";
    EXPECT_EQ(quiet, 1);
}

// Status bits: IEc 0, KUc 1, IEp 2, KUp 3, IEo 4, KUo 5; BEV 22.
std::uint32_t pushed(std::uint32_t s) {
    std::uint32_t out = s & ~0x3fu;
    for (int bit = 0; bit < 4; ++bit)
        if (s >> bit & 1) out |= 1u << (bit + 2); // current to previous, previous to old
    return out;
}
std::uint32_t popped(std::uint32_t s) {
    std::uint32_t out = s & ~0xfu; // old stays
    for (int bit = 2; bit < 6; ++bit)
        if (s >> bit & 1) out |= 1u << (bit - 2);
    return out;
}

TEST(Rom2Cases, ExceptionsExpectTheR3000Record) {
    const std::map<std::string_view, std::uint32_t> codes{{"ov", 12},  {"syscall", 8}, {"break", 9},
                                                          {"adel", 4}, {"ades", 5},    {"ri", 10}};
    for (const auto& [routine, code] : codes) {
        std::set<std::string> slots;
        for (const Call& c : callsOf(unitNamed(routine))) {
            const std::size_t n = c.args.size();
            const std::string slot = c.macro == "adel_jump" ? "none" : c.args[0];
            slots.insert(slot);
            EXPECT_EQ(word(c.args[n - 4]), (slot == "none" ? 0u : 0x80000000u) | code << 2)
                << routine << " case " << c.number << ": Cause";
            const std::uint32_t s = word(c.args[n - 3]);
            EXPECT_EQ(s & 0xffbfffc2u, 0u) << "kernel mode, BEV, no other bits";
            EXPECT_EQ(s & 0x00400000u, 0x00400000u);
            EXPECT_EQ(word(c.args[n - 2]), pushed(s)) << routine << " case " << c.number;
            EXPECT_EQ(word(c.args[n - 1]), popped(pushed(s))) << routine << " case " << c.number;
            if (c.macro == "ov_case") {
                const auto a =
                    static_cast<std::int64_t>(static_cast<std::int32_t>(word(c.args[3])));
                const std::int64_t b = c.args[1] == "addi"
                                           ? value(c.args[4])
                                           : static_cast<std::int32_t>(word(c.args[4]));
                if (c.args[1] == "addi") EXPECT_TRUE(b >= -32768 && b <= 32767);
                const std::int64_t r = c.args[1] == "sub" ? a - b : a + b;
                EXPECT_TRUE(r > INT32_MAX || r < INT32_MIN) << "case " << c.number << " overflows";
            }
            if (c.macro == "adel_case" || c.macro == "ades_case") {
                const std::uint32_t at =
                    word(c.args[2]) + static_cast<std::uint32_t>(value(c.args[3]));
                const unsigned size = c.args[1] == "lw" || c.args[1] == "sw" ? 4 : 2;
                EXPECT_NE(at % size, 0u) << routine << " case " << c.number << " is misaligned";
            }
        }
        EXPECT_EQ(slots, (std::set<std::string>{"none", "beq", "bne", "j", "jr"})) << routine;
    }
}

TEST(Rom2Cases, Cp0CasesStayInKernelModeAndExpectTheWritableBits) {
    for (const Call& c : callsOf(unitNamed("cp0"))) {
        if (c.macro == "c0_status") {
            const std::uint32_t v = word(c.args[0]);
            EXPECT_EQ(v & 2u, 0u) << "KUc stays 0";
            EXPECT_NE(v & 0x00400000u, 0u) << "BEV stays set";
            EXPECT_EQ(word(c.args[1]), v & (0xf0000000u | 0x00400000u | 0xff00u | 0x3fu));
        }
        if (c.macro == "c0_rfe" || c.macro == "c0_rfe_jr") {
            const std::uint32_t s = word(c.args[0]);
            EXPECT_EQ(s & 0xau, 0u) << "KUc and KUp 0: kernel mode before and after the pop";
            EXPECT_EQ(word(c.args[1]), popped(s)) << "case " << c.number;
        }
    }
}

} // namespace
} // namespace rom2test
