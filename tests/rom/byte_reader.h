#pragma once
// Sequential little-endian reads from a section's bytes, as the DWARF and MIPS records store them.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace romtest {

class ByteReader {
  public:
    explicit ByteReader(const std::vector<std::uint8_t>& bytes, std::size_t offset = 0)
        : bytes_(bytes), offset_(offset) {}

    std::size_t offset() const { return offset_; }
    bool atEnd() const { return offset_ >= bytes_.size(); }
    void seek(std::size_t offset) { offset_ = offset; }

    std::uint8_t u8() {
        need(1);
        return bytes_[offset_++];
    }
    std::int8_t s8() { return static_cast<std::int8_t>(u8()); }
    std::uint16_t u16() {
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | (u8() << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::uint64_t uleb128() {
        std::uint64_t value = 0;
        for (int shift = 0;; shift += 7) {
            const std::uint8_t byte = u8();
            value |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
            if (!(byte & 0x80)) return value;
        }
    }
    std::string cstring() {
        std::string s;
        while (const char c = static_cast<char>(u8()))
            s += c;
        return s;
    }

  private:
    void need(std::size_t n) const {
        if (offset_ + n > bytes_.size())
            throw std::out_of_range("read past the end of a section at offset " +
                                    std::to_string(offset_));
    }

    const std::vector<std::uint8_t>& bytes_;
    std::size_t offset_;
};

} // namespace romtest
