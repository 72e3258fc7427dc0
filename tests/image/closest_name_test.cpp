// "Did you mean": the edit distance with and without a limit, and which name is offered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coretest/closest_name.h"

namespace coretest {
namespace {

const struct {
    const char* a;
    const char* b;
    std::size_t distance;
} kDistances[] = {
    {"", "", 0},
    {"run", "run", 0},
    {"rnu", "run", 1}, // neighbours swapped
    {"decdoe", "decode", 1},
    {"swtich", "switch", 1},
    {"", "trace", 5},
    {"tarce", "trace", 1},
    {"compre", "compare", 1}, // a letter missing
    {"kitten", "sitting", 3},
    {"slt-compares-unsinged", "slt-compares-unsigned", 1},
    {"abcdef", "ghijkl", 6},
    {"ca", "abc", 3}, // a swap and an insertion are not both taken for one pair
};

TEST(ClosestName, EditDistanceCountsEditsAndStopsPastItsLimit) {
    for (const auto& d : kDistances) {
        EXPECT_EQ(editDistance(d.a, d.b), d.distance) << d.a << " / " << d.b;
        EXPECT_EQ(editDistance(d.b, d.a), d.distance) << d.b << " / " << d.a;
        for (std::size_t limit = 0; limit <= d.distance + 1; ++limit)
            EXPECT_EQ(editDistance(d.a, d.b, limit), d.distance <= limit ? d.distance : limit + 1)
                << d.a << " / " << d.b << " limit " << limit;
    }
}

TEST(ClosestName, OffersOnlyTheOneNearestNameWithinAThird) {
    const std::vector<std::string> names = {"run",    "trace",  "compare",  "decode",
                                            "export", "faults", "diagnose", "rum"};
    const struct {
        const char* word;
        const char* offered; // nullptr: nothing
    } cases[] = {
        {"tarce", "trace"},       {"compre", "compare"},
        {"diagnsoe", "diagnose"}, {"rux", nullptr}, // run and rum are both one edit away
        {"xyz", nullptr}, // three edits from run and rum, more than a third of 3 letters
        {"expotr", "export"},     {"fualts", "faults"},
        {"zzzzzzzz", nullptr},    {"decode", "decode"},
    };
    for (const auto& c : cases) {
        const auto got = closestName(c.word, names);
        if (c.offered) {
            ASSERT_TRUE(got) << c.word;
            EXPECT_EQ(*got, c.offered) << c.word;
        } else {
            EXPECT_FALSE(got) << c.word << " -> " << *got;
        }
    }
    EXPECT_FALSE(closestName(std::string(65, 'r'), names)); // too long to be a slip
}

} // namespace
} // namespace coretest
