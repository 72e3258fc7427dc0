#include "output.h"

#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "coretest/image.h"
#include "coretest/trace_reader.h"

namespace coretest::cli {

void writeTo(const std::string& path, bool binary,
             const std::function<void(std::ostream&)>& write) {
    if (path == "-") {
        write(std::cout);
        finishOutput(std::cout, "standard output");
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

void refuseOutputOverInput(const std::string& path, const std::vector<std::string>& inputs) {
    struct stat out {};
    if (path == "-" ? ::fstat(STDOUT_FILENO, &out) != 0 : ::stat(path.c_str(), &out) != 0) return;
    for (const auto& input : inputs) {
        struct stat in {};
        if (input == "-" ? ::fstat(STDIN_FILENO, &in) != 0 : ::stat(input.c_str(), &in) != 0)
            continue;
        if (in.st_dev == out.st_dev && in.st_ino == out.st_ino && S_ISREG(in.st_mode))
            throw InputError(fmt::format(
                "{}: the output is the input {}, which writing it would destroy; give another "
                "output path",
                path == "-" ? "standard output" : cli::quoted(path), cli::quoted(input)));
    }
}

void finishOutput(std::ostream& out, const std::string& what) {
    errno = 0;
    out.flush();
    // Standard output is also written through C stdio (fmt::print), which keeps its own error.
    const bool stdioFailed =
        &out == &std::cout && (std::fflush(stdout) != 0 || std::ferror(stdout));
    if (!out || stdioFailed)
        throw InputError(fmt::format("{}: writing failed{}", what,
                                     errno ? fmt::format(" ({})", std::strerror(errno)) : ""));
}

std::string jsonText(const nlohmann::json& document, int indent) {
    return document.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string quoted(std::string_view userText) {
    constexpr std::size_t kLongest = 200;
    return "'" + quoteBytes(userText, kLongest) + "'";
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
