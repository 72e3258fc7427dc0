#pragma once
// Where a subcommand writes: a file named by -o, or standard output for "-".
#include <functional>
#include <iosfwd>
#include <string>

namespace coretest::cli {

// Calls write with the stream for `path`; throws InputError when the file cannot be written.
void writeTo(const std::string& path, bool binary, const std::function<void(std::ostream&)>& write);

// Reads `path` ("-" for standard input); throws InputError when it cannot be read.
void readFrom(const std::string& path, const std::function<void(std::istream&)>& read);

} // namespace coretest::cli
