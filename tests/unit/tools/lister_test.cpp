// The lister: readable forms where they are exact, raw lines where not, and
// compile(list(lines)) == lines for any lines at all.
#include "tools/compiler.h"
#include "tools/lister.h"
#include "tools/tvc_format.h"
#include "tool_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace talven::tools;
using namespace talven::tools::test;

namespace {

void expect_round_trip(const std::vector<std::string>& lines, const std::string& what)
{
    std::string listing = list_program(lines);
    CompileResult again = compile_source(listing);
    ASSERT_TRUE(again.ok()) << what << ": " << format_diagnostic("listing", again.diagnostics[0]) << "\n" << listing;
    ASSERT_EQ(again.lines.size(), lines.size()) << what << "\n" << listing;
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(hex(*again.lines[i]), hex(lines[i])) << what << ", line " << i + 1 << "\n" << listing;
}

std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l.substr(l.find_first_not_of(' ') == std::string::npos ? l.size() : l.find_first_not_of(' ')));
    return out;
}

// Each program line, listed alone, reads as expected.
TEST(Lister, ReadableFormsOfSingleLines)
{
    struct Case {
        std::string line;
        const char* listed;
    };
    const Case cases[] = {
        {line(0xA2, "\"a b\",1"), "PRINT \"a b\",1"},
        {line(0xA2), "PRINT"},
        {line(0x8A), "WEND"},
        {line(0xA2, bytes({'@', 0x37}) + "A$,2)"), "PRINT @LEFT$(A$,2)"},
        {line(0xA2, bytes({'@', 0x81}) + "(1),2)"), "PRINT @ADD((1),2)"},
        {line(0xA2, bytes({'%', 0x92, ',', '$', 0xC4})), "PRINT %HWND,$VERSION"},
        {line(0xA2, bytes({'$', 0xC4}) + "X"), "PRINT $VERSION\\{58}"},
        {line(0xA2, "%HWND,A%%HWND"), "PRINT \\{25}HWND,A%%HWND"},
        {line(0xA2, "$FF"), "PRINT $FF"},
        {line(0xA2, " x\t"), "PRINT \\{20}x\\{09}"},
        {line(0xA2, "@\x05"), "PRINT \\{40}\\{05}"},
        {line(0xA2, "\"\\{41}\x81\""), "PRINT \"\\{5C}{41}\\{81}\""},
        {line(0xA2, "\"open"), "PRINT \\{22}open"},
        {line(0xA2, "\"\xE4\x80\""), "PRINT \"\xC3\xA4\xE2\x82\xAC\""},
        {line(0x27), "REM"},
        {line(0x27, " indented\x01  "), "REM  indented\\{01}\\{20}\\{20}"},
        {line(0xFE, "Start:"), "Start:"},
        {line(0xFE, "x: y"), "NOP x:\\{20}y"},
        {line(0x8D, "\"loop\""), "GOTO loop"},
        {line(0x8E, "A"), "GOSUB \\{41}"},
        {line(0x8D, "a$"), "GOTO a$"},
        {line(0x81, "a%:" + line(0xBF)), "WHEN a% : END"},
        {line(0x81, "\"a:b\":" + line(0x82, "0:" + line(0xA2, "1"))), "WHEN \"a:b\" : UNLESS 0 : PRINT 1"},
        {line(0x82, "x:"), "UNLESS x :"},
        {line(0x81, "x:" + bytes({0x28, 9, 0})), "WHEN x : \\{28}\\{09}\\{00}"},
        {line(0x81, "no colon"), "\\{81}no colon"},
        {line(0x40, bytes({'@', 0x9B}) + "\"a\")"), "@MESSAGEBOX(\"a\")"},
        {line(0x40, "X"), "\\{40}X"},
        {line(0x5A, "1 "), "\\{5A}1\\{20}"},
        {"", "\\{}"},
        {line(0x8F, "p"), "\\{8F}p"},                 // a lower-case name would come back upper-cased
        {line(0x8F, "PRINT"), "\\{8F}PRINT"},         // a keyword cannot name a procedure
        {bytes({0x28, 1, 0}), "\\{28}\\{01}\\{00}"}, // line 1 is no PROC line
        {line(0x83, "ABCD1)7"), "DEFFN ABCD(1) 7"},
        {line(0x83, "PI  0)7"), "\\{83}PI  0)7"},     // PI names a built-in
        {line(0x83, "X   01)7"), "\\{83}X   01)7"},   // the count is not in its usual form
    };
    for (const auto& c : cases) {
        std::string listing = list_program({c.line});
        EXPECT_EQ(listing, std::string(c.listed) + "\n") << hex(c.line);
        expect_round_trip({c.line}, hex(c.line));
    }
}

TEST(Lister, NamesProceduresAndDeclaredFunctions)
{
    const std::string source = "PRINT @twice(2), @ABCDE(1), @ABCDF(1)\n"
                               "PROC greet\n"
                               "greet 1, 2\n"
                               "ENDPROC\n"
                               "DEFFN twice(1) @MUL(@%(1),2)\n"
                               "DEFFN abcde(1) 1\n"
                               "DEFFN abcdf(1) 2\n"
                               "DEFDLL beep(2) \"K.DLL\",\"Beep\"\n"
                               "DEFDLL16 old(1) \"O.DLL\",\"F\",\"%\",\"&\"\n";
    auto lines = compile_source(source).program();
    auto listed = split_lines(list_program(lines));
    ASSERT_EQ(listed.size(), 9u);
    // Only four characters of a function's name are stored; clashes get the line number.
    EXPECT_EQ(listed[0], "PRINT @TWIC(2),@ABCD_6(1),@ABCD_7(1)");
    EXPECT_EQ(listed[1], "PROC GREET");
    EXPECT_EQ(listed[2], "GREET 1,2");
    EXPECT_EQ(listed[4], "DEFFN TWIC(1) @MUL(@%(1),2)");
    EXPECT_EQ(listed[5], "DEFFN ABCD_6(1) 1");
    EXPECT_EQ(listed[7], "DEFDLL BEEP(2) \"K.DLL\",\"Beep\"");
    EXPECT_EQ(listed[8], "DEFDLL16 OLD(1) \"O.DLL\",\"F\",\"%\",\"&\"");
    expect_round_trip(lines, "names");
}

TEST(Lister, FallsBackToRawWhereNamesAreAmbiguous)
{
    std::vector<std::string> lines = {
        line(0x8F, "TWICE"), line(0x8C), line(0x8F, "TWICE"), line(0x8C),
        bytes({0x28, 3, 0, '1'}),
        line(0x83, "SQ  1)1"), line(0x83, "SQ  1)2"),
        line(0xA2, bytes({'@', 0x60, 6, 0}) + "1)"),
        line(0xA2, bytes({'@', 0x60, 9, 0}) + "1)"), // line 9 declares nothing
    };
    auto listed = split_lines(list_program(lines));
    EXPECT_EQ(listed[0], "\\{8F}TWICE");
    EXPECT_EQ(listed[4], "\\{28}\\{03}\\{00}1");
    EXPECT_EQ(listed[5], "\\{83}SQ  1)1");
    EXPECT_EQ(listed[7], "PRINT \\{40}`\\{06}\\{00}1)");
    EXPECT_EQ(listed[8], "PRINT \\{40}`\\{09}\\{00}1)");
    expect_round_trip(lines, "ambiguous names");
}

TEST(Lister, IndentsBlocks)
{
    auto lines = compile_source("IF 1\nWHILE 0\nPRINT 1\nWEND\nELSE\nEND\nENDIF\n").program();
    EXPECT_EQ(list_program(lines), "IF 1\n    WHILE 0\n        PRINT 1\n    WEND\nELSE\n    END\nENDIF\n");
}

TEST(Lister, EveryTokenWithAwkwardArgumentText)
{
    const std::string texts[] = {
        "", " ", "1", "\"", "\"\"", "@", "@\x37", "%", "%\x92", "$\xC4z", ":", "a:b", "(:)", "\\{", "\\{20}",
        "\"a\" b", bytes({0x00, 0xFF, 0x81, 0x8D, 0x8F, 0x90, 0x9D, 0xA0, 0xAD}), "\r\n", "x  ", "'", "Name:",
        bytes({'@', 0x60, 1, 0}), bytes({'@', 0x60, 1}), "\"@\x37\"", "HWND", "&HWND", "$$VERSION",
    };
    for (int token = 0; token < 256; ++token) {
        std::vector<std::string> lines;
        for (const auto& text : texts)
            lines.push_back(line(static_cast<std::uint8_t>(token), text));
        expect_round_trip(lines, "token " + std::to_string(token));
    }
}

TEST(Lister, RandomProgramsRoundTrip)
{
    std::mt19937 random(20240601u);
    // Bytes that the syntax cares about, weighted so they meet often.
    const std::string interesting = " \t\"@%&!$():[],\\{}'\x60\x81\x8F\x92\xC4\xFE";
    for (int program = 0; program < 200; ++program) {
        std::vector<std::string> lines;
        int count = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            std::size_t length = random() % 8 == 0 ? 254 : random() % 40;
            std::string l;
            for (std::size_t k = 0; k < length; ++k) {
                switch (random() % 4) {
                case 0: l += static_cast<char>(random() % 256); break;
                case 1: l += interesting[random() % interesting.size()]; break;
                default: l += static_cast<char>('A' + random() % 26); break;
                }
            }
            // Now and then a real token at the front, or a call of an existing line.
            if (!l.empty() && random() % 2)
                l[0] = static_cast<char>(0x81 + random() % 0x7E);
            if (l.size() >= 3 && random() % 8 == 0) {
                l[0] = 0x28;
                l[1] = static_cast<char>(1 + random() % count);
                l[2] = 0;
            }
            lines.push_back(l);
        }
        expect_round_trip(lines, "random program " + std::to_string(program));
    }
}

TEST(Lister, GoldenProgramsRoundTrip)
{
    namespace fs = std::filesystem;
    fs::path root = fs::path(TALVEN_SOURCE_DIR) / "tests";
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".tvs")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        CompileResult first = compile_source(source);
        if (!first.ok())
            continue; // sources of compiler error tests
        expect_round_trip(first.program(), entry.path().string());
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

} // namespace
