#include "units2.h"

#include <string>

#include "families2.h"

namespace casegen {

const std::array<UnitEntry, 24> kUnits2{{
    {59, "lb", "", buildByteLoad},          {60, "lbu", "", buildByteLoad},
    {61, "lh", "", buildByteLoad},          {62, "lhu", "", buildByteLoad},
    {63, "sb", "", buildByteStore},         {64, "sh", "", buildByteStore},
    {65, "lwl", "", buildPartialLoad},      {66, "lwr", "", buildPartialLoad},
    {67, "swl", "", buildPartialStore},     {68, "swr", "", buildPartialStore},
    {69, "hz_alu", "", buildHazard},        {70, "hz_shift", "", buildHazard},
    {71, "hz_load", "", buildHazard},       {72, "hz_hilo", "", buildHazard},
    {73, "hz_link", "", buildHazard},       {74, "hilo_dist", "", buildHiLoDistance},
    {75, "md_again", "", buildMulDivAgain}, {76, "cp0", "", buildCp0},
    {77, "ov", "", buildOverflow},          {78, "syscall", "", buildTrap},
    {79, "break", "", buildTrap},           {80, "adel", "", buildAddressLoad},
    {81, "ades", "", buildAddressStore},    {82, "ri", "", buildReserved},
}};

const UnitEntry* findUnit2(std::string_view name) {
    if (name.ends_with("_test")) name.remove_suffix(5);
    for (const auto& entry : kUnits2)
        if ("n" + std::to_string(entry.number) + "_" + std::string(entry.mnemonic) == name)
            return &entry;
    return nullptr;
}

} // namespace casegen
