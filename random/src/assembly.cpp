#include "assembly.h"

#include <fmt/format.h>

#include <stdexcept>

namespace coretest::random {

std::uint32_t rType(unsigned fn, unsigned rs, unsigned rt, unsigned rd, unsigned sa) {
    return (rs & 31) << 21 | (rt & 31) << 16 | (rd & 31) << 11 | (sa & 31) << 6 | (fn & 63);
}

std::uint32_t iType(unsigned op, unsigned rs, unsigned rt, std::uint32_t imm) {
    return (op & 63) << 26 | (rs & 31) << 21 | (rt & 31) << 16 | (imm & 0xffff);
}

std::uint32_t regimm(unsigned rt, unsigned rs) {
    return iType(0x01, rs, rt, 0);
}

std::uint32_t jType(unsigned op, std::uint32_t target) {
    return (op & 63) << 26 | ((target >> 2) & 0x3ffffff);
}

void Assembly::label(const std::string& name) {
    labels_.emplace(lines_.size(), name);
}

void Assembly::emit(std::uint32_t word, std::string comment) {
    lines_.push_back({word, Fixup::None, {}, false, std::move(comment)});
}

void Assembly::emitRef(std::uint32_t word, Fixup fixup, std::string target, std::string comment) {
    lines_.push_back({word, fixup, std::move(target), false, std::move(comment)});
}

void Assembly::data(std::uint32_t word, std::string comment) {
    lines_.push_back({word, Fixup::None, {}, true, std::move(comment)});
}

void Assembly::padTo(std::uint32_t byteOffset) {
    if (4 * lines_.size() > byteOffset)
        throw std::logic_error(
            fmt::format("random program: code runs past offset {:#x}", byteOffset));
    while (4 * lines_.size() < byteOffset)
        data(0);
}

void Assembly::append(const Assembly& other) {
    const std::size_t offset = lines_.size();
    for (const auto& [index, name] : other.labels_)
        labels_.emplace(index + offset, name);
    lines_.insert(lines_.end(), other.lines_.begin(), other.lines_.end());
}

Layout layOut(const Assembly& assembly, std::uint32_t base) {
    Layout out;
    out.base = base;
    for (const auto& [index, name] : assembly.labels())
        if (!out.labels.emplace(name, out.address(index)).second)
            throw std::logic_error("random program: label " + name + " defined twice");
    out.words.reserve(assembly.size());
    for (std::size_t i = 0; i < assembly.size(); ++i) {
        const Line& l = assembly.lines()[i];
        std::uint32_t word = l.word;
        if (l.fixup != Fixup::None) {
            const auto it = out.labels.find(l.target);
            if (it == out.labels.end())
                throw std::logic_error("random program: no label " + l.target);
            const std::uint32_t to = it->second, at = out.address(i);
            switch (l.fixup) {
            case Fixup::Branch: {
                const auto offset = static_cast<std::int64_t>(to) - (std::int64_t{at} + 4);
                if (offset < -0x20000 || offset > 0x1fffc)
                    throw std::logic_error("random program: branch to " + l.target +
                                           " out of reach");
                word |= static_cast<std::uint32_t>(offset >> 2) & 0xffff;
            } break;
            case Fixup::Jump: word |= (to >> 2) & 0x3ffffff; break;
            case Fixup::High: word |= to >> 16; break;
            case Fixup::Low: word |= to & 0xffff; break;
            case Fixup::None: break;
            }
        }
        out.words.push_back(word);
    }
    return out;
}

} // namespace coretest::random
