#include <gtest/gtest.h>

#include "host/console/console_system.h"

namespace talven {
namespace {

using Args = std::vector<std::string>;

// The platform's own examples of its splitting, after a program name.
TEST(ConsoleSystem, CommandLinesSplitAsThePlatformSplitsThem)
{
    struct Case {
        std::string_view line;
        Args args;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"prog", {"prog"}},
        {"  prog  a   b ", {"prog", "a", "b"}},
        {"\"C:\\Program Files\\x.exe\" \"a b\" c", {"C:\\Program Files\\x.exe", "a b", "c"}},
        {"p \"abc\" d e", {"p", "abc", "d", "e"}},
        {"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
        {"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
        {"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
        {"p\t\"\"", {"p", ""}},
        // The program's name takes no backslash rules.
        {"\"C:\\dir\\\\\" x", {"C:\\dir\\\\", "x"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(split_command_line(c.line), c.args) << c.line;
}

TEST(ConsoleSystem, EntriesJoinTheFileAsItIs)
{
    // A last line without a line end gets the new entry after it, and the
    // file still ends without one.
    EXPECT_EQ(ini_with_entry("[a]\nx=1", "A", "y", "2"), "[a]\nx=1\ny=2");
    // Blank lines after a section stay after the new entry.
    EXPECT_EQ(ini_with_entry("[a]\r\nx=1\r\n\r\n[b]\r\n", "a", "y", "2"), "[a]\r\nx=1\r\ny=2\r\n\r\n[b]\r\n");
    // Only the first section of a name counts.
    EXPECT_EQ(ini_with_entry("[a]\nx=1\n[a]\ny=1\n", "a", "y", "2"), "[a]\nx=1\ny=2\n[a]\ny=1\n");
    EXPECT_EQ(ini_value("[a]\nx=1\n[a]\ny=1\n", "a", "y"), std::nullopt);
    // A text that ends inside a line gets a line end before a new section.
    EXPECT_EQ(ini_with_entry("; nur", "s", "k", "v"), "; nur\r\n[s]\r\nk=v\r\n");
    EXPECT_EQ(ini_value("[s]\nk = \"  v  \"\n", "s", "k"), "  v  ");
}

} // namespace
} // namespace talven
