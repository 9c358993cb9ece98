// The argument fetch: splitting at depth zero, print mode, literals and
// their views, and the type check.
#include <gtest/gtest.h>

#include "core/runtime.h"
#include "values/fetch.h"
#include "support/fake_host.h"

namespace talven {
namespace {

using testing::FakeHost;

struct Fetcher {
    FakeHost host;
    Runtime rt{host};
    std::string text;

    explicit Fetcher(std::string argument_text) : text(std::move(argument_text))
    {
        rt.loader.program_loaded = true;
        rt.loop.current_line = 1;
        rt.loop.args = ArgText(text);
    }
    std::string rest() const { return std::string(rt.loop.args.view()); }
};

TEST(Split, FindsSeparatorsOnlyAtDepthZero)
{
    EXPECT_EQ(find_at_depth_zero("A%,B$", ','), 2u);
    EXPECT_EQ(find_at_depth_zero("\"a,b\",c", ','), 5u);
    EXPECT_EQ(find_at_depth_zero("(a,b),c", ','), 5u);
    EXPECT_EQ(find_at_depth_zero("A[1,2],c", ','), 6u);
    EXPECT_EQ(find_at_depth_zero("X%),Y%", ')'), 2u);
    EXPECT_EQ(find_at_depth_zero("\"open,", ','), std::string_view::npos);
    // The byte after "@" is a token: "@" + "]" or "[" (function tokens)
    // must not move the bracket level.
    EXPECT_EQ(find_at_depth_zero("@]#1),\"x\"", ','), 5u);
    EXPECT_EQ(find_at_depth_zero("@[A#,0),\"x\"", ','), 7u);
    // A declared function's two line-number bytes are skipped too.
    EXPECT_EQ(find_at_depth_zero(std::string_view("@\x60\x29\x00" "1),2", 8), ','), 6u);
}

TEST(Fetch, SeparatorsAndWhatIsLeft)
{
    Fetcher f("A,B");
    fetch(f.rt, ',');
    EXPECT_EQ(f.rt.fetch.separator, ',');
    EXPECT_EQ(f.rest(), "B");

    Fetcher g("5),7");
    fetch(g.rt, ')');
    EXPECT_EQ(g.rt.value.long_integer, 5);
    EXPECT_EQ(g.rest(), ",7");

    Fetcher h("1,2");
    fetch(h.rt, rest_of_text);
    EXPECT_EQ(h.rt.value.text().view(), "1,2");
    EXPECT_EQ(h.rest(), "");
}

TEST(Fetch, PrintModeSeparators)
{
    Fetcher f("1;2+3,4");
    fetch(f.rt, print_mode);
    EXPECT_EQ(f.rt.fetch.separator, ';');
    fetch(f.rt, print_mode);
    EXPECT_EQ(f.rt.fetch.separator, ';'); // "+" is reported as ";"
    fetch(f.rt, print_mode);
    EXPECT_EQ(f.rt.fetch.separator, ',');
    EXPECT_FALSE(f.rt.fetch.last_argument);
    fetch(f.rt, print_mode);
    EXPECT_EQ(f.rt.value.long_integer, 4);
    EXPECT_TRUE(f.rt.fetch.last_argument);
    EXPECT_EQ(f.rt.fetch.separator, ' ');
}

TEST(Fetch, StringLiteralEscapes)
{
    const std::pair<std::string, std::string> cases[] = {
        {R"("a,b")", "a,b"},
        {R"("x\ny")", "x\ry"},
        {R"("\\n")", "\\n"},
        {R"("\.new")", "\\new"},
        {R"("\a\t")", "\b\t"},
        {R"("\\\n")", "\\\r"},
        {R"("\q")", "\\q"},
        {"\"", ""},
        {"\"\"", ""},
    };
    for (const auto& [literal, expected] : cases) {
        Fetcher f(literal);
        fetch(f.rt, rest_of_text);
        EXPECT_EQ(f.rt.value.type, ValueType::String) << literal;
        EXPECT_EQ(f.rt.value.text().view(), expected) << literal;
    }
    Fetcher raw(R"("a\nb\\c")");
    fetch(raw.rt, rest_of_text, Expect::RawString);
    EXPECT_EQ(raw.rt.value.text().view(), "a\\nb\\c");
}

TEST(Fetch, NumberLiteralsAndTheirViews)
{
    struct Case {
        const char* text;
        ValueType type;
        std::int32_t integer;
        double real;
        const char* string_view;
    };
    const Case cases[] = {
        {"1.5", ValueType::Float, 1, 1.5, "1.5"},
        {"-1.5", ValueType::Float, 1, -1.5, "-1.5"},
        {"15", ValueType::Long, 15, 15.0, "15"},
        {"1E3", ValueType::Long, 1, 1000.0, "1E3"},
        {"1e3", ValueType::Long, 1, 1000.0, "1E3"},
        {"$FF", ValueType::String, 255, 255.0, "255"},
        {"&17", ValueType::Long, 15, 15.0, "15"},
        {"%101", ValueType::Integer, 5, 5.0, "5"},
    };
    for (const auto& c : cases) {
        Fetcher f(c.text);
        fetch(f.rt, rest_of_text);
        EXPECT_EQ(f.rt.value.type, c.type) << c.text;
        EXPECT_EQ(f.rt.value.integer, c.integer) << c.text;
        EXPECT_EQ(f.rt.value.long_integer, c.integer) << c.text;
        EXPECT_EQ(f.rt.value.real, c.real) << c.text;
        EXPECT_EQ(f.rt.value.text().view(), c.string_view) << c.text;
        EXPECT_TRUE(f.host.boxes.empty()) << c.text;
    }
}

TEST(Fetch, NotANumberIsASoftError)
{
    Fetcher f("12X");
    fetch(f.rt, rest_of_text);
    EXPECT_EQ(f.rt.value.type, ValueType::String);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].caption, "Keine Zahl: 12X");
    EXPECT_EQ(f.rt.errors.last_number, 214);

    // Two separators in a row: an empty argument.
    Fetcher g(",1");
    fetch(g.rt, ',');
    ASSERT_EQ(g.host.boxes.size(), 1u);
    EXPECT_EQ(g.host.boxes[0].caption, "Keine Zahl: ");
}

TEST(Fetch, FatalErrorsOfTheFetch)
{
    struct Case {
        const char* text;
        char separator;
        Expect expect;
        const char* caption;
    };
    const Case cases[] = {
        {"", ',', Expect::Numeric, "Zu wenig Parameter!"},
        {"\"x\"", ' ', Expect::Numeric, "Falscher Parametertyp: \"x\""},
        {"5", ' ', Expect::String, "Falscher Parametertyp: 5"},
        {"$", ' ', Expect::Any, "Systemvariable unbekannt: "},
        {"&9", ' ', Expect::Any, "Systemvariable unbekannt: "},
        {"!1", ' ', Expect::Any, "Systemvariable unbekannt: "},
        {"@", ' ', Expect::Any, "Funktion unbekannt: "},
    };
    for (const auto& c : cases) {
        Fetcher f(c.text);
        f.rt.errors.mode = -1; // record instead of ending
        fetch(f.rt, c.separator, c.expect);
        EXPECT_EQ(f.rt.errors.level, 2) << c.text;
        Fetcher shown(c.text);
        EXPECT_THROW(fetch(shown.rt, c.separator, c.expect), ProgramEnd) << c.text;
        ASSERT_EQ(shown.host.boxes.size(), 1u) << c.text;
        EXPECT_EQ(shown.host.boxes[0].caption, c.caption) << c.text;
    }
}

TEST(Fetch, SystemVariablesCompleteTheirViews)
{
    Fetcher version("$\xC4");
    fetch(version.rt, rest_of_text);
    EXPECT_EQ(version.rt.value.text().view(), "6.0-32");
    EXPECT_EQ(version.rt.value.long_integer, 0);

    // A "!" prefix on an integer system variable fills the float view.
    Fetcher one("!\xBF");
    fetch(one.rt, rest_of_text);
    EXPECT_EQ(one.rt.value.type, ValueType::Float);
    EXPECT_EQ(one.rt.value.real, 1.0);
    EXPECT_EQ(one.rt.value.text().view(), "1.000000");
}

} // namespace
} // namespace talven
