// Hostile and malformed images: what is not a regular file, headers at odd offsets, images that
// hold no program or overlap, stripped and cut images, programs that flood the board's log.
#include <gtest/gtest.h>

#include <elf.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "coretest/board.h"
#include "coretest/idle_loops.h"
#include "coretest/line_table.h"
#include "support/program.h"
#include "support/scratch_folder.h"

namespace coretest {
namespace {

namespace fs = std::filesystem;
using coretest_test::ScratchFolder;

template <class T>
T get(const std::vector<char>& f, std::size_t at) {
    T v;
    std::memcpy(&v, &f[at], sizeof v);
    return v;
}

template <class T>
void put(std::vector<char>& f, std::size_t at, T v) {
    std::memcpy(&f[at], &v, sizeof v);
}

Elf32_Ehdr header(const std::vector<char>& f) {
    return get<Elf32_Ehdr>(f, 0);
}

std::size_t phdrAt(const std::vector<char>& f, int n) {
    return header(f).e_phoff + n * sizeof(Elf32_Phdr);
}

// Copies `size` bytes at `from` to the end of the file at an odd offset; returns that offset.
std::uint32_t moveToOddOffset(std::vector<char>& f, std::size_t from, std::size_t size) {
    if (f.size() % 2 == 0) f.push_back(0);
    const auto at = static_cast<std::uint32_t>(f.size());
    f.insert(f.end(), f.begin() + static_cast<std::ptrdiff_t>(from),
             f.begin() + static_cast<std::ptrdiff_t>(from + size));
    return at;
}

void expectInputError(const std::string& path, std::string_view words) {
    try {
        Image::load(path);
        ADD_FAILURE() << path << ": loaded";
    } catch (const InputError& e) {
        const std::string msg = e.what();
        EXPECT_TRUE(msg.starts_with(path + ": ")) << msg;
        EXPECT_NE(msg.find(words), std::string::npos) << msg;
        EXPECT_EQ(msg.find('\n'), std::string::npos) << msg;
    }
}

// ---- Files that are no regular file: refused before they are read (no hang, no blow-up) ----

struct SpecialFile {
    std::string_view name;
    fs::path (*make)(const fs::path& dir);
    std::string_view words;
};

const SpecialFile kSpecialFiles[] = {
    {"dev_zero", [](const fs::path&) { return fs::path("/dev/zero"); }, "a character device"},
    {"dev_null", [](const fs::path&) { return fs::path("/dev/null"); }, "a character device"},
    {"folder", [](const fs::path& dir) { return dir; }, "a folder"},
    {"fifo_without_writer",
     [](const fs::path& dir) {
         const fs::path p = dir / "fifo";
         ::mkfifo(p.c_str(), 0600);
         return p;
     },
     "a pipe"},
    {"proc_self_mem", [](const fs::path&) { return fs::path("/proc/self/mem"); },
     "cannot read the file"},
    {"proc_text", [](const fs::path&) { return fs::path("/proc/self/status"); },
     "does not start with the ELF magic"},
    {"oversized",
     [](const fs::path& dir) {
         const fs::path p = dir / "big.elf";
         std::ofstream(p, std::ios::binary) << "\x7f"
                                               "ELF";
         fs::resize_file(p, kMaxImageFileBytes + 1); // sparse: no disk space used
         return p;
     },
     "larger than the 64 MiB"},
    {"missing", [](const fs::path& dir) { return dir / "none.elf"; }, "No such file"},
};

class SpecialFiles : public ::testing::TestWithParam<SpecialFile> {};

TEST_P(SpecialFiles, AreRefusedWithOneLine) {
    const ScratchFolder dir("coretest-hostile");
    const std::string path = GetParam().make(dir.path()).string();
    expectInputError(path, GetParam().words);
    try {
        LineTable::load(path);
        ADD_FAILURE() << "line records read";
    } catch (const InputError& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with(path + ": ")) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SpecialFiles, ::testing::ValuesIn(kSpecialFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Changed copies of a small program's file ----

class Hostile : public ::testing::Test {
  protected:
    void SetUp() override {
        elf_ = testing::buildSampleElf();
        good_ = testing::fileBytes(elf_);
    }
    void TearDown() override { fs::remove_all(elf_.parent_path()); }
    fs::path save(const std::vector<char>& bytes) const {
        const fs::path p = elf_.parent_path() / "changed.elf";
        testing::writeFileBytes(p, bytes);
        return p;
    }
    fs::path elf_;
    std::vector<char> good_;
};

// Headers that a file puts at an odd offset are read as they are at an aligned one (the
// sanitizer build catches a misaligned read of them).
struct MovedHeaders {
    std::string_view name;
    void (*move)(std::vector<char>&);
};

const MovedHeaders kMovedHeaders[] = {
    {"program_headers",
     [](std::vector<char>& f) {
         const Elf32_Ehdr eh = header(f);
         put<Elf32_Off>(f, offsetof(Elf32_Ehdr, e_phoff),
                        moveToOddOffset(f, eh.e_phoff, eh.e_phnum * sizeof(Elf32_Phdr)));
     }},
    {"section_headers",
     [](std::vector<char>& f) {
         const Elf32_Ehdr eh = header(f);
         put<Elf32_Off>(f, offsetof(Elf32_Ehdr, e_shoff),
                        moveToOddOffset(f, eh.e_shoff, eh.e_shnum * sizeof(Elf32_Shdr)));
     }},
    {"symbol_table",
     [](std::vector<char>& f) {
         const Elf32_Ehdr eh = header(f);
         for (int n = 0; n < eh.e_shnum; ++n) {
             const std::size_t at = eh.e_shoff + n * sizeof(Elf32_Shdr);
             const auto sh = get<Elf32_Shdr>(f, at);
             if (sh.sh_type != SHT_SYMTAB) continue;
             put<Elf32_Off>(f, at + offsetof(Elf32_Shdr, sh_offset),
                            moveToOddOffset(f, sh.sh_offset, sh.sh_size));
         }
     }},
};

class OddOffsets : public Hostile, public ::testing::WithParamInterface<MovedHeaders> {};

TEST_P(OddOffsets, ReadTheSameImage) {
    std::vector<char> bytes = good_;
    GetParam().move(bytes);
    const Image moved = Image::load(save(bytes).string());
    const Image image = Image::load(elf_.string());
    EXPECT_EQ(moved.entry(), image.entry());
    ASSERT_EQ(moved.segments().size(), image.segments().size());
    for (std::size_t n = 0; n < image.segments().size(); ++n)
        EXPECT_EQ(moved.segments()[n].bytes, image.segments()[n].bytes);
    ASSERT_EQ(moved.symbols().size(), image.symbols().size());
    for (std::size_t n = 0; n < image.symbols().size(); ++n) {
        EXPECT_EQ(moved.symbols()[n].name, image.symbols()[n].name);
        EXPECT_EQ(moved.symbols()[n].value, image.symbols()[n].value);
    }
    EXPECT_NE(moved.findSymbol("helper_test"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, OddOffsets, ::testing::ValuesIn(kMovedHeaders),
                         [](const auto& info) { return std::string(info.param.name); });

// Images that hold no program, or one no board can load: bad input, not a core's bus error.
struct Unloadable {
    std::string_view name;
    void (*spoil)(std::vector<char>&);
    std::string_view words;
};

const Unloadable kUnloadable[] = {
    {"empty", [](std::vector<char>& f) { f.clear(); }, "not an ELF file: the file is empty"},
    {"header_only_53_bytes", [](std::vector<char>& f) { f.resize(53); }, "segment"},
    {"short_header", [](std::vector<char>& f) { f.resize(20); }, "truncated ELF header"},
    {"no_loadable_segment",
     [](std::vector<char>& f) {
         for (int n = 0; n < header(f).e_phnum; ++n)
             put<Elf32_Word>(f, phdrAt(f, n) + offsetof(Elf32_Phdr, p_type), PT_NULL);
     },
     "no loadable segment"},
    {"entry_in_ram",
     [](std::vector<char>& f) { put<Elf32_Addr>(f, offsetof(Elf32_Ehdr, e_entry), kRamBase); },
     "entry point 0x80000000 is not a word of the ROM"},
    {"entry_on_display_register",
     [](std::vector<char>& f) { put<Elf32_Addr>(f, offsetof(Elf32_Ehdr, e_entry), 0xfffff010); },
     "entry point 0xfffff010"},
    {"entry_misaligned",
     [](std::vector<char>& f) { put<Elf32_Addr>(f, offsetof(Elf32_Ehdr, e_entry), kRomBase + 2); },
     "is not a word of the ROM"},
    {"segments_overlap_physically",
     [](std::vector<char>& f) {
         put<Elf32_Addr>(f, phdrAt(f, 1) + offsetof(Elf32_Phdr, p_paddr), kRomBase + 4);
     },
     "overlap at physical address"},
    {"segments_overlap_virtually",
     [](std::vector<char>& f) {
         put<Elf32_Addr>(f, phdrAt(f, 1) + offsetof(Elf32_Phdr, p_vaddr), kRomBase);
         put<Elf32_Addr>(f, phdrAt(f, 1) + offsetof(Elf32_Phdr, p_paddr), kRomBase + 0x1000);
     },
     "overlap at virtual address"},
};

class UnloadableImages : public Hostile, public ::testing::WithParamInterface<Unloadable> {};

TEST_P(UnloadableImages, AreBadInput) {
    std::vector<char> bytes = good_;
    GetParam().spoil(bytes);
    expectInputError(save(bytes).string(), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnloadableImages, ::testing::ValuesIn(kUnloadable),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageEntry, MustBeAWordOfTheRom) {
    for (std::uint32_t entry : {kRamBase, 0xfffff010u, kRomBase + kRomSize, kRomBase + 1})
        EXPECT_THROW(Image(entry, {}, {}), InputError) << std::hex << entry;
    EXPECT_NO_THROW(Image(kRomBase + kRomSize - 4, {}, {}));
}

// The line records come from the bytes the image was read from: the file is read once.
TEST(LineRecords, ComeFromTheBytesReadOnce) {
    const ScratchFolder dir("coretest-once");
    const fs::path rom = dir.path() / "rom.elf";
    fs::copy_file(CORETEST_ROM_PATH, rom);
    const Image image = Image::load(rom.string());
    testing::writeFileBytes(rom, std::vector<char>(1000, 'x')); // the file changes after the read
    const LineTable fromImage = LineTable::of(image);
    const LineTable fromFile = LineTable::load(CORETEST_ROM_PATH);
    ASSERT_FALSE(fromImage.rows().empty());
    ASSERT_EQ(fromImage.rows().size(), fromFile.rows().size());
    for (std::size_t n = 0; n < fromFile.rows().size(); ++n) {
        EXPECT_EQ(fromImage.rows()[n].address, fromFile.rows()[n].address);
        EXPECT_EQ(fromImage.rows()[n].line, fromFile.rows()[n].line);
    }
    EXPECT_THROW(LineTable::of(Image(kRomBase, {}, {})), InputError) << "no file, no records";
}

// ---- The end of a run does not depend on symbols ----

// The ROM as built, stripped of every symbol and section header, or cut right after its last
// segment's bytes.
struct Reduced {
    std::string_view name;
    void (*reduce)(const fs::path& in, const fs::path& out);
};

const Reduced kReduced[] = {
    {"stripped",
     [](const fs::path& in, const fs::path& out) {
         const std::string cmd =
             "mipsel-linux-gnu-strip --strip-all -o '" + out.string() + "' '" + in.string() + "'";
         ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
     }},
    {"cut_after_segments",
     [](const fs::path& in, const fs::path& out) {
         std::vector<char> f = testing::fileBytes(in);
         std::size_t end = 0;
         for (int n = 0; n < header(f).e_phnum; ++n) {
             const auto ph = get<Elf32_Phdr>(f, phdrAt(f, n));
             end = std::max<std::size_t>(end, ph.p_offset + ph.p_filesz);
         }
         ASSERT_LT(end, header(f).e_shoff) << "the section headers follow the segments";
         f.resize(end);
         testing::writeFileBytes(out, f);
     }},
};

class ReducedRom : public ::testing::TestWithParam<Reduced> {};

TEST_P(ReducedRom, EndsWithTheVerdictAfterTheSameInstructions) {
    const ScratchFolder dir("coretest-reduced");
    GetParam().reduce(CORETEST_ROM_PATH, dir.path() / "out.elf");
    const Image reduced = Image::load((dir.path() / "out.elf").string());
    EXPECT_EQ(reduced.findSymbol("test_finish"), nullptr);
    const Image full = Image::load(CORETEST_ROM_PATH);
    const RunOptions options{.switchValue = 1};
    const RunResult a = run(full, options);
    const RunResult b = run(reduced, options);
    ASSERT_EQ(a.reason, StopReason::Verdict);
    EXPECT_EQ(b.reason, StopReason::Verdict) << stopReasonName(b.reason);
    EXPECT_EQ(b.board, a.board);
    EXPECT_EQ(b.instructions, a.instructions);
    EXPECT_EQ(b.events, a.events);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReducedRom, ::testing::ValuesIn(kReduced),
                         [](const auto& info) { return std::string(info.param.name); });

// Idle loops: a short loop back to its start through an unconditional transfer, changing
// registers only.
struct LoopCase {
    std::string_view name;
    std::vector<std::uint32_t> words; // from kRomBase
    std::vector<std::uint32_t> loops;
};

constexpr std::uint32_t kNop = 0;
constexpr std::uint32_t kAddiuT0 = 0x25080001; // addiu $t0, $t0, 1
constexpr std::uint32_t kSwT1 = 0xad090000;    // sw $t1, 0($t0)
constexpr std::uint32_t kLwT1 = 0x8d090000;    // lw $t1, 0($t0)
constexpr std::uint32_t kAddT0 = 0x01084020;   // add $t0, $t0, $t0 (may trap)
std::uint32_t back(int words) {                // b .-words*4 (beq $zero, $zero)
    return 0x10000000 | (static_cast<std::uint32_t>(-words - 1) & 0xffff);
}

const LoopCase kLoops[] = {
    {"branch_to_itself", {back(0), kNop}, {kRomBase}},
    {"counter_loop", {kAddiuT0, back(1), kNop}, {kRomBase}},
    {"jump_to_itself", {0x0bf00000, kNop}, {kRomBase}},             // j 0xbfc00000
    {"bgez_zero_always", {kAddiuT0, 0x0401fffe, kNop}, {kRomBase}}, // bgez $zero, .-4
    {"second_loop", {kNop, kNop, kAddiuT0, back(1), kNop}, {kRomBase + 8}},
    {"store_in_loop", {kSwT1, back(1), kNop}, {}},
    {"load_in_loop", {kLwT1, back(1), kNop}, {}},
    {"store_in_delay_slot", {back(0), kSwT1}, {}},
    {"trapping_add", {kAddT0, back(1), kNop}, {}},
    {"conditional_branch", {kAddiuT0, 0x1500fffe, kNop}, {}}, // bne $t0, $zero, .-4
    {"forward_branch", {0x10000001, kNop, kNop}, {}},
};

class IdleLoops : public ::testing::TestWithParam<LoopCase> {};

TEST_P(IdleLoops, AreFound) {
    std::vector<Instr> rom;
    for (std::size_t n = 0; n < GetParam().words.size(); ++n)
        rom.push_back(decode(GetParam().words[n], kRomBase + 4 * static_cast<std::uint32_t>(n)));
    EXPECT_EQ(idleLoops(rom), GetParam().loops);
}

INSTANTIATE_TEST_SUITE_P(Cases, IdleLoops, ::testing::ValuesIn(kLoops),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- A program that floods the board's log is stopped at the cap ----

struct Flood {
    std::string_view name;
    std::string_view body;
    bool romWrites;
};

const Flood kFloods[] = {
    {"display_writes", "li $t0, 0xfffff010\n1: sw $t1, 0($t0)\n b 1b\n addiu $t1, $t1, 1", false},
    {"switch_reads", "li $t0, 0xfffffff4\n1: lw $t1, 0($t0)\n b 1b\n nop", false},
    {"rom_writes", "li $t0, 0xbfc00000\n1: sw $t1, 0($t0)\n b 1b\n nop", true},
};

class Floods : public ::testing::TestWithParam<Flood> {};

TEST_P(Floods, StopAtTheLogCap) {
    constexpr std::uint64_t kLimit = 20'000'000;
    const RunResult r = testing::runProgram(GetParam().body, {.instructionLimit = kLimit});
    EXPECT_EQ(r.reason, StopReason::EventLogFull) << stopReasonName(r.reason);
    EXPECT_EQ(r.events.size() + r.romWrites.size(), kMaxBoardEvents);
    EXPECT_EQ(r.romWrites.empty(), !GetParam().romWrites);
    EXPECT_LT(r.instructions, 4 * kMaxBoardEvents) << "stopped when the log filled";
}

INSTANTIATE_TEST_SUITE_P(Cases, Floods, ::testing::ValuesIn(kFloods),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace coretest
