// The generator: the program drawn from the seed, run once on the reference core to learn the
// signature at every checkpoint, then laid out again with those signatures as its expected
// values and written as an ELF image with its listing.
#include "coretest/random_program.h"

#include <elf.h>
#include <fmt/format.h>

#include <algorithm>
#include <stdexcept>

#include "assembly.h"
#include "checkpoint_code.h"
#include "coretest/image.h"
#include "coretest/input_error.h"
#include "coretest/memory_map.h"
#include "coretest/run.h"
#include "draw.h"
#include "elf_writer.h"
#include "listing.h"
#include "registers.h"

namespace coretest::random {

namespace {

constexpr std::uint32_t kMaxPercent = 90; // memory, branches and multiply together

std::string blockName(std::uint32_t k) {
    return fmt::format("n{}_checkpoint_test", k);
}

void check(const RandomOptions& o) {
    if (o.instructions == 0 || o.instructions > kMaxInstructions)
        throw InputError(
            fmt::format("--instructions {}: must be 1 to {}", o.instructions, kMaxInstructions));
    if (o.checkpointEvery == 0) throw InputError("--checkpoint-every 0: must be at least 1");
    const std::uint64_t n =
        (std::uint64_t{o.instructions} + o.checkpointEvery - 1) / o.checkpointEvery;
    if (n > kMaxCheckpoints)
        throw InputError(fmt::format(
            "--checkpoint-every {}: {} instructions would give {} checkpoints, at most {} "
            "(take at least {})",
            o.checkpointEvery, o.instructions, n, kMaxCheckpoints,
            (o.instructions + kMaxCheckpoints - 1) / kMaxCheckpoints));
    if (o.loops == 0 || o.loops > kMaxLoops)
        throw InputError(fmt::format("--loops {}: must be 1 to {}", o.loops, kMaxLoops));
    if (n * o.loops > kMaxCheckpointRuns)
        throw InputError(fmt::format("--loops {}: {} checkpoints run {} times, more than the {} "
                                     "expected values an image holds (fewer loops or checkpoints)",
                                     o.loops, n, o.loops, kMaxCheckpointRuns));
    if (o.memoryPercent + o.branchPercent + o.multiplyPercent > kMaxPercent)
        throw InputError(fmt::format("--memory {} --branches {} --multiply {}: together at most "
                                     "{} percent (the rest are ALU instructions)",
                                     o.memoryPercent, o.branchPercent, o.multiplyPercent,
                                     kMaxPercent));
    if (o.exceptionPercent > kMaxExceptionPercent)
        throw InputError(fmt::format("--exceptions {}: must be 0 to {}", o.exceptionPercent,
                                     kMaxExceptionPercent));
    if (o.listingName.find_first_of(std::string_view("\n\0", 2)) != std::string::npos)
        throw InputError("listing name: a line break or NUL in the name");
}

std::string listingNameOf(const RandomOptions& o) {
    return o.listingName.empty() ? fmt::format("random-{}.lst", o.seed) : o.listingName;
}

struct Program {
    Assembly code;
    std::vector<std::pair<std::uint32_t, std::size_t>> blocks; // first and end line of each
};

// The whole program; `expected` holds the signatures (zeros while recording them).
Program assemble(const RandomOptions& o, std::uint32_t n, bool recording,
                 const std::vector<std::uint32_t>& expected) {
    Rng rng(o.seed);
    Program p;
    Assembly& a = p.code;
    emitVectors(a);
    emitStart(a, rng, o.loops, o.exceptionPercent > 0);
    Drawer drawer(o, rng);
    drawer.forgetAll();
    a.label(kPassLabel);
    for (std::uint32_t k = 1; k <= n; ++k) {
        const std::uint32_t count =
            std::min(o.checkpointEvery, o.instructions - (k - 1) * o.checkpointEvery);
        const std::size_t first = a.size();
        a.label(blockName(k));
        drawer.block(a, count, fmt::format("cp{}", k));
        emitCheckpointCall(a, k);
        drawer.afterChecker();
        p.blocks.emplace_back(static_cast<std::uint32_t>(first), a.size());
    }
    emitPassEnd(a, n);
    emitChecker(a, recording);
    emitExpected(a, expected);
    emitText(a, kOptionsLabel, optionsText(o));
    return p;
}

std::vector<Symbol> symbolsOf(const Program& p, const Layout& l) {
    std::vector<Symbol> out;
    const auto add = [&](const std::string& name, std::uint32_t size, std::uint8_t type) {
        out.push_back({name, l.labels.at(name), size, STB_GLOBAL, type, true});
    };
    add("_start", 8, STT_NOTYPE);
    add(kFinishLabel, 0, STT_NOTYPE);
    add(kMainLabel, 0, STT_FUNC);
    for (std::size_t k = 0; k < p.blocks.size(); ++k) {
        const auto& [first, end] = p.blocks[k];
        add(blockName(static_cast<std::uint32_t>(k + 1)),
            static_cast<std::uint32_t>(4 * (end - first)), STT_FUNC);
    }
    add(kCheckLabel, l.labels.at(kExpectedLabel) - l.labels.at(kCheckLabel), STT_FUNC);
    add(kExpectedLabel, l.labels.at(kOptionsLabel) - l.labels.at(kExpectedLabel), STT_OBJECT);
    add(kOptionsLabel,
        l.base + static_cast<std::uint32_t>(4 * l.words.size()) - l.labels.at(kOptionsLabel),
        STT_OBJECT);
    return out;
}

Segment segmentOf(const Layout& l) {
    Segment s;
    s.vaddr = s.paddr = l.base;
    s.flags = PF_R | PF_X;
    s.bytes.resize(4 * l.words.size());
    for (std::size_t i = 0; i < l.words.size(); ++i)
        for (int b = 0; b < 4; ++b)
            s.bytes[4 * i + b] = static_cast<std::uint8_t>(l.words[i] >> (8 * b));
    s.memSize = static_cast<std::uint32_t>(s.bytes.size());
    return s;
}

Layout layOutInRom(const Assembly& a) {
    if (4 * std::uint64_t{a.size()} > kRomSize)
        throw InputError(fmt::format("the program needs {} KiB, more than the boot ROM's {} KiB "
                                     "(fewer instructions or loops)",
                                     (4 * a.size() + 1023) / 1024, kRomSize / 1024));
    return layOut(a, kRomBase);
}

// The signature at every checkpoint of every pass, from the reference core.
std::vector<std::uint32_t> recordSignatures(const RandomOptions& o, std::uint32_t n) {
    const std::uint32_t runs = n * o.loops;
    const Program p = assemble(o, n, true, std::vector<std::uint32_t>(runs, 0));
    const Layout l = layOutInRom(p.code);
    const Image image(kRomBase, {segmentOf(l)}, symbolsOf(p, l), "<random program>");
    std::vector<std::uint32_t> signatures;
    signatures.reserve(runs);
    RunOptions run;
    run.switchValue = 1;
    run.instructionLimit =
        std::uint64_t{o.loops} * (std::uint64_t{o.instructions} * 4 + std::uint64_t{n} * 1000) +
        100000;
    run.watches = {l.labels.at(kCompareLabel)};
    run.onWatch = [&](const WatchHit& hit) { signatures.push_back(hit.state.regs[kSig]); };
    const RunResult result = coretest::run(image, run);
    if (result.reason != StopReason::Verdict || signatures.size() != runs)
        throw std::logic_error(fmt::format(
            "random program (seed {}): the reference core stopped with {} after {} of {} "
            "checkpoints, at pc {:#010x}",
            o.seed, stopReasonName(result.reason), signatures.size(), runs, result.pc()));
    return signatures;
}

} // namespace

std::string_view distanceName(Distance distance) {
    switch (distance) {
    case Distance::Near: return "near";
    case Distance::Uniform: return "uniform";
    case Distance::Far: return "far";
    }
    return "?";
}

Distance parseDistance(std::string_view name) {
    for (const Distance d : {Distance::Near, Distance::Uniform, Distance::Far})
        if (distanceName(d) == name) return d;
    throw InputError(fmt::format("--distance {}: unknown distribution; expected near, uniform "
                                 "or far",
                                 name));
}

std::uint32_t checkpointCount(const RandomOptions& options) {
    check(options);
    return (options.instructions + options.checkpointEvery - 1) / options.checkpointEvery;
}

std::string optionsText(const RandomOptions& o) {
    return fmt::format("seed={} instructions={} checkpoint-every={} loops={} distance={} "
                       "interlocked={} memory={} branches={} multiply={} exceptions={}",
                       o.seed, o.instructions, o.checkpointEvery, o.loops, distanceName(o.distance),
                       o.interlocked ? "yes" : "no", o.memoryPercent, o.branchPercent,
                       o.multiplyPercent, o.exceptionPercent);
}

RandomProgram buildRandomProgram(const RandomOptions& options) {
    const std::uint32_t n = checkpointCount(options);
    const std::vector<std::uint32_t> signatures = recordSignatures(options, n);
    const Program p = assemble(options, n, false, signatures);
    const Layout l = layOutInRom(p.code);
    const std::string name = listingNameOf(options);
    const Listing listing =
        makeListing(p.code, l,
                    {fmt::format("coretest random: {}", optionsText(options)),
                     fmt::format("{} checkpoints; display (k << 24) | k after checkpoint k passes, "
                                 "(k << 24) | (k - 1) when it fails",
                                 n)});
    ElfContent content;
    content.base = l.base;
    content.words = l.words;
    content.listingName = name;
    for (const Symbol& s : symbolsOf(p, l))
        content.symbols.push_back({s.name, s.value, s.size, s.type});
    content.lines.reserve(l.words.size());
    for (std::size_t i = 0; i < l.words.size(); ++i)
        content.lines.emplace_back(l.address(i), listing.lineOf[i]);
    return {writeElf(content), listing.text, n};
}

std::vector<std::uint8_t> buildRandomImage(const RandomOptions& options) {
    return buildRandomProgram(options).image;
}

std::string randomListing(const RandomOptions& options) {
    return buildRandomProgram(options).listing;
}

std::optional<std::string> storedOptions(const Image& image) {
    const Symbol* sym = image.findSymbol(kOptionsLabel);
    if (!sym) return std::nullopt;
    for (const auto& seg : image.segments()) {
        if (sym->value < seg.vaddr || sym->value - seg.vaddr >= seg.bytes.size()) continue;
        std::string text;
        for (std::size_t at = sym->value - seg.vaddr; at < seg.bytes.size() && text.size() < 512;
             ++at) {
            if (seg.bytes[at] == 0) return text;
            text += static_cast<char>(seg.bytes[at]);
        }
        return text;
    }
    return std::nullopt;
}

} // namespace coretest::random
