// coretest regress: random images for many seeds, each run by the user's simulation command,
// each verdict read from the display words the command prints.
#include <fmt/format.h>
#include <stdlib.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "coretest/image.h"
#include "coretest/line_table.h"
#include "coretest/random_program.h"
#include "coretest/regress_engine.h"
#include "coretest/regress_report.h"
#include "coretest/regress_seeds.h"
#include "coretest/rom_export.h"
#include "output.h"
#include "random_options.h"

namespace coretest::cli {

namespace {

namespace fs = std::filesystem;
using namespace coretest::regress;

constexpr unsigned kMaxJobs = 256;

struct RegressArgs {
    std::string seeds;
    std::string sim;
    unsigned jobs = 1;
    std::string timeout = "600";
    std::string json;
    std::string junit;
    std::string work;
    std::string launcher;
    bool keepGoing = false;
    bool keepAll = false;
    coretest::random::RandomOptions random;
    std::vector<const CLI::Option*> randomOptions; // the generation options, as declared
};

// Seconds as typed: a decimal number, fractions allowed; 0 for no timeout.
std::chrono::milliseconds parseTimeout(const std::string& text) {
    double seconds = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(seconds) || seconds < 0 || seconds > 1e6)
        throw InputError(fmt::format("--timeout {}: expected seconds from 0 (no timeout) to "
                                     "1000000, such as 600 or 2.5",
                                     cli::quoted(text)));
    return std::chrono::milliseconds(static_cast<long long>(std::llround(seconds * 1000)));
}

// The generation options as the user gave them, for the reproduce line.
std::string givenRandomOptions(const RegressArgs& args) {
    std::string out;
    for (const CLI::Option* opt : args.randomOptions) {
        if (opt->count() == 0) continue;
        const std::string name = opt->get_name();
        if (opt->get_type_size() == 0) {
            out += " " + name;
            continue;
        }
        for (const auto& value : opt->results())
            out += " " + name + " " + shellQuoted(value);
    }
    return out;
}

// The tool's own path, so that the reproduce line runs this very build.
std::string toolPath() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("coretest") : shellQuoted(self.string());
}

// A fresh work folder: under ./build when there is one (the build area), else under /tmp.
fs::path freshWorkFolder() {
    std::error_code ec;
    const fs::path base = fs::is_directory("build", ec) && ::access("build", W_OK) == 0
                              ? fs::absolute("build")
                              : fs::temp_directory_path();
    std::string name = (base / "regress-XXXXXX").string();
    if (!::mkdtemp(name.data()))
        throw InputError(fmt::format("cannot make a work folder in {} ({}); give one with --work",
                                     cli::quoted(base.string()), std::strerror(errno)));
    return name;
}

fs::path workFolder(const std::string& given) {
    if (given.empty()) return freshWorkFolder();
    std::error_code ec;
    fs::create_directories(given, ec);
    if (ec || !fs::is_directory(given) || ::access(given.c_str(), W_OK | X_OK) != 0)
        throw InputError(fmt::format("--work {}: not a folder this user can write in{}",
                                     cli::quoted(given), ec ? " (" + ec.message() + ")" : ""));
    return fs::absolute(given);
}

// Makes sure a report file can be written before any job runs, so a typo costs no hour.
void checkWritable(const std::string& option, const std::string& path) {
    if (path.empty() || path == "-") return;
    std::ofstream probe(path, std::ios::app);
    if (!probe)
        throw InputError(fmt::format("{} {}: cannot be written ({})", option, cli::quoted(path),
                                     std::strerror(errno)));
}

// The image of a seed, its $readmemh export when the command takes {hex}; returns n.
unsigned makeRandomImage(const RegressArgs& args, const Job& job) {
    coretest::random::RandomOptions options = args.random;
    options.seed = job.seed;
    options.listingName = fs::path(job.rom).replace_extension(".lst").filename().string();
    const auto bytes = coretest::random::buildRandomImage(options);
    std::ofstream out(job.rom, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw InputError(fmt::format("{}: cannot be written", cli::quoted(job.rom.string())));
    if (!job.hex.empty()) {
        const Image image =
            Image::fromBytes(std::vector<char>(bytes.begin(), bytes.end()), job.rom.string());
        const auto rom = romContents(image);
        std::ofstream hex(job.hex, std::ios::trunc);
        writeExport(ExportFormat::ReadMemH, rom, job.rom.filename().string(), hex);
        hex.close();
        if (!hex)
            throw InputError(fmt::format("{}: cannot be written", cli::quoted(job.hex.string())));
    }
    return coretest::random::checkpointCount(options);
}

// Where checkpoint k's block lies: its symbol, addresses and the listing's lines; the listing is
// written next to the kept image.
std::string describeBlock(const RegressArgs& args, const Job& job, unsigned k) {
    coretest::random::RandomOptions options = args.random;
    options.seed = job.seed;
    const fs::path listing = fs::path(job.rom).replace_extension(".lst");
    options.listingName = listing.filename().string();
    std::ofstream(listing) << coretest::random::randomListing(options);
    const Image image = Image::load(job.rom.string());
    const std::string name = fmt::format("n{}_checkpoint_test", k);
    const Symbol* block = image.findSymbol(name);
    if (!block) return fmt::format("no symbol {} in the image", name);
    std::string where = fmt::format("block {} at 0x{:08x} to 0x{:08x} ({} instructions)", name,
                                    block->value, block->value + block->size, block->size / 4);
    const LineTable lines = LineTable::of(image);
    const LineRow* first = lines.rowAt(block->value);
    const LineRow* last = lines.rowAt(block->value + block->size - 4);
    if (first && last)
        where += fmt::format(", {} lines {} to {}", listing.string(), first->line, last->line);
    return where + "; the state after it differs from the reference core's";
}

// A progress bar on standard output when it is a terminal.
class ProgressBar {
  public:
    explicit ProgressBar(std::size_t total)
        : total_(total), terminal_(::isatty(STDOUT_FILENO) == 1) {}
    ~ProgressBar() {
        if (terminal_ && shown_) {
            fmt::print("\r\033[K");
            std::fflush(stdout);
        }
    }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;
    void update(const JobResult& r, std::size_t done) {
        if (r.verdict != Verdict::Pass) ++notPassed_;
        if (!terminal_) return;
        constexpr std::size_t kWidth = 30;
        const std::size_t filled = total_ ? done * kWidth / total_ : kWidth;
        fmt::print("\r[{}{}] {}/{} seeds, {} not passed", std::string(filled, '#'),
                   std::string(kWidth - filled, '.'), done, total_, notPassed_);
        std::fflush(stdout);
        shown_ = true;
    }

  private:
    std::size_t total_, notPassed_ = 0;
    bool terminal_, shown_ = false;
};

int runRegress(const RegressArgs& args) {
    const std::vector<std::uint64_t> seeds = parseSeeds(args.seeds);
    if (args.jobs < 1 || args.jobs > kMaxJobs)
        throw InputError(fmt::format("-j {}: run 1 to {} jobs at a time", args.jobs, kMaxJobs));
    EngineOptions options;
    options.jobs = args.jobs;
    options.timeout = parseTimeout(args.timeout);
    options.keepGoing = args.keepGoing;
    options.keepPassing = args.keepAll;
    checkSimTemplate(args.sim);
    {
        // Bad generation options are refused before anything runs.
        coretest::random::RandomOptions first = args.random;
        first.seed = seeds.front();
        coretest::random::checkpointCount(first);
    }
    checkWritable("--json", args.json);
    checkWritable("--junit", args.junit);
    const fs::path work = workFolder(args.work);

    const std::string tool = toolPath();
    const std::string generation = givenRandomOptions(args);
    std::vector<Job> jobs;
    jobs.reserve(seeds.size());
    for (const std::uint64_t seed : seeds) {
        Job job;
        job.seed = seed;
        const std::string stem = fmt::format("seed-{}", seed);
        job.rom = work / (stem + ".elf");
        if (usesHex(args.sim)) job.hex = work / (stem + ".hex");
        job.output = work / (stem + ".log");
        job.files = {work / (stem + ".lst")};
        const std::string sim = expandSim(args.sim, job.rom.string(), job.hex.string(), seed);
        job.command = args.launcher.empty() ? sim : args.launcher + " " + sim;
        // In the folder the user reruns it in: the image, its export, the command.
        job.reproduce =
            fmt::format("{} random --seed {}{} -o {}.elf", tool, seed, generation, stem);
        if (usesHex(args.sim))
            job.reproduce +=
                fmt::format(" && {} export {}.elf --format hex -o {}.hex", tool, stem, stem);
        job.reproduce += " && " + expandSim(args.sim, stem + ".elf", stem + ".hex", seed);
        jobs.push_back(std::move(job));
    }

    fmt::print("coretest regress: {} seed{}, {} at a time, work folder {}\n", seeds.size(),
               seeds.size() == 1 ? "" : "s", options.jobs, work.string());
    std::fflush(stdout);
    Report report;
    {
        ProgressBar bar(jobs.size());
        report = runJobs(
            jobs, [&](const Job& job) { return makeRandomImage(args, job); },
            [&](const Job& job, unsigned k) { return describeBlock(args, job, k); }, options,
            [&](const JobResult& r, std::size_t done, std::size_t) { bar.update(r, done); });
    }
    fmt::print("{}", summaryText(report));
    if (!args.json.empty())
        writeTo(args.json, false,
                [&](std::ostream& out) { out << jsonText(reportJson(report)) << '\n'; });
    if (!args.junit.empty())
        writeTo(args.junit, false, [&](std::ostream& out) { out << reportJunit(report); });
    if (report.allPassed() && args.work.empty() && !args.keepAll) {
        std::error_code ignored;
        fs::remove(work, ignored); // empty once every pass's files are gone
    } else if (!report.allPassed()) {
        fmt::print("the outputs and images of the seeds that did not pass are in {}\n",
                   work.string());
    }
    return report.allPassed() ? kPass : kCoreFailed;
}

} // namespace

Action addRegressCommand(CLI::App& app) {
    auto args = std::make_shared<RegressArgs>();
    CLI::App* sub = app.add_subcommand(
        "regress", "generate random images for many seeds, run a simulation command on each and "
                   "collect the verdicts");
    sub->add_option("--seeds", args->seeds, "seeds: 1-1000, 5 or 1,4,9-12")
        ->type_name("SEEDS")
        ->required();
    sub->add_option("--sim", args->sim,
                    "the simulation command, run by /bin/sh: {rom} is the ELF image, {hex} its "
                    "$readmemh export, {seed} the seed")
        ->type_name("COMMAND")
        ->required();
    sub->add_option("-j,--jobs", args->jobs, "commands running at once (1 to 256, default 1)")
        ->type_name("N");
    sub->add_option("--timeout", args->timeout,
                    "seconds a command may run before its process group is killed (default "
                    "600, 0: none)")
        ->type_name("SECONDS");
    sub->add_option("--json", args->json, "write the report as JSON")->type_name("FILE");
    sub->add_option("--junit", args->junit, "write the report as JUnit XML")->type_name("FILE");
    sub->add_option("--work", args->work,
                    "folder for the images and outputs (default: a fresh one under ./build, or "
                    "/tmp)")
        ->type_name("DIR");
    sub->add_option("--launcher", args->launcher,
                    "put this before every command (a batch system's submit command)")
        ->type_name("PREFIX");
    sub->add_flag("--keep-going", args->keepGoing,
                  "run every seed (default: start no seed after the first that did not pass)");
    sub->add_flag("--keep-all", args->keepAll, "keep the files of passing seeds too");
    const std::size_t before = sub->get_options().size();
    addRandomOptions(*sub, args->random);
    const auto all = sub->get_options();
    args->randomOptions.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    return [args]() { return runRegress(*args); };
}

} // namespace coretest::cli
