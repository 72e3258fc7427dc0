#pragma once
// Where a subcommand writes: a file named by -o, or standard output for "-"; and how JSON text is
// made from names and paths that need not be UTF-8.
#include <functional>
#include <iosfwd>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace coretest::cli {

// Calls write with the stream for `path`; throws InputError when the file cannot be written.
void writeTo(const std::string& path, bool binary, const std::function<void(std::ostream&)>& write);

// Flushes `out` (for std::cout also C stdio's stdout) and throws InputError naming `what`
// ("standard output", a path) when anything written to it was lost: a full disk, /dev/full.
void finishOutput(std::ostream& out, const std::string& what);

// The document as JSON text. Strings are bytes from files and command lines (symbol names,
// paths), not always UTF-8: each byte that is not part of valid UTF-8 becomes U+FFFD instead of
// an exception. Every JSON document a command prints goes through here.
std::string jsonText(const nlohmann::json& document, int indent = 2);

// Reads `path` ("-" for standard input); throws InputError when it cannot be read.
void readFrom(const std::string& path, const std::function<void(std::istream&)>& read);

} // namespace coretest::cli
