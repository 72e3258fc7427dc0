#pragma once
// Where a subcommand writes: a file named by -o, or standard output for "-"; and how JSON text is
// made from names and paths that need not be UTF-8.
#include <functional>
#include <iosfwd>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace coretest::cli {

// Calls write with the stream for `path`; throws InputError when the file cannot be written.
void writeTo(const std::string& path, bool binary, const std::function<void(std::ostream&)>& write);

// Throws InputError when the output `path` ("-": standard output) is the same file (device and
// inode) as one of `inputs`: writing it would destroy the input before, or while, it is read.
// Paths that do not exist yet are no input. Every command with an output option calls this
// before it reads or writes anything.
void refuseOutputOverInput(const std::string& path, const std::vector<std::string>& inputs);

// Flushes `out` (for std::cout also C stdio's stdout) and throws InputError naming `what`
// ("standard output", a path) when anything written to it was lost: a full disk, /dev/full.
void finishOutput(std::ostream& out, const std::string& what);

// The document as JSON text. Strings are bytes from files and command lines (symbol names,
// paths), not always UTF-8: each byte that is not part of valid UTF-8 becomes U+FFFD instead of
// an exception. Every JSON document a command prints goes through here.
std::string jsonText(const nlohmann::json& document, int indent = 2);

// Text from the command line or a file (an option's value, a name, a path) as it stands in a
// message: between single quotes, control bytes and bytes that are not valid UTF-8 as \xNN, a
// quote or backslash inside with a backslash before it, cut after 200 bytes with "...". Every
// message that echoes what a user gave goes through here, so that no byte of it reaches the
// terminal as a control sequence. The same rule as the trace reader's quoteBytes. Call it as
// cli::quoted: with a std::string argument, argument-dependent lookup also finds std::quoted.
std::string quoted(std::string_view userText);

// Reads `path` ("-" for standard input); throws InputError when it cannot be read.
void readFrom(const std::string& path, const std::function<void(std::istream&)>& read);

} // namespace coretest::cli
