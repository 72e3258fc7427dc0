// The one rule by which user text stands in a message: the trace reader's errors and, through
// cli::quoted, every command's. A terminal must never receive a control sequence from it, and
// text in other scripts stays readable.
#include <gtest/gtest.h>

#include <string>

#include "coretest/trace_reader.h"

namespace coretest {
namespace {

struct QuoteCase {
    const char* what;
    std::string text;
    std::string expected;
};

TEST(QuoteBytes, EscapesWhatATerminalWouldActOnAndKeepsValidText) {
    const QuoteCase cases[] = {
        {"plain ASCII", "lui-low-half", "lui-low-half"},
        {"ESC sequence", "\x1b[2J", "\\x1b[2J"},
        {"NUL and newline", std::string("a\0b\n", 4), "a\\x00b\\x0a"},
        {"DEL", "\x7f", "\\x7f"},
        {"lone continuation byte", "\xff", "\\xff"},
        {"cut-short sequence", "\xe2\x82", "\\xe2\\x82"},
        {"overlong slash", "\xc0\xaf", "\\xc0\\xaf"},
        {"UTF-16 surrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"past U+10FFFF", "\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
        {"C1 control CSI", "\xc2\x9b" "2J", "\\xc2\\x9b2J"},
        {"valid two-byte", "caf\xc3\xa9", "caf\xc3\xa9"},
        {"valid four-byte", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
        {"quote and backslash", "a'b\\c", "a\\'b\\\\c"},
        {"byte-order mark kept as text", "\xef\xbb\xbfr01", "\xef\xbb\xbfr01"},
    };
    for (const auto& c : cases) EXPECT_EQ(quoteBytes(c.text), c.expected) << c.what;
}

TEST(QuoteBytes, CutsLongTextAfterTheLimit) {
    EXPECT_EQ(quoteBytes(std::string(100, 'a'), 10), std::string(10, 'a') + "...");
    EXPECT_EQ(quoteBytes("abc", 3), "abc");
    // A multi-byte character that straddles the limit is kept whole, not split into escapes.
    EXPECT_EQ(quoteBytes("ab\xc3\xa9xyz", 3), "ab\xc3\xa9...");
}

} // namespace
} // namespace coretest
