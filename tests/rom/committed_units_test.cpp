// The units committed under rom/inst/ are exactly what the generator writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "unit.h"
#include "units.h"

namespace {

namespace fs = std::filesystem;

const fs::path kUnitDir = fs::path(CORETEST_SOURCE_DIR) / "rom" / "inst";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The first line where two texts differ, as "line N: <committed> / <generated>".
std::string firstDifference(const std::string& committed, const std::string& generated) {
    std::istringstream a(committed), b(generated);
    std::string lineA, lineB;
    for (int n = 1;; ++n) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB) return "line endings";
        if (lineA != lineB || moreA != moreB)
            return "line " + std::to_string(n) + ": '" + (moreA ? lineA : "<end>") + "' / '" +
                   (moreB ? lineB : "<end>") + "'";
    }
}

TEST(CommittedUnits, EqualTheGeneratorsOutput) {
    for (const auto& entry : casegen::kUnits) {
        const casegen::Unit unit = casegen::buildUnit(entry);
        const fs::path path = kUnitDir / unit.fileName();
        ASSERT_TRUE(fs::exists(path)) << path << " is missing";
        const std::string committed = readFile(path);
        const std::string generated = casegen::renderUnit(unit);
        EXPECT_TRUE(committed == generated)
            << path << " differs from the generator (committed / generated) at "
            << firstDifference(committed, generated) << "; run casegen --out rom/inst";
    }
}

TEST(CommittedUnits, NoOtherUnitFiles) {
    std::set<std::string> want;
    for (const auto& entry : casegen::kUnits)
        want.insert(casegen::buildUnit(entry).fileName());
    std::set<std::string> got;
    for (const auto& entry : fs::directory_iterator(kUnitDir))
        if (entry.path().extension() == ".S") got.insert(entry.path().filename().string());
    EXPECT_EQ(got, want);
}

} // namespace
