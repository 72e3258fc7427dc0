// Loading executables: what is read from a good file, and a clear error for each kind of bad one.
#include <gtest/gtest.h>

#include <elf.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "coretest/board.h"
#include "support/program.h"

namespace coretest {
namespace {

namespace fs = std::filesystem;

class Loader : public ::testing::Test {
  protected:
    void SetUp() override { elf_ = testing::buildSampleElf(); }
    void TearDown() override { fs::remove_all(elf_.parent_path()); }
    fs::path elf_;
};

TEST_F(Loader, ReadsSegmentsEntryAndSymbols) {
    const Image image = Image::load(elf_.string());
    EXPECT_EQ(image.entry(), kRomBase);
    ASSERT_EQ(image.segments().size(), 2u);
    const Segment& text = image.segments()[0];
    const Segment& data = image.segments()[1];
    EXPECT_EQ(text.vaddr, kRomBase);
    EXPECT_EQ(text.paddr, kRomBase);
    EXPECT_EQ(text.flags, std::uint32_t{PF_R | PF_X});
    EXPECT_EQ(data.vaddr, kRamBase);
    EXPECT_EQ(data.paddr, kRomBase + text.memSize);
    EXPECT_EQ(data.flags & PF_W, std::uint32_t{PF_W});
    ASSERT_GE(data.bytes.size(), 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(data.bytes.begin(), data.bytes.begin() + 4),
              (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));

    const Symbol* finish = image.findSymbol("test_finish");
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->value, kRomBase + 8);
    EXPECT_EQ(finish->binding, STB_LOCAL);
    const Symbol* helper = image.findSymbol("helper_test");
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->type, STT_FUNC);
    EXPECT_EQ(helper->binding, STB_GLOBAL);
    EXPECT_EQ(helper->size, 8u);
    EXPECT_EQ(image.findSymbol("no_such_symbol"), nullptr);

    const AddressRange expected{helper->value, helper->value + 8};
    for (std::string_view name : {"helper_test", "helper"}) {
        const auto range = image.routine(name);
        ASSERT_TRUE(range) << name;
        EXPECT_EQ(range->begin, expected.begin);
        EXPECT_EQ(range->end, expected.end);
    }
    EXPECT_FALSE(image.routine("test_finish")) << "not a function symbol";
    EXPECT_EQ(image.routineAt(helper->value + 4), helper);
    EXPECT_EQ(image.routineAt(helper->value + 8), nullptr);
}

TEST_F(Loader, BoardHoldsDataInRomByPhysicalAndInRamByVirtualAddress) {
    const Image image = Image::load(elf_.string());
    const Board board(image);
    const Segment& data = image.segments()[1];
    const auto rom = board.rom();
    EXPECT_EQ(rom[data.paddr - kRomBase], 0x44);
    EXPECT_EQ(rom[data.paddr - kRomBase + 3], 0x11);
    EXPECT_EQ(board.ram()[0], 0x44);
    EXPECT_EQ(board.ram()[3], 0x11);
    EXPECT_EQ(rom[0], image.segments()[0].bytes[0]);
}

// A change to a good file and the words its error must contain.
struct BadFile {
    std::string_view name;
    void (*spoil)(std::vector<char>&);
    std::string_view message;
};

template <class T>
void put(std::vector<char>& f, std::size_t at, T v) {
    std::memcpy(&f[at], &v, sizeof v);
}

Elf32_Phdr phdr(const std::vector<char>& f, int n) {
    Elf32_Ehdr eh;
    std::memcpy(&eh, f.data(), sizeof eh);
    Elf32_Phdr ph;
    std::memcpy(&ph, &f[eh.e_phoff + n * sizeof ph], sizeof ph);
    return ph;
}

std::size_t phdrAt(const std::vector<char>& f, int n) {
    Elf32_Ehdr eh;
    std::memcpy(&eh, f.data(), sizeof eh);
    return eh.e_phoff + n * sizeof(Elf32_Phdr);
}

const BadFile kBadFiles[] = {
    {"empty", [](std::vector<char>& f) { f.clear(); }, "not an ELF file"},
    {"text",
     [](std::vector<char>& f) {
         f.assign({'h', 'e', 'l', 'l', 'o', '\n'});
     },
     "not an ELF file"},
    {"elf64", [](std::vector<char>& f) { f[EI_CLASS] = ELFCLASS64; }, "not ELF32"},
    {"big_endian", [](std::vector<char>& f) { f[EI_DATA] = ELFDATA2MSB; }, "not little-endian"},
    {"x86",
     [](std::vector<char>& f) { put<Elf32_Half>(f, offsetof(Elf32_Ehdr, e_machine), EM_386); },
     "is not MIPS"},
    {"relocatable",
     [](std::vector<char>& f) { put<Elf32_Half>(f, offsetof(Elf32_Ehdr, e_type), ET_REL); },
     "not an executable"},
    {"text_cut_short", [](std::vector<char>& f) { f.resize(phdr(f, 0).p_offset + 16); },
     "beyond the end of the file"},
    {"text_outside_memory",
     [](std::vector<char>& f) {
         put<Elf32_Addr>(f, phdrAt(f, 0) + offsetof(Elf32_Phdr, p_vaddr), 0x00400000);
     },
     "outside the board's memory"},
    {"data_past_ram_end",
     [](std::vector<char>& f) {
         put<Elf32_Addr>(f, phdrAt(f, 1) + offsetof(Elf32_Phdr, p_vaddr), kRamBase + kRamSize - 2);
     },
     "outside the board's memory"},
    {"memory_smaller_than_file",
     [](std::vector<char>& f) {
         put<Elf32_Word>(f, phdrAt(f, 1) + offsetof(Elf32_Phdr, p_memsz), 1);
     },
     "smaller in memory"},
};

class BadFiles : public Loader, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFiles, ThrowOneLineNamingFileAndProblem) {
    std::vector<char> bytes = testing::fileBytes(elf_);
    GetParam().spoil(bytes);
    const fs::path bad = elf_.parent_path() / "bad.elf";
    testing::writeFileBytes(bad, bytes);
    try {
        Image::load(bad.string());
        FAIL() << "loaded";
    } catch (const InputError& e) {
        const std::string msg = e.what();
        EXPECT_TRUE(msg.starts_with(bad.string() + ": ")) << msg;
        EXPECT_NE(msg.find(GetParam().message), std::string::npos) << msg;
        EXPECT_EQ(msg.find('\n'), std::string::npos) << msg;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BadFiles, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoaderErrors, MissingFile) {
    try {
        Image::load("/nonexistent/rom.elf");
        FAIL() << "loaded";
    } catch (const InputError& e) {
        EXPECT_STREQ(e.what(),
                     "/nonexistent/rom.elf: cannot open the file: No such file or directory");
    }
}

// Cut at every length and with bytes garbled at random, a file either loads or throws
// InputError; nothing else (the sanitizer build also catches bad reads).
TEST_F(Loader, SurvivesTruncatedAndGarbledFiles) {
    const std::vector<char> good = testing::fileBytes(elf_);
    const fs::path bad = elf_.parent_path() / "bad.elf";
    int loaded = 0, rejected = 0;
    auto attempt = [&](const std::vector<char>& bytes) {
        testing::writeFileBytes(bad, bytes);
        try {
            Image::load(bad.string());
            ++loaded;
        } catch (const InputError&) {
            ++rejected;
        }
    };
    for (std::size_t len = 0; len < good.size(); len += 1 + len / 16)
        attempt({good.begin(), good.begin() + static_cast<std::ptrdiff_t>(len)});
    std::mt19937 rng(1234);
    for (int round = 0; round < 400; ++round) {
        std::vector<char> bytes = good;
        const int flips = 1 + round % 8;
        for (int k = 0; k < flips; ++k) {
            // Mostly the headers, where a flip changes how the rest is read.
            const std::size_t limit = round % 2 ? 0x400 : bytes.size();
            bytes[rng() % std::min(limit, bytes.size())] = static_cast<char>(rng());
        }
        attempt(bytes);
    }
    EXPECT_GT(rejected, 0);
    EXPECT_GT(loaded, 0);
}

} // namespace
} // namespace coretest
