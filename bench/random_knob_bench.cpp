// What random programs catch, against the fixed ROMs: over seeds 1 to N (default 50) of 20,000
// random instructions, for each bug knob of our RTL core (its Verilator model, +bug=KNOB) and
// for each fault of the catalogue on the reference core, how many seeds show it as a failing
// checkpoint and how many end otherwise (no verdict, a hang), next to whether the first and
// the second ROM fail with it. `no-load-interlock` and its fault `load-delay-slot-visible` get
// a second row on images drawn with --interlocked.
// Usage: random_knob_bench [SEEDS] [--knobs-only | --faults-only]
#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "coretest/catalogue.h"
#include "coretest/random_program.h"
#include "random_sim.h"

namespace {

namespace fs = std::filesystem;
using coretest_bench::Ending;

struct Images {
    std::vector<coretest::Image> images;
    std::vector<fs::path> hex;
};

Images makeImages(int seeds, bool interlocked, const fs::path& dir) {
    Images out;
    for (int s = 1; s <= seeds; ++s) {
        coretest::random::RandomOptions o;
        o.seed = static_cast<std::uint64_t>(s);
        o.interlocked = interlocked;
        const auto bytes = coretest::random::buildRandomImage(o);
        out.images.push_back(
            coretest::Image::fromBytes(std::vector<char>(bytes.begin(), bytes.end()), "random"));
        out.hex.push_back(dir / fmt::format("seed-{}{}.hex", s, interlocked ? "-i" : ""));
        coretest_bench::writeHex(out.images.back(), out.hex.back());
    }
    return out;
}

struct Tally {
    int checkpoint = 0; // seeds that show a failing checkpoint
    int other = 0;      // seeds that end without a checkpoint verdict
    std::string cell(int seeds) const {
        return other ? fmt::format("{:>2}/{} ({} other)", checkpoint, seeds, other)
                     : fmt::format("{:>2}/{}", checkpoint, seeds);
    }
};

void add(Tally& t, Ending e) {
    if (e == Ending::FailingCheckpoint) ++t.checkpoint;
    if (e == Ending::Other) ++t.other;
}

std::string romCell(Ending e) {
    switch (e) {
    case Ending::Pass: return "passes";
    case Ending::Fail: return "fails";
    default: return "no verdict";
    }
}

std::string simCommand(const fs::path& hex, const std::string& knob) {
    return fmt::format("'{}' +rom='{}' +switch=1 +max_cycles=4000000{}", CORETEST_SIM, hex.string(),
                       knob.empty() ? "" : " +bug=" + knob);
}

// Every command, two at a time (the machine's cores).
std::vector<Ending> simulate(const std::vector<std::pair<std::string, bool>>& commands) {
    std::vector<Ending> out(commands.size(), Ending::Other);
    for (std::size_t i = 0; i < commands.size(); i += 2) {
        auto second =
            i + 1 < commands.size()
                ? std::async(std::launch::async, coretest_bench::runCommand, commands[i + 1].first)
                : std::future<coretest_bench::CommandResult>{};
        out[i] = coretest_bench::simEnding(coretest_bench::runCommand(commands[i].first),
                                           commands[i].second);
        if (second.valid())
            out[i + 1] = coretest_bench::simEnding(second.get(), commands[i + 1].second);
    }
    return out;
}

void knobTable(int seeds, const Images& plain, const Images& interlocked, const fs::path& rom1,
               const fs::path& rom2) {
    const auto knobs =
        coretest_bench::readKnobs(fs::path(CORETEST_SOURCE_DIR) / "hdl" / "core" / "bug_knobs.md");
    fmt::print("Our RTL core (Verilator), {} seeds of 20,000 instructions: seeds that fail a "
               "checkpoint\n\n",
               seeds);
    fmt::print("| bit | knob | random seeds | first ROM | second ROM |\n|---:|---|---|---|---|\n");
    struct Row {
        std::string name, knob;
        const Images* images;
    };
    std::vector<Row> rows{{"(none: the correct core)", "", &plain}};
    for (const auto& k : knobs) {
        rows.push_back({k.name, k.name, &plain});
        if (k.name == "no-load-interlock")
            rows.push_back({k.name + " --interlocked", k.name, &interlocked});
    }
    int missed = 0;
    for (const Row& row : rows) {
        std::vector<std::pair<std::string, bool>> commands;
        for (const auto& hex : row.images->hex)
            commands.emplace_back(simCommand(hex, row.knob), true);
        commands.emplace_back(simCommand(rom1, row.knob), false);
        if (!rom2.empty()) commands.emplace_back(simCommand(rom2, row.knob), false);
        const auto endings = simulate(commands);
        Tally t;
        for (int s = 0; s < seeds; ++s)
            add(t, endings[static_cast<std::size_t>(s)]);
        const auto bit = std::find_if(knobs.begin(), knobs.end(),
                                      [&](const auto& k) { return k.name == row.knob; });
        fmt::print("| {} | `{}` | {} | {} | {} |\n",
                   bit == knobs.end() ? "" : std::to_string(bit->bit), row.name, t.cell(seeds),
                   romCell(endings[static_cast<std::size_t>(seeds)]),
                   rom2.empty() ? "-" : romCell(endings.back()));
        std::fflush(stdout);
        if (!row.knob.empty() && t.checkpoint == 0) ++missed;
    }
    fmt::print("\n{} of {} knob rows caught by no seed\n\n", missed, rows.size() - 1);
}

void faultTable(int seeds, const Images& plain, const Images& interlocked) {
    const auto rom1 = coretest::Image::load(CORETEST_ROM_PATH);
    const auto rom2 = coretest::Image::load(CORETEST_ROM2_PATH);
    fmt::print("Catalogue faults on the reference core, {} seeds of 20,000 instructions\n\n",
               seeds);
    fmt::print("| fault | random seeds | first ROM | second ROM |\n|---|---|---|---|\n");
    int caught = 0, total = 0, beyondRoms = 0;
    const auto runWith = [](const coretest::Image& image, const coretest::FaultDef& fault) {
        coretest::RunOptions o;
        o.switchValue = 1;
        o.instructionLimit = 20'000'000;
        o.faults = {coretest::FaultSelection{&fault, {}}};
        return coretest::run(image, o);
    };
    for (const auto& fault : coretest::faultCatalogue()) {
        const bool delaySlot = fault.name == "load-delay-slot-visible";
        for (const Images* images : delaySlot ? std::vector<const Images*>{&plain, &interlocked}
                                              : std::vector<const Images*>{&plain}) {
            Tally t;
            for (const auto& image : images->images)
                add(t, coretest_bench::runEnding(runWith(image, fault), true));
            const Ending first = coretest_bench::runEnding(runWith(rom1, fault), false);
            const Ending second = coretest_bench::runEnding(runWith(rom2, fault), false);
            fmt::print("| `{}`{} | {} | {} | {} |\n", fault.name,
                       images == &interlocked ? " --interlocked" : "", t.cell(seeds),
                       romCell(first), romCell(second));
            ++total;
            if (t.checkpoint) ++caught;
            if (t.checkpoint && first == Ending::Pass && second == Ending::Pass) ++beyondRoms;
        }
    }
    fmt::print("\n{} of {} fault rows caught by at least one seed; {} of them pass both ROMs\n\n",
               caught, total, beyondRoms);
}

} // namespace

int main(int argc, char** argv) {
    int seeds = 50;
    bool knobs = true, faults = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--knobs-only")
            faults = false;
        else if (a == "--faults-only")
            knobs = false;
        else if (std::atoi(a.c_str()) > 0)
            seeds = std::atoi(a.c_str());
        else {
            fmt::print(stderr, "usage: random_knob_bench [SEEDS] [--knobs-only | --faults-only]\n");
            return 2;
        }
    }
    const auto start = std::chrono::steady_clock::now();
    const fs::path dir = fs::temp_directory_path() / fmt::format("random-knob-bench-{}", getpid());
    fs::create_directories(dir);
    const Images plain = makeImages(seeds, false, dir);
    const Images interlocked = makeImages(seeds, true, dir);
    if (knobs) {
        const fs::path rom2 = dir / "coretest2.hex";
        coretest_bench::writeHex(coretest::Image::load(CORETEST_ROM2_PATH), rom2);
        knobTable(seeds, plain, interlocked, CORETEST_HDL_ROM, rom2);
    }
    if (faults) faultTable(seeds, plain, interlocked);
    fs::remove_all(dir);
    fmt::print("{:.1f} s\n",
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
