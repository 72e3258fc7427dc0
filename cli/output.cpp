#include "output.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "coretest/image.h"

namespace coretest::cli {

void writeTo(const std::string& path, bool binary,
             const std::function<void(std::ostream&)>& write) {
    if (path == "-") {
        write(std::cout);
        std::cout.flush();
        return;
    }
    std::ofstream out(path, binary ? std::ios::binary | std::ios::out : std::ios::out);
    if (!out)
        throw InputError(fmt::format("{}: cannot be written ({}); give a path in a writable folder",
                                     path, std::strerror(errno)));
    write(out);
    out.close();
    if (!out) throw InputError(fmt::format("{}: writing failed ({})", path, std::strerror(errno)));
}

void readFrom(const std::string& path, const std::function<void(std::istream&)>& read) {
    if (path == "-") return read(std::cin);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InputError(fmt::format("{}: cannot be read ({}); give the path of a trace file", path,
                                     std::strerror(errno)));
    read(in);
}

} // namespace coretest::cli
