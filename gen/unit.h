#pragma once
// One generated test unit: its frame, the template includes, and one line per case.
#include <cstdint>
#include <string>
#include <vector>

namespace casegen {

// A counted property of a routine's case list, as `casegen --report` prints it.
struct Property {
    std::string name;
    std::string target;
    std::string actual;
    bool met = false;
};

Property countProperty(std::string name, long target, long actual);
Property rangeProperty(std::string name, long low, long high, long actual);
Property flagProperty(std::string name, bool holds);

struct Unit {
    int number = 0;          // place in the run order, N of nN_<mnemonic>
    std::string mnemonic;    // e.g. "or", "beq_ds"
    std::string title;       // one-line banner: what the routine tests
    std::vector<std::string> includes; // family template files, e.g. "alu_rr.inc"
    std::string returnReg = "ra";      // register the report block returns through
    std::vector<std::string> lines;    // body lines between the frame's entry and exit
    int bodyWords = 0;                 // instructions the body assembles to
    std::vector<Property> properties;

    std::string name() const { return "n" + std::to_string(number) + "_" + mnemonic; }
    std::string routine() const { return name() + "_test"; }
    std::string fileName() const { return name() + ".S"; }
    // Frame instructions around the body: entry (2), then bnez/nop, addiu s3, report (3), jr/nop.
    static constexpr int kFrameWords = 10;
    int routineBytes() const { return 4 * (kFrameWords + bodyWords); }
};

// The unit's source text as it is committed under rom/inst/.
std::string renderUnit(const Unit& unit);

// Hexadecimal literal as the units write it: 0x followed by eight digits.
std::string hex32(std::uint32_t v);
std::string hex16(std::uint32_t v);

} // namespace casegen
