#include "coretest/rom_export.h"

#include <fmt/format.h>

#include <algorithm>
#include <ostream>

#include "coretest/memory_map.h"

namespace coretest {

namespace {

std::uint32_t wordAt(std::span<const std::uint8_t> bytes, std::size_t index) {
    std::uint32_t w = 0;
    for (std::size_t b = 0; b < 4; ++b) {
        const std::size_t at = 4 * index + b;
        if (at < bytes.size()) w |= static_cast<std::uint32_t>(bytes[at]) << (8 * b);
    }
    return w;
}

std::size_t wordCount(std::span<const std::uint8_t> bytes) {
    return (bytes.size() + 3) / 4;
}

// Every format but the raw one is text built line by line; the buffer keeps the writes large.
class Lines {
  public:
    explicit Lines(std::ostream& out) : out_(out) {}
    ~Lines() { out_ << text_; }
    Lines(const Lines&) = delete;
    Lines& operator=(const Lines&) = delete;
    template <class... Args>
    void add(fmt::format_string<Args...> format, Args&&... args) {
        fmt::format_to(std::back_inserter(text_), format, std::forward<Args>(args)...);
        text_ += '\n';
        if (text_.size() > 1 << 16) {
            out_ << text_;
            text_.clear();
        }
    }

  private:
    std::ostream& out_;
    std::string text_;
};

void writeReadMemH(std::span<const std::uint8_t> bytes, std::string_view origin,
                   std::ostream& out) {
    Lines lines(out);
    lines.add("// {}: {} words from 0x{:08x}, one 32-bit word per line", origin, wordCount(bytes),
              kRomBase);
    for (std::size_t i = 0; i < wordCount(bytes); ++i)
        lines.add("{:08x}", wordAt(bytes, i));
}

void writeCoe(std::span<const std::uint8_t> bytes, std::string_view origin, std::ostream& out) {
    Lines lines(out);
    lines.add("; {}: {} words of 32 bits from 0x{:08x}", origin, wordCount(bytes), kRomBase);
    lines.add("memory_initialization_radix=16;");
    lines.add("memory_initialization_vector=");
    const std::size_t n = wordCount(bytes);
    for (std::size_t i = 0; i < n; ++i)
        lines.add("{:08x}{}", wordAt(bytes, i), i + 1 == n ? ';' : ',');
}

void writeMif(std::span<const std::uint8_t> bytes, std::string_view origin, std::ostream& out) {
    Lines lines(out);
    const std::size_t n = wordCount(bytes);
    lines.add("-- {}: {} words of 32 bits from 0x{:08x}", origin, n, kRomBase);
    lines.add("WIDTH=32;");
    lines.add("DEPTH={};", n);
    lines.add("ADDRESS_RADIX=HEX;");
    lines.add("DATA_RADIX=HEX;");
    lines.add("CONTENT BEGIN");
    for (std::size_t i = 0; i < n; ++i)
        lines.add("    {:05x} : {:08x};", i, wordAt(bytes, i));
    lines.add("END;");
}

} // namespace

std::optional<ExportFormat> exportFormatNamed(std::string_view name) {
    if (name == "bin") return ExportFormat::Binary;
    if (name == "hex") return ExportFormat::ReadMemH;
    if (name == "coe") return ExportFormat::Coe;
    if (name == "mif") return ExportFormat::Mif;
    return std::nullopt;
}

std::vector<std::uint8_t> romContents(const Image& image, std::uint32_t size) {
    if (size > kRomSize)
        throw InputError(
            fmt::format("ROM size {} is larger than the boot ROM's {} bytes", size, kRomSize));
    std::uint32_t end = 0;
    for (const auto& seg : image.segments())
        if (seg.paddr - kRomBase < kRomSize)
            end = std::max(end, seg.paddr - kRomBase + seg.memSize);
    if (end == 0)
        throw InputError(fmt::format("{}: no segment is stored in the boot ROM at 0x{:08x}",
                                     image.name(), kRomBase));
    if (size != 0 && size < end)
        throw InputError(fmt::format("ROM size {} is smaller than the image, which fills {} bytes "
                                     "from 0x{:08x}; give at least {} or leave the size out",
                                     size, end, kRomBase, end));
    std::vector<std::uint8_t> rom(std::max(end, size), 0);
    for (const auto& seg : image.segments())
        if (seg.paddr - kRomBase < kRomSize)
            std::copy(seg.bytes.begin(), seg.bytes.end(), rom.begin() + (seg.paddr - kRomBase));
    return rom;
}

void writeExport(ExportFormat format, std::span<const std::uint8_t> bytes, std::string_view origin,
                 std::ostream& out) {
    switch (format) {
    case ExportFormat::Binary:
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        break;
    case ExportFormat::ReadMemH: writeReadMemH(bytes, origin, out); break;
    case ExportFormat::Coe: writeCoe(bytes, origin, out); break;
    case ExportFormat::Mif: writeMif(bytes, origin, out); break;
    }
}

} // namespace coretest
