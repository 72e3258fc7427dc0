// casegen: writes the test units of the ROM from the generator's fixed seed.
//   casegen --out rom/inst              write every unit
//   casegen --check rom/inst            exit 1 when a committed unit differs from the generator
//   casegen --report [--only NAME]...   print every counted property against its target
//   casegen --rom 2 --out rom2/inst     the same for the second ROM's units (routines 59 on)
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "report.h"
#include "units.h"
#include "units2.h"

namespace fs = std::filesystem;
using namespace casegen;

namespace {

enum Exit { kOk = 0, kDiffers = 1, kBadInput = 2 };

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"casegen: writes the coretest ROM's test units from one fixed seed"};
    std::string outDir, checkDir;
    std::vector<std::string> only;
    bool report = false;
    int rom = 1;
    app.add_option("--out", outDir, "write the units into this folder");
    app.add_option("--check", checkDir, "compare the units in this folder with the generator");
    app.add_option("--only", only, "restrict to these units (nN_<mnemonic>)");
    app.add_flag("--report", report, "print every counted property with target and value");
    app.add_option("--rom", rom, "which ROM's units: 1 (rom/inst) or 2 (rom2/inst)")
        ->check(CLI::IsMember({1, 2}));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kOk : kBadInput;
    }
    if (outDir.empty() && checkDir.empty() && !report) {
        std::cerr << "casegen: nothing to do: give --out DIR, --check DIR or --report\n";
        return kBadInput;
    }

    std::vector<const UnitEntry*> entries;
    if (only.empty()) {
        if (rom == 1) {
            for (const auto& s : kUnits)
                entries.push_back(&s);
        } else {
            for (const auto& s : kUnits2)
                entries.push_back(&s);
        }
    } else {
        for (const auto& name : only) {
            const UnitEntry* s = rom == 1 ? findUnit(name) : findUnit2(name);
            if (!s) {
                std::cerr << fmt::format("casegen: unknown unit '{0}' (expected a name such as "
                                         "{1} or {1}_test)\n",
                                         name, rom == 1 ? "n7_or" : "n59_lb");
                return kBadInput;
            }
            entries.push_back(s);
        }
    }
    std::vector<Unit> units;
    for (const auto* s : entries) units.push_back(buildUnit(*s));

    int status = kOk;
    if (!outDir.empty()) {
        std::error_code ec;
        fs::create_directories(outDir, ec);
        for (const auto& u : units) {
            const fs::path path = fs::path(outDir) / u.fileName();
            std::ofstream out(path, std::ios::binary);
            out << renderUnit(u);
            out.close();
            if (!out) {
                std::cerr << fmt::format("casegen: cannot write '{}': check that the folder "
                                         "exists and is writable\n",
                                         path.string());
                return kBadInput;
            }
        }
    }
    if (!checkDir.empty()) {
        for (const auto& u : units) {
            const fs::path path = fs::path(checkDir) / u.fileName();
            if (!fs::exists(path)) {
                std::cout << fmt::format("missing: {}\n", path.string());
                status = kDiffers;
            } else if (readFile(path) != renderUnit(u)) {
                std::cout << fmt::format("differs from the generator: {}\n", path.string());
                status = kDiffers;
            }
        }
    }
    if (report) std::cout << renderReport(units);
    return status;
}
