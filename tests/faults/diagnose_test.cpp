// The fault dictionary and `coretest diagnose`: built from the catalogue's whole-core runs, it
// ranks the fault that produced a board first, for one failed routine, several, a run without
// verdict and a pass; the command's exit status follows the board.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "coretest/catalogue.h"
#include "coretest/fault_dictionary.h"
#include "support/cli_runner.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;

const FaultDictionary& dictionary() {
    static const FaultDictionary d = [] {
        CampaignOptions options;
        options.threads = 2;
        return FaultDictionary::build(rom(), romMap(), FaultFilter().select(faultCatalogue()),
                                      options);
    }();
    return d;
}

bool holds(const AmbiguityGroup& g, std::string_view name) {
    return std::any_of(g.faults.begin(), g.faults.end(),
                       [&](const FaultDef* f) { return f->name == name; });
}

TEST(FaultDictionary, EveryFaultInExactlyOneGroup) {
    std::size_t total = 0;
    for (const auto& g : dictionary().groups()) {
        ASSERT_FALSE(g.faults.empty());
        total += g.faults.size();
    }
    EXPECT_EQ(total, faultCatalogue().size());
    EXPECT_EQ(dictionary().faultCount(), faultCatalogue().size());
    for (const FaultDef& f : faultCatalogue())
        EXPECT_NE(dictionary().groupOf(f), nullptr) << f.name;
}

TEST(FaultDictionary, RanksTheFaultThatShowedTheBoardFirst) {
    const struct {
        const char* what;
        const char* fault;
        BoardObservation seen;
    } cases[] = {
        {"one routine failed",
         "slt-compares-unsigned",
         {{0x01000001, 0x07000007, 0x08000007, 0x3a000039}, {{2, 2}}, false}},
        {"several failed, the divide routines' results read through swapped moves",
         "hi-lo-swapped-moves",
         {{0x3a000036}, {{2, 2}}, false}},
        {"no verdict, the display never written", "j-does-not-jump", {{0}, {}, true}},
        {"a pass: the faults the ROM cannot see",
         "add-ignores-overflow",
         {{0x3a00003a}, {{1, 1}}, false}},
    };
    for (const auto& c : cases) {
        const auto ranked = dictionary().rank(c.seen);
        ASSERT_FALSE(ranked.empty());
        const auto at = std::find_if(ranked.begin(), ranked.end(),
                                     [&](const Candidate& k) { return holds(*k.group, c.fault); });
        ASSERT_NE(at, ranked.end()) << c.what;
        EXPECT_EQ(at->mismatches, 0u) << c.what;
        EXPECT_LT(at - ranked.begin(), 3) << c.what;
        EXPECT_EQ(ranked.front().mismatches, 0u) << c.what;
    }
    // A board no catalogue fault shows still ranks every group, none consistent.
    const auto odd = dictionary().rank({{0x12345678}, {{7, 7}}, false});
    EXPECT_EQ(odd.size(), dictionary().groups().size());
    EXPECT_GT(odd.front().mismatches, 0u);
}

TEST(FaultDictionary, RoutineVerdictsFromDisplayWords) {
    const auto K = Known::Unknown, Y = Known::Yes, N = Known::No;
    const struct {
        const char* what;
        std::vector<std::uint32_t> words;
        std::vector<std::pair<unsigned, Known>> expect; // routine, verdict
    } cases[] = {
        {"every word seen", {0x01000001, 0x02000001, 0x03000002}, {{1, Y}, {2, N}, {3, Y}, {4, K}}},
        {"a gap without a pass", {0x01000001, 0x04000001}, {{1, Y}, {2, N}, {3, N}, {4, N}}},
        {"a gap where every routine passed", {0x02000002, 0x05000005}, {{1, Y}, {3, Y}, {5, Y}}},
        {"a gap with some failed", {0x01000001, 0x04000002}, {{2, K}, {3, K}, {4, K}}},
        {"repeats and the boot 0", {0, 0x01000000, 0x01000000, 0x02000001}, {{1, N}, {2, Y}}},
        {"no result words", {0x12345678, 0xffffffff}, {{1, K}, {58, K}}},
        {"a restart forgets the run before", {0x01000000, 0x02000000, 0x01000001},
         {{1, Y}, {2, K}}},
    };
    for (const auto& c : cases) {
        const RoutineVerdicts v = routineVerdicts(c.words);
        for (const auto& [routine, known] : c.expect)
            EXPECT_EQ(v[routine], known) << c.what << ", routine " << routine;
    }
}

// Two faults in one core, each failing routines of its own: no single fault shows the board,
// and the cover names both among its first three answers.
BoardOutcome twoFaults(std::string_view a, std::string_view b) {
    const FaultDef* both[] = {findFault(a), findFault(b)};
    CampaignOptions options;
    return wholeCoreOutcome(rom(), romMap(), both, options);
}

BoardObservation seenOn(const BoardOutcome& o) {
    return {o.displayWords, {{o.lampA, o.lampB}}, o.reason != StopReason::Verdict};
}

TEST(FaultDictionary, SeveralFaultsExplainABoardNoSingleFaultShows) {
    const struct {
        const char* a;
        const char* b;
    } pairs[] = {
        {"div-remainder-sign-of-quotient", "mthi-mtlo-read-rt"},
        {"slt-compares-unsigned", "mtlo-writes-hi"},
        {"sra-zero-fill", "slt-compares-unsigned"},
    };
    for (const auto& p : pairs) {
        ASSERT_NE(findFault(p.a), nullptr) << p.a;
        ASSERT_NE(findFault(p.b), nullptr) << p.b;
        const BoardObservation seen = seenOn(twoFaults(p.a, p.b));
        EXPECT_GT(dictionary().rank(seen).front().mismatches, 0u) << p.a << " + " << p.b;
        const auto several = dictionary().explainSeveral(seen);
        ASSERT_TRUE(several) << p.a << " + " << p.b;
        EXPECT_GE(several->parts.size(), 2u) << p.a << " + " << p.b;
        EXPECT_TRUE(several->unexplained.empty()) << p.a << " + " << p.b;
        // Every failing routine is explained by exactly one part.
        std::vector<unsigned> explained;
        for (const auto& part : several->parts) {
            ASSERT_FALSE(part.candidates.empty());
            EXPECT_EQ(part.candidates.front().explained, part.routines.size());
            explained.insert(explained.end(), part.routines.begin(), part.routines.end());
        }
        std::sort(explained.begin(), explained.end());
        EXPECT_EQ(explained, several->failing) << p.a << " + " << p.b;
        auto answers = several->answers();
        answers.resize(std::min<std::size_t>(answers.size(), 3));
        for (const char* f : {p.a, p.b})
            EXPECT_NE(std::find(answers.begin(), answers.end(), dictionary().groupOf(*findFault(f))),
                      answers.end())
                << f << " not among the first three answers for " << p.a << " + " << p.b;
    }
}

TEST(FaultDictionary, OneFaultsBoardIsCoveredByItsOwnGroup) {
    for (const char* name : {"slt-compares-unsigned", "mtlo-writes-hi", "sra-zero-fill"}) {
        const FaultDef* f = findFault(name);
        ASSERT_NE(f, nullptr) << name;
        const auto several = dictionary().explainSeveral(seenOn(dictionary().groupOf(*f)->outcome));
        ASSERT_TRUE(several) << name;
        ASSERT_EQ(several->parts.size(), 1u) << name;
        EXPECT_EQ(several->parts.front().candidates.front().group, dictionary().groupOf(*f))
            << name;
    }
    // A pass shows no failing routine to explain.
    EXPECT_FALSE(dictionary().explainSeveral({{0x3a00003a}, {{1, 1}}, false}));
}

TEST(DiagnoseCommand, SaysWhenNoSingleFaultFitsAndNamesBoth) {
    const BoardOutcome o = twoFaults("div-remainder-sign-of-quotient", "mthi-mtlo-read-rt");
    std::string words;
    for (std::uint32_t w : o.displayWords)
        words += fmt::format("{:08x} ", w);
    const std::string lamps = fmt::format("--lamps {},{}", o.lampA, o.lampB);
    const auto text = coretest_test::runCli("diagnose " + words + lamps);
    EXPECT_EQ(text.status, 1) << text.out << text.err;
    EXPECT_NE(text.out.find("no single catalogue fault shows what the board showed"),
              std::string::npos)
        << text.out;
    for (const char* f : {"div-remainder-sign-of-quotient", "mthi-mtlo-read-rt"})
        EXPECT_NE(text.out.find(f), std::string::npos) << f << "\n" << text.out;
    EXPECT_NE(text.out.find("the closest single faults:"), std::string::npos) << text.out;

    const auto json = coretest_test::runCli("diagnose --json " + words + lamps);
    EXPECT_EQ(json.status, 1) << json.err;
    const auto j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["single_fault_fits"], false);
    ASSERT_GE(j["several_faults"]["parts"].size(), 2u) << json.out;
    std::string named;
    for (const auto& part : j["several_faults"]["parts"])
        for (const auto& f : part["candidates"][0]["faults"])
            named += f.get<std::string>() + " ";
    for (const char* f : {"div-remainder-sign-of-quotient", "mthi-mtlo-read-rt"})
        EXPECT_NE(named.find(f), std::string::npos) << f << ": " << named;

    // One fault's board keeps today's answer: no cover, no such line.
    const auto single = coretest_test::runCli("diagnose 07000007 08000007 3a000039 --lamps 2,2");
    EXPECT_EQ(single.out.find("no single catalogue fault"), std::string::npos) << single.out;
    EXPECT_NE(single.out.find("1. slt-compares-unsigned (consistent with all you saw)"),
              std::string::npos)
        << single.out;
}

TEST(DiagnoseCommand, ExitStatusFollowsTheBoard) {
    const struct {
        const char* args;
        int status;
        const char* shows;
    } cases[] = {
        {"3a00003a --lamps 1,1", 0, "the board shows a pass"},
        {"07000007 08000007 3a000039 --lamps 2,2", 1, "slt-compares-unsigned"},
        {"--no-verdict", 1, "j-does-not-jump"},
        {"xyz", 2, "display word 'xyz'"},
        {"--lamps 2", 2, "--lamps '2'"},
        {"", 2, "nothing observed"},
    };
    for (const auto& c : cases) {
        const auto r = coretest_test::runCli(std::string("diagnose ") + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.shows), std::string::npos) << c.args << "\n"
                                                                    << r.out << r.err;
    }
}

} // namespace
} // namespace coretest
