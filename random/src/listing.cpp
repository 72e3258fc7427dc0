#include "listing.h"

#include <fmt/format.h>

#include "coretest/disassembler.h"

namespace coretest::random {

Listing makeListing(const Assembly& assembly, const Layout& layout,
                    const std::vector<std::string>& header) {
    Listing out;
    int line = 0;
    const auto add = [&](const std::string& text) {
        out.text += text;
        out.text += '\n';
        ++line;
    };
    for (const auto& h : header)
        add("# " + h);
    out.lineOf.resize(assembly.size());
    auto label = assembly.labels().begin();
    for (std::size_t i = 0; i < assembly.size(); ++i) {
        for (; label != assembly.labels().end() && label->first == i; ++label)
            add(label->second + ":");
        const Line& l = assembly.lines()[i];
        const std::uint32_t at = layout.address(i), word = layout.words[i];
        std::string text = l.data ? fmt::format(".word 0x{:08x}", word) : disassemble(word, at);
        if (!l.comment.empty()) text = fmt::format("{:<36} # {}", text, l.comment);
        add(fmt::format("    {:08x}  {:08x}  {}", at, word, text));
        out.lineOf[i] = line;
    }
    for (; label != assembly.labels().end(); ++label)
        add(label->second + ":");
    return out;
}

} // namespace coretest::random
