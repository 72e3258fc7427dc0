// Real testbench traces: the reference core's trace rewritten the ways a testbench writes it
// (out of order, tagged, cut, with x values, physical addresses, compressed, CR line ends) or
// the ways a faulty core writes it (a record missing, an extra store, a missed branch), each
// compared and named as what it is.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <sstream>

#include "coretest/catalogue.h"
#include "coretest/compare_report.h"
#include "support/reference_trace.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;
using Kind = Divergence::Kind;
using Outcome = TraceComparison::Outcome;
using Lines = std::vector<std::string>;

// The reference trace, each line tagged with its instruction's retirement number.
class TaggedWriter : public CommitStream {
  public:
    Lines lines;

  protected:
    void committed(std::uint32_t, const std::vector<TraceRecord>& records) override {
        for (const auto& r : records)
            lines.push_back(fmt::format("@{} {}", instructions(), formatRecord(r)));
    }
};

const Lines& tagged(const std::vector<FaultSelection>& faults = {}) {
    static std::map<std::size_t, Lines> cache;
    auto& lines = cache[faults.size()];
    if (lines.empty()) {
        TaggedWriter w;
        RunOptions o;
        o.switchValue = 1;
        o.faults = faults;
        o.observer = &w;
        run(rom(), o);
        lines = std::move(w.lines);
    }
    return lines;
}

std::string untag(const std::string& line) {
    return line.substr(line.find(' ') + 1);
}

Lines golden() {
    Lines out;
    for (const auto& l : tagged())
        out.push_back(untag(l));
    return out;
}

std::string joined(const Lines& lines, const char* end = "\n") {
    std::string out;
    for (const auto& l : lines)
        out += l + end;
    return out;
}

std::size_t findLine(const Lines& lines, const std::function<bool(const std::string&)>& pred,
                     std::size_t nth = 0) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (pred(lines[i]) && nth-- == 0) return i;
    ADD_FAILURE() << "no such line";
    return 0;
}

bool has(const std::string& line, const char* text) {
    return line.find(text) != std::string::npos;
}

std::string gzip(const std::string& text) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct Variant {
    const char* name;
    std::function<std::string()> text;
    std::size_t window = 0;
    Outcome outcome = Outcome::Agree;
    std::optional<Kind> kind{};
    const char* says = ""; // the report contains this
    std::function<void(CompareOptions&)> adjust = [](CompareOptions&) {};
};

std::vector<Variant> variants() {
    return {
        {"reference", [] { return joined(golden()); }},
        {"stores before the older write, in the window",
         [] {
             Lines l = golden();
             for (std::size_t i = 1; i < l.size(); ++i)
                 if (has(l[i], " m ") && !has(l[i - 1], " m ")) std::swap(l[i - 1], l[i]);
             return joined(l);
         },
         64},
        {"stores before the older write, no window",
         [] {
             Lines l = golden();
             for (std::size_t i = 1; i < l.size(); ++i)
                 if (has(l[i], " m ") && !has(l[i - 1], " m ")) std::swap(l[i - 1], l[i]);
             return joined(l);
         },
         0, Outcome::Differs},
        {"divider HI and LO after 20 younger records",
         [] {
             Lines l = golden();
             const std::size_t lo = findLine(
                 l, [](auto& s) { return has(s, " lo "); }, 40);
             Lines moved(l.begin() + lo, l.begin() + lo + 2);
             l.erase(l.begin() + lo, l.begin() + lo + 2);
             l.insert(l.begin() + lo + 20, moved.begin(), moved.end());
             return joined(l);
         },
         64},
        {"a record written 300 records early",
         [] {
             Lines l = golden();
             const std::size_t at = l.size() / 2;
             const std::string r = l[at];
             l.erase(l.begin() + at);
             l.insert(l.begin() + at - 300, r);
             return joined(l);
         },
         64, Outcome::Differs, Kind::Early, "instructions early (the window is 64)"},
        {"tagged and shuffled within 50 instructions",
         [] {
             Lines l = tagged();
             std::mt19937 random(7);
             for (std::size_t i = 0; i + 50 < l.size(); i += 50)
                 std::shuffle(l.begin() + i, l.begin() + i + 50, random);
             return joined(l);
         }},
        {"cut in the middle of a line", [] { return joined(golden()).substr(0, 900000); }, 0,
         Outcome::EndsEarly, Kind::EndsEarly, "is cut off: '"},
        {"an unknown value",
         [] {
             Lines l = golden();
             l[500] = l[500].substr(0, l[500].size() - 3) + "x1z";
             return joined(l);
         },
         0, Outcome::Differs, Kind::Unknown, "bits 11-8 and 3-0 are x or z"},
        {"a division's HI missing",
         [] {
             Lines l = golden();
             l.erase(l.begin() + findLine(
                                     l, [](auto& s) { return has(s, " hi "); }, 5));
             return joined(l);
         },
         64, Outcome::Differs, Kind::Missing, "wrote LO but not HI"},
        {"a store that also writes the word above",
         [] {
             Lines l = golden();
             const std::size_t at = findLine(
                 l, [](auto& s) { return has(s, " m 800"); }, 3);
             TraceRecord r;
             std::istringstream in(l[at] + "\n");
             r = *TraceReader(in, "line").next();
             r.address += 4;
             l.insert(l.begin() + at + 1, formatRecord(r));
             return joined(l);
         },
         64, Outcome::Differs, Kind::Extra, "an extra store by the sw at"},
        {"physical addresses",
         [] {
             Lines l = golden(); // pcs and store addresses; register values stay as they are
             for (auto& line : l) {
                 if (line.starts_with("bfc")) line.replace(0, 3, "1fc");
                 if (const auto at = line.find(" m 800"); at != std::string::npos)
                     line.replace(at, 6, " m 000");
             }
             return joined(l);
         },
         0,
         Outcome::Agree,
         {},
         "",
         [](CompareOptions& o) { o.physical = true; }},
        {"only register records",
         [] {
             Lines l = golden();
             std::erase_if(
                 l, [](auto& s) { return has(s, " m ") || has(s, " hi ") || has(s, " lo "); });
             return joined(l);
         },
         0,
         Outcome::Agree,
         {},
         "",
         [](CompareOptions& o) { o.kinds = RecordKinds::parse("gpr"); }},
        {"gzip", [] { return gzip(joined(golden())); }},
        {"gzip cut short",
         [] {
             std::string z = gzip(joined(golden()));
             return z.substr(0, z.size() / 2);
         },
         0, Outcome::EndsEarly, Kind::EndsEarly, "compressed stream ends early"},
        {"CRLF line ends", [] { return joined(golden(), "\r\n"); }},
        {"CR line ends", [] { return joined(golden(), "\r"); }},
        {"a reference run stopped by its limit",
         [] { return joined(golden()); },
         0,
         Outcome::ReferenceStopped,
         {},
         "no agreement: the reference run stopped",
         [](CompareOptions& o) { o.run.instructionLimit = 1000; }},
    };
}

class TraceVariant : public ::testing::TestWithParam<Variant> {};

TEST_P(TraceVariant, IsComparedAndNamedAsWhatItIs) {
    const Variant& v = GetParam();
    std::istringstream in(v.text());
    TraceReader reader(in, "core.trace");
    CompareOptions options;
    options.run.switchValue = 1;
    options.window = v.window;
    v.adjust(options);
    const TraceComparison c = compareTrace(rom(), romMap(), reader, options);
    const std::string report = formatComparison(c, rom(), romMap(), {"core.trace", v.window});
    EXPECT_EQ(c.outcome, v.outcome) << report;
    if (v.kind) {
        ASSERT_EQ(c.divergences.size(), 1u) << report;
        EXPECT_EQ(c.first().kind, *v.kind) << report;
    } else if (v.outcome == Outcome::Agree) {
        EXPECT_EQ(c.matchedRecords, c.expectedRecords);
        EXPECT_NE(report.find("the traces agree"), std::string::npos) << report;
    }
    EXPECT_NE(report.find(v.says), std::string::npos) << report;
}

INSTANTIATE_TEST_SUITE_P(Traces, TraceVariant, ::testing::ValuesIn(variants()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

CompareOptions shortPause(std::size_t keepGoing = 1) {
    CompareOptions o;
    o.run.switchValue = 1;
    o.keepGoing = keepGoing;
    return o;
}

TraceComparison compareText(const std::string& text, const CompareOptions& o) {
    std::istringstream in(text);
    TraceReader reader(in, "core.trace");
    return compareTrace(rom(), romMap(), reader, o);
}

std::string faultyTrace(const std::vector<std::string>& faults) {
    RunOptions o;
    o.switchValue = 1;
    for (const auto& f : faults)
        o.faults.push_back(parseFaultSelection(f));
    return coretest_test::referenceTrace(rom(), o);
}

TEST(TraceBranches, AMissedAndAWrongBranchAreNamedWithTheirTargets) {
    const struct {
        const char* fault;
        bool taken; // by the reference core
    } cases[] = {{"bgtz-never-taken@n38_bgtz_test", true},
                 {"beq-always-branches@n4_beq_test", false}};
    for (const auto& k : cases) {
        const TraceComparison c = compareText(faultyTrace({k.fault}), shortPause());
        ASSERT_EQ(c.divergences.size(), 1u) << k.fault;
        const Divergence& d = c.first();
        EXPECT_EQ(d.kind, Kind::Branch) << k.fault;
        EXPECT_EQ(d.branchTaken, k.taken) << k.fault;
        const std::uint32_t word = romMap().word(d.branch);
        EXPECT_TRUE(word >> 26 >= 4 && word >> 26 <= 7) << k.fault << ": not a branch";
        const std::string report = formatDivergence(d, rom(), romMap(), {"core.trace", 0});
        EXPECT_NE(report.find(fmt::format("{:08x}", d.branchTarget)), std::string::npos) << report;
    }
}

TEST(TraceKeepGoing, EveryFaultyRoutineIsReportedOnceAndTheRestAgrees) {
    const std::string text =
        faultyTrace({"slt-compares-unsigned@n8_slt_test", "bgtz-never-taken@n38_bgtz_test"});
    const TraceComparison one = compareText(text, shortPause());
    ASSERT_EQ(one.divergences.size(), 1u);
    const TraceComparison all = compareText(text, shortPause(100));
    ASSERT_EQ(all.divergences.size(), 2u);
    EXPECT_EQ(all.divergences[0].where.routine->name, "n8_slt_test");
    EXPECT_EQ(all.divergences[1].where.routine->name, "n38_bgtz_test");
    EXPECT_EQ(all.outcome, Outcome::Differs);
    std::size_t diverged = 0, agreed = 0;
    for (const auto& t : all.routines) {
        diverged += t.divergence.has_value();
        agreed += t.agreed;
        if (t.routine && t.routine->number == 58) {
            EXPECT_GT(t.agreed, 0u) << "not resynchronised";
        }
    }
    EXPECT_EQ(diverged, 2u);
    EXPECT_EQ(agreed, all.matchedRecords);
    const std::string report = formatComparison(all, rom(), romMap(), {"core.trace", 0});
    EXPECT_NE(report.find("divergence 2 at record"), std::string::npos) << report;
    EXPECT_NE(report.find("ROUTINE"), std::string::npos) << report;
}

TEST(TraceFaultedMultiply, EachDestinationIsRecordedOncePerInstruction) {
    std::istringstream in(faultyTrace({"hi-lo-swapped-mult@n46_mult_test"}));
    TraceReader reader(in, "t");
    std::optional<TraceRecord> previous;
    std::size_t multiplies = 0;
    while (const auto r = reader.next()) {
        if (previous && previous->pc == r->pc) {
            EXPECT_FALSE(sameDestination(*previous, *r)) << formatRecord(*r);
            multiplies += previous->kind == TraceRecord::Kind::Lo;
        }
        previous = r;
    }
    EXPECT_GT(multiplies, 0u);
}

TEST(TraceTagged, ARecordBeyondTheSeqBoundIsRefused) {
    Lines l = tagged();
    const std::string late = l[10];
    l.erase(l.begin() + 10);
    l.insert(l.begin() + 20000, late);
    std::istringstream in(joined(l));
    TraceReader reader(in, "core.trace");
    try {
        while (reader.next()) {
        }
        FAIL() << "a record 20000 records late was accepted";
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("out of program order"), std::string::npos)
            << e.what();
    }
}

TEST(TraceChecker, FedOneRecordAtATimeStopsTheReferenceAtTheDivergence) {
    TraceChecker checker(rom(), romMap(), shortPause());
    const Lines l = golden();
    std::uint64_t fed = 0;
    for (const auto& line : l) {
        std::istringstream in(line + "\n");
        TraceRecord r = *TraceReader(in, "t").next();
        if (++fed == 2000) r.value ^= 1;
        if (!checker.feed(r, {fed, fed, {}})) break;
    }
    EXPECT_EQ(fed, 2000u);
    const TraceComparison& c = checker.finish();
    ASSERT_EQ(c.outcome, Outcome::Differs);
    EXPECT_EQ(c.first().record, 2000u);
    // The reference core ran only a few steps past the divergence, not to the end.
    EXPECT_LT(c.expectedRecords, l.size() / 2);
}

} // namespace
} // namespace coretest
