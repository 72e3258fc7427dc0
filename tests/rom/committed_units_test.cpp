// The units committed under rom/inst/ are exactly what the generator writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
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

TEST(CommittedUnits, EqualTheGeneratorsOutput) {
    for (const auto& spec : casegen::kUnits) {
        const casegen::Unit unit = casegen::buildUnit(spec);
        const fs::path path = kUnitDir / unit.fileName();
        ASSERT_TRUE(fs::exists(path)) << path << " is missing";
        EXPECT_TRUE(readFile(path) == casegen::renderUnit(unit))
            << path << " differs from the generator: run casegen --out rom/inst";
    }
}

TEST(CommittedUnits, NoOtherUnitFiles) {
    std::set<std::string> want;
    for (const auto& spec : casegen::kUnits)
        want.insert(casegen::buildUnit(spec).fileName());
    std::set<std::string> got;
    for (const auto& entry : fs::directory_iterator(kUnitDir))
        if (entry.path().extension() == ".S") got.insert(entry.path().filename().string());
    EXPECT_EQ(got, want);
}

} // namespace
