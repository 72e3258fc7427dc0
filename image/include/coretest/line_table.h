#pragma once
// The image's line records (DWARF line programs), read with libdw: which source line of which unit
// every ROM address belongs to.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace coretest {

struct LineRow {
    std::uint32_t address = 0; // first instruction of the row
    std::uint32_t end = 0;     // address just after the row's last instruction
    int line = 0;
    int unit = 0; // index into LineTable::units()
};

struct LineUnit {
    std::string name;    // source file name as recorded, e.g. "n7_or.S"
    std::string compDir; // compile directory as recorded, e.g. "inst"
    std::uint32_t lowPc = 0;
    std::uint32_t highPc = 0;
    std::string path() const; // compile directory joined with the name, e.g. "inst/n7_or.S"
};

class Image;

class LineTable {
  public:
    // Reads every compile unit's line program; throws InputError when the file has no readable
    // line records.
    static LineTable load(const std::string& elfPath);
    // The same from the bytes of an image file as read once (Image::fileBytes); `name` stands
    // for the file in messages.
    static LineTable fromBytes(std::span<const char> file, const std::string& name);
    // The line records of the file the image was read from, from the same bytes.
    static LineTable of(const Image& image);

    const std::vector<LineRow>& rows() const { return rows_; } // sorted by address
    const std::vector<LineUnit>& units() const { return units_; }
    // The row whose instructions include addr, or nullptr outside every line program.
    const LineRow* rowAt(std::uint32_t addr) const;
    const LineUnit& unitOf(const LineRow& row) const { return units_.at(row.unit); }

  private:
    std::vector<LineRow> rows_;
    std::vector<LineUnit> units_;
};

} // namespace coretest
