// coretest run: the ROM on the reference core (or Unicorn), routine by routine, with the failing
// case named.
#include <fmt/format.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "coretest/catalogue.h"
#include "coretest/disassembler.h"
#include "coretest/random_program.h"
#include "coretest/routine_reports.h"
#include "coretest/strict_memory.h"
#include "fault_options.h"
#include "numbers.h"
#include "option_types.h"
#include "output.h"
#include "second_core/second_core.h"

namespace coretest::cli {

namespace {

// What the verdict counts: the routines of the image's map (58 in the first ROM, 24 in the
// second), or a random image's checkpoints (its options, as stored in it, are printed too).
struct Program {
    std::optional<std::string> randomOptions;
    std::size_t checkpoints = 0;
    std::size_t routines = 0;
    const char* units() const { return randomOptions ? "checkpoints" : "routines"; }
    std::size_t total() const { return randomOptions ? checkpoints : routines; }
};

struct RunArgs {
    RomChoice image;
    std::string elf; // the image's path, once the command line is read
    std::string switchText = "0";
    std::string limitText = "1000000000";
    std::string core = "reference";
    std::vector<std::string> faults;
    bool json = false;
    bool strict = false;
};

const char* regName(BoardReg r) {
    switch (r) {
    case BoardReg::LedBank: return "LED_BANK_REG";
    case BoardReg::LampA: return "LAMP_A_REG";
    case BoardReg::LampB: return "LAMP_B_REG";
    case BoardReg::Display: return "DISPLAY_REG";
    case BoardReg::EndMark: return "END_MARK_REG";
    case BoardReg::Switch: return "SWITCH_REG";
    }
    return "?";
}

std::string hex(std::uint32_t v) {
    return fmt::format("0x{:08x}", v);
}

// The board writes before the first routine's report: the boot pattern.
std::vector<BoardEvent> bootWrites(const Diagnosis& d) {
    std::vector<BoardEvent> out;
    for (const auto& e : d.run.events) {
        if (e.kind != BoardEvent::Kind::Write) continue;
        if (out.size() == 4) break;
        out.push_back(e);
    }
    return out;
}

std::string ending(const Diagnosis& d, const Program& program) {
    const auto& b = d.run.board;
    switch (d.run.reason) {
    case StopReason::Verdict:
        return fmt::format("verdict: {}, {} of {} {} passed (LED bank 0x{:04x}, lamp A {}, lamp B "
                           "{}, end mark 0x{:02x})",
                           d.verdictPassed() ? "pass" : "FAIL", d.run.passCount(), program.total(),
                           program.units(), b.ledBank, b.lampA, b.lampB, b.endMark);
    case StopReason::ExceptionIdle: {
        const auto& x = *d.run.exception;
        return fmt::format("no verdict: {} exception at {} in {}{}, the core idles at 0x{:08x}; "
                           "display {}",
                           causeName(x.cause), hex(x.pc),
                           d.exceptionAt ? d.exceptionAt->describe() : "",
                           x.badAddress ? fmt::format(", address {}", hex(x.badAddress)) : "",
                           kExceptionVector, hex(b.display));
    }
    case StopReason::IdleNoVerdict:
        return fmt::format(
            "no verdict: the core idles in test_finish without an end mark; display {}",
            hex(b.display));
    case StopReason::StrayIdle:
        return fmt::format(
            "{}the core ran into the exception idle loop at 0x{:08x} without an "
            "exception; display {}",
            b.endMarked() ? fmt::format("verdict {} written, then ", b.lampA == 1 ? "pass" : "fail")
                          : "no verdict: ",
            kExceptionVector, hex(b.display));
    case StopReason::InstructionLimit:
        return fmt::format("no verdict: still running at the instruction limit, pc {}; display {}",
                           hex(d.run.pc()), hex(b.display));
    case StopReason::EventLogFull:
        return fmt::format("no verdict: stopped after {} board register accesses, the most a run "
                           "may log (a program that hammers the registers), pc {}; display {}",
                           kMaxBoardEvents, hex(d.run.pc()), hex(b.display));
    }
    return {};
}

// The strict-memory violations, or nothing when the run was not strict.
using Violations = std::optional<std::vector<MemoryViolation>>;

void printText(const RunArgs& args, const Program& program, const Diagnosis& d,
               const Violations& violations, double seconds) {
    std::string faults;
    for (const auto& f : args.faults)
        faults += (faults.empty() ? "" : ", ") + f;
    fmt::print("coretest run: {} on the {} core, switch {}{}\n", args.elf, args.core,
               hex(parseSwitch(args.switchText)), faults.empty() ? "" : ", faults: " + faults);
    if (program.randomOptions)
        fmt::print("random program: {}, {} checkpoints\n", *program.randomOptions,
                   program.checkpoints);
    std::string boot;
    for (const auto& e : bootWrites(d))
        boot += fmt::format("{}{} {}", boot.empty() ? "" : ", ", regName(e.reg), hex(e.value));
    fmt::print("boot: {}\n", boot.empty() ? "no board write" : boot);
    for (const auto& r : d.routines) {
        fmt::print("  {:>2}  {:<20} {}  {}", r.number, r.name, hex(r.resultWord),
                   r.passed ? "pass" : "FAIL");
        if (r.failure) {
            const auto& f = *r.failure;
            fmt::print("  {}\n", f.where.describe());
            fmt::print("        {}\n", f.describe());
            if (!f.registers.empty()) fmt::print("        {}\n", describeRegisters(f.registers));
        } else {
            fmt::print("\n");
        }
    }
    fmt::print("{}\n", ending(d, program));
    for (const auto& w : d.run.romWrites)
        fmt::print("board fault: write of {} to the boot ROM at {} by the instruction at {}\n",
                   hex(w.value), hex(w.address), hex(w.pc));
    if (violations) {
        for (const auto& v : *violations)
            fmt::print("memory rule broken: {}\n", v.describe());
        fmt::print("strict memory: {} violation{}\n", violations->size(),
                   violations->size() == 1 ? "" : "s");
    }
    fmt::print("{} instructions in {:.3f} s\n", d.run.instructions, seconds);
}

nlohmann::json failureJson(const CaseFailure& f) {
    nlohmann::json regs = nlohmann::json::object();
    for (const auto& [reg, value] : f.registers)
        regs[registerName(reg)] = value;
    return {{"case", f.where.caseIndex},
            {"file", f.where.routine ? f.where.routine->file : ""},
            {"line", f.where.line},
            {"comparison", f.comparison.ordinal},
            {"branch_address", f.comparison.pc},
            {"branch", f.comparison.text},
            {"guard", f.comparison.guard},
            {"expected_register", registerName(f.comparison.expected)},
            {"expected", f.expectedValue},
            {"got_register", registerName(f.comparison.got)},
            {"got", f.gotValue},
            {"registers", regs}};
}

void printJson(const RunArgs& args, const Program& program, const Diagnosis& d,
               const Violations& violations, double seconds) {
    nlohmann::json j;
    j["elf"] = args.elf;
    j["core"] = args.core;
    j["switch"] = parseSwitch(args.switchText);
    j["faults"] = args.faults;
    if (program.randomOptions) {
        j["random_program"] = *program.randomOptions;
        j["checkpoints"] = program.checkpoints;
    }
    j["boot"] = nlohmann::json::array();
    for (const auto& e : bootWrites(d))
        j["boot"].push_back({{"register", regName(e.reg)}, {"value", e.value}});
    j["routines"] = nlohmann::json::array();
    for (const auto& r : d.routines) {
        nlohmann::json rj = {{"number", r.number},
                             {"name", r.name},
                             {"result_word", r.resultWord},
                             {"passed", r.passed}};
        if (r.failure) rj["failure"] = failureJson(*r.failure);
        j["routines"].push_back(rj);
    }
    j["stop"] = stopReasonName(d.run.reason);
    j["verdict"] =
        d.run.reason == StopReason::Verdict ? (d.verdictPassed() ? "pass" : "fail") : "none";
    j["board"] = {{"led_bank", d.run.board.ledBank},
                  {"lamp_a", d.run.board.lampA},
                  {"lamp_b", d.run.board.lampB},
                  {"display", d.run.board.display},
                  {"end_mark", d.run.board.endMark}};
    if (d.run.exception) {
        const auto& x = *d.run.exception;
        j["exception"] = {{"cause", causeName(x.cause)},
                          {"pc", x.pc},
                          {"bad_address", x.badAddress},
                          {"where", d.exceptionAt ? d.exceptionAt->describe() : ""}};
    }
    if (violations) {
        j["memory_violations"] = nlohmann::json::array();
        for (const auto& v : *violations)
            j["memory_violations"].push_back(v.describe());
    }
    j["pc"] = d.run.pc(); // where the core stood when the run stopped
    j["instructions"] = d.run.instructions;
    j["seconds"] = seconds;
    std::cout << jsonText(j) << "\n";
}

} // namespace

Action addRunCommand(CLI::App& app) {
    auto args = std::make_shared<RunArgs>();
    CLI::App* sub =
        app.add_subcommand("run", "run the ROM on the reference core and report every routine");
    args->image.elfOption =
        sub->add_option("elf", args->image.elf, "ROM image (default: the ROM this build produced)");
    args->image.addRomOption(*sub);
    sub->add_option("--switch", args->switchText,
                    "SWITCH_REG value: 0 long pause, non-zero short (default 0)");
    sub->add_option("--limit", args->limitText,
                    "stop after this many instructions (default 1000000000)");
    sub->add_option("--core", args->core,
                    "the core that runs the ROM: reference (default) or unicorn")
        ->check(CLI::IsMember({"reference", "unicorn"}));
    // One value per --fault, so that a positional ELF after it stays the ELF.
    sub->add_option("--fault", args->faults,
                    "run with a core fault, NAME or NAME@ROUTINE (repeatable)")
        ->allow_extra_args(false);
    sub->add_flag("--json", args->json, "print one JSON document instead of text");
    sub->add_flag("--strict", args->strict,
                  "hold the run to its ROM's memory rules (aligned accesses, each routine's own "
                  "scratch words, board registers in their direction); a violation fails the run");
    return [args]() {
        args->elf = args->image.path();
        RunOptions options;
        const bool onUnicorn = args->core == "unicorn";
        options.switchValue = parseSwitch(args->switchText);
        options.instructionLimit = parseLimit(args->limitText);
        options.faults = faultSelections(args->faults);
        const Image image = Image::load(args->elf);
        const RomMap map = RomMap::load(image);
        Program program;
        program.randomOptions = random::storedOptions(image);
        program.checkpoints = map.routines().size();
        program.routines = map.routineNumbers().count();
        std::optional<StrictMemory> strict;
        if (args->strict) {
            if (onUnicorn)
                throw InputError("--strict: the memory rules are checked on the reference core "
                                 "only");
            strict.emplace(image);
            options.checker = &*strict;
            options.observer = &*strict;
        }
        if (onUnicorn) options.core = unicornRunner();
        const auto start = std::chrono::steady_clock::now();
        const Diagnosis d = diagnose(image, map, options);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const Violations violations =
            strict ? Violations(strict->violations()) : Violations(std::nullopt);
        if (args->json)
            printJson(*args, program, d, violations, seconds);
        else
            printText(*args, program, d, violations, seconds);
        finishOutput(std::cout, "standard output");
        return d.verdictPassed() && !(violations && !violations->empty()) ? kPass : kCoreFailed;
    };
}

} // namespace coretest::cli
