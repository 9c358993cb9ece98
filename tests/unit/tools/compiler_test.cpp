// The compiler: source lines to program line bytes, and its diagnostics.
#include "tools/compiler.h"
#include "tool_test_support.h"

#include <gtest/gtest.h>

using namespace talven::tools;
using namespace talven::tools::test;

namespace {

std::vector<std::string> compile_ok(const std::string& source)
{
    CompileResult r = compile_source(source);
    EXPECT_TRUE(r.ok()) << source << "\n-> " << (r.ok() ? "" : format_diagnostic("src", r.diagnostics[0]));
    return r.program();
}

struct LineCase {
    const char* source;
    std::string expected;
};

void check_lines(const std::vector<LineCase>& cases)
{
    for (const auto& c : cases) {
        auto lines = compile_ok(c.source);
        ASSERT_EQ(lines.size(), 1u) << c.source;
        EXPECT_EQ(hex(lines[0]), hex(c.expected)) << c.source;
    }
}

TEST(Compiler, StatementsAndArgumentText)
{
    check_lines({
        {"PRINT \"a b\", 1", line(0xA2, "\"a b\",1")},
        {"  print  A% ;  B$  ", line(0xA2, "A%;B$")},
        {"LET x$ = \"  \"", line(0xCE, "x$=\"  \"")},
        {"DIM%10", line(0xC8, "10")},
        {"PRINT$VERSION", line(0xA2, bytes({'$', 0xC4}))},
        {"ENDWHILE", line(0x8A)},
        {"wend", line(0x8A)},
        {"END", line(0xBF)},
        // the runtime interprets these escapes, so they stay as written
        {R"(PRINT "a\nb\\c\.")", line(0xA2, R"("a\nb\\c\.")")},
        {"PRINT \"\xC3\xA4\xE2\x82\xAC\"", line(0xA2, "\"\xE4\x80\"")},
        {"PRINT \"\"\"\"", line(0xA2, "\"\"\"\"")},
    });
}

TEST(Compiler, FunctionsAndSystemVariables)
{
    check_lines({
        {"PRINT @LEFT$(A$, 2)", line(0xA2, bytes({'@', 0x37}) + "A$,2)")},
        {"PRINT @left$ (A$,2)", line(0xA2, bytes({'@', 0x37}) + "A$,2)")},
        {"PRINT @ADD$(a$,b$)", line(0xA2, bytes({'@', 0x92}) + "a$,b$)")},
        {"PRINT @GETDIM%(1)", line(0xA2, bytes({'@', 0xB7}) + "1)")},
        {"PRINT @%(1), @$(2), @&(3), @!(4)",
            line(0xA2, bytes({'@', 0x25}) + "1)," + bytes({'@', 0x24}) + "2)," + bytes({'@', 0x26}) + "3)," + bytes({'@', 0x21}) + "4)")},
        {"PRINT @PI", line(0xA2, bytes({'@', 0xAB}))},
        {"PRINT @ADD((1),2)", line(0xA2, bytes({'@', 0x81}) + "(1),2)")},
        {"PRINT %HWND, &hwnd, !ONE, $Version", line(0xA2, bytes({'%', 0x92, ',', '&', 0x92, ',', '!', 0xBF, ',', '$', 0xC4}))},
        {"PRINT @ADD(%MOUSEX,1)", line(0xA2, bytes({'@', 0x81, '%', 0x89}) + ",1)")},
        // number literals in other bases, and prefixes that are not at an operand's start
        {"PRINT $FF, &17, %101, %HWNDX", line(0xA2, "$FF,&17,%101,%HWNDX")},
        {"PRINT A$$VERSION, A%%HWND", line(0xA2, "A$$VERSION,A%%HWND")},
        {"PRINT \"%HWND @PI\"", line(0xA2, "\"%HWND @PI\"")},
        {"@MESSAGEBOX(\"a\")", line(0x40, bytes({'@', 0x9B}) + "\"a\")")},
    });
}

TEST(Compiler, EscapesAreRawBytesOutsideTheSyntax)
{
    check_lines({
        {R"(PRINT "\{09}\{81}")", line(0xA2, "\"\t\x81\"")},
        {R"(PRINT \{5C}{41})", line(0xA2, "\\{41}")},
        {R"(PRINT \{20}A)", line(0xA2, " A")},
        {R"(PRINT \{22}a b)", line(0xA2, "\"ab")},        // no string starts: blanks still dropped
        {R"(PRINT \{40}\{37})", line(0xA2, "@\x37")},      // not a function name
        {R"(PRINT \{25}HWND)", line(0xA2, "%HWND")},       // not a system variable
        {R"(\{5A}  raw  @PI )", line(0x5A, "  raw  @PI")}, // raw line keeps blanks
        {R"(\{28}\{05}\{00}1)", bytes({0x28, 5, 0, '1'})},
        {R"(\{})", ""},
        {R"(  \{}  )", ""},
    });
}

TEST(Compiler, CommentsLabelsAndJumps)
{
    check_lines({
        {"REM", line(0x27)},
        {"REM  two  blanks", line(0x27, " two  blanks")},
        {"rem x\\{01}", line(0x27, "x\x01")},
        {"' quick", line(0x27, "quick")},
        {"'tight", line(0x27, "tight")},
        {"Start:", line(0xFE, "Start:")},
        {"  loop_2:   ", line(0xFE, "loop_2:")},
        {"GOTO Start", line(0x8D, "\"Start\"")},
        {"gosub  sub_1 ", line(0x8E, "\"sub_1\"")},
        {"GOTO target$", line(0x8D, "target$")},
        {"GOTO @ADD$(\"a\",\"b\")", line(0x8D, bytes({'@', 0x92}) + "\"a\",\"b\")")},
    });
}

TEST(Compiler, WhenAndUnlessPrefixes)
{
    check_lines({
        {"WHEN a% : PRINT \"x\"", line(0x81, "a%:" + line(0xA2, "\"x\""))},
        {"UNLESS @GT(a%, 1) : END", line(0x82, bytes({'@', 0x8B}) + "a%,1):" + line(0xBF))},
        {"WHEN a : UNLESS b : PRINT 1", line(0x81, "a:" + line(0x82, "b:" + line(0xA2, "1")))},
        {"WHEN a :", line(0x81, "a:")},
        {"WHEN \"a:b\" : END", line(0x81, "\"a:b\":" + line(0xBF))},
        {"WHEN @EQU$(a$, \":\") : GOTO x", line(0x81, bytes({'@', 0x8D}) + "a$,\":\"):" + line(0x8D, "\"x\""))},
        {"WHEN a : \\{28}\\{01}\\{00}", line(0x81, "a:" + bytes({0x28, 1, 0}))},
        {"WHEN a : ' note", line(0x81, "a:" + line(0x27, "note"))},
    });
}

TEST(Compiler, ProceduresAreCalledByTheirLineNumber)
{
    auto lines = compile_ok("greet \"Welt\", 2\n\nEND\nREM\n  PROC Greet\n PARAMETERS w$, n%\nENDPROC\nGREET\n");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(hex(lines[0]), hex(bytes({0x28, 4, 0}) + "\"Welt\",2")); // blank line 2 makes no program line
    EXPECT_EQ(hex(lines[3]), hex(line(0x8F, "GREET")));
    EXPECT_EQ(hex(lines[4]), hex(line(0xCF, "w$,n%")));
    EXPECT_EQ(hex(lines[5]), hex(line(0x8C)));
    EXPECT_EQ(hex(lines[6]), hex(bytes({0x28, 4, 0})));

    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "NOP\n";
    lines = compile_ok(many + "PROC far\nfar 1\n");
    EXPECT_EQ(hex(lines.back()), hex(bytes({0x28, 301 & 0xFF, 301 >> 8, '1'})));
}

TEST(Compiler, DeclaredFunctions)
{
    auto lines = compile_ok("PRINT @twice(@half!(4))\n"
                            "DEFFN twice(1) @MUL(@%(1), 2)\n"
                            "DEFFN half!(1) @DIV(@!(1),2)\n"
                            "DEFDLL beep(2) \"KERNEL32.DLL\", \"Beep\"\n"
                            "DEFDLL16 old(3) \"OLD.DLL\", \"Fn\", \"%&#\", \"&\"\n"
                            "DEFFN nothing(0) 7\n"
                            "@beep(440, 100)\n"
                            "PRINT @nothing()\n"
                            "DEFDLL trailing(0) \"A.DLL\",\"F\",\n");
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(hex(lines[0]), hex(line(0xA2, bytes({'@', 0x60, 2, 0, '@', 0x60, 3, 0}) + "4))")));
    EXPECT_EQ(hex(lines[1]), hex(line(0x83, "TWIC1)" + bytes({'@', 0x83, '@', 0x25}) + "1),2)")));
    EXPECT_EQ(hex(lines[2]), hex(line(0x83, "HALF1)" + bytes({'@', 0x84, '@', 0x21}) + "1),2)")));
    EXPECT_EQ(lines[3], line(0x83, "BEEP2)!\"KERNEL32.DLL\",\"Beep\","));
    EXPECT_EQ(lines[4], line(0x83, "OLD 3)*\"OLD.DLL\",\"Fn\",\"%&#\",\"&\""));
    EXPECT_EQ(lines[5], line(0x83, "NOTH0)7"));
    EXPECT_EQ(hex(lines[6]), hex(line(0x40, bytes({'@', 0x60, 4, 0}) + "440,100)")));
    EXPECT_EQ(hex(lines[7]), hex(line(0xA2, bytes({'@', 0x60, 6, 0, ')'}))));
    EXPECT_EQ(lines[8], line(0x83, "TRAI0)!\"A.DLL\",\"F\","));
}

struct ErrorCase {
    const char* what;
    std::string source;
    int line;
    int column;
    const char* message;
};

TEST(Compiler, ReportsErrorsWithLineAndColumn)
{
    const ErrorCase cases[] = {
        {"unknown keyword", "NOP\nFROB 1", 2, 1, "unknown keyword \"FROB\""},
        {"unterminated string", "PRINT \"abc", 1, 7, "unterminated string"},
        {"unknown function", "PRINT 1, @NOPE(1)", 1, 10, "unknown function \"@NOPE\""},
        {"bare @", "PRINT @(1)", 1, 7, "unknown function \"@\""},
        {"escape with one digit", "PRINT \\{4}", 1, 7, "bad escape"},
        {"escape with no hex", "\n\n  REM \\{GG}", 3, 7, "bad escape"},
        {"character outside 1252", "PRINT \"\xE2\x86\x92\"", 1, 8, "U+2192"},
        {"unassigned byte as a character", "PRINT \"\xC2\x81\"", 1, 8, "U+0081"},
        {"malformed UTF-8", "PRINT \"\xC3\"", 1, 8, "malformed UTF-8"},
        {"duplicate procedure", "PROC a\nENDPROC\nPROC A\nENDPROC", 3, 6, "already defined"},
        {"procedure named like a keyword", "PROC print", 1, 6, "keyword"},
        {"procedure with parameters", "PROC p(a%)", 1, 7, "PARAMETERS"},
        {"function named like a built-in", "DEFFN left$(1) 1", 1, 7, "built-in"},
        {"duplicate function", "DEFFN f(0) 1\nDEFFN F(0) 2", 2, 7, "already declared"},
        {"too many parameters", "DEFFN f(13) 1", 1, 9, "0 to 12"},
        {"no parameter count", "DEFFN f 1", 1, 9, "\"(\""},
        {"body that reads as a DLL", "DEFFN f(1) !ONE", 1, 12, "must not begin"},
        {"DEFDLL with one item", "DEFDLL f(1) \"A.DLL\"", 1, 13, "two items"},
        {"DEFDLL16 with three items", "DEFDLL16 f(1) \"A\",\"B\",\"%\"", 1, 15, "four items"},
        {"WHEN without colon", "WHEN a PRINT 1", 1, 1, "\":\" expected"},
        {"PROC after a prefix", "WHEN a : PROC p", 1, 10, "cannot follow"},
        {"empty escape inside a line", "PRINT \\{}", 1, 7, "must stand alone"},
        {"statement without a keyword", "(1)", 1, 1, "a statement begins"},
        {"line too long", "PRINT \"" + std::string(252, 'x') + "\"", 1, 1, "255 bytes"},
    };
    for (const auto& c : cases) {
        CompileResult r = compile_source(c.source);
        ASSERT_FALSE(r.ok()) << c.what;
        const Diagnostic& d = r.diagnostics[0];
        EXPECT_EQ(d.line, c.line) << c.what;
        EXPECT_EQ(d.column, c.column) << c.what << ": " << d.message;
        EXPECT_NE(d.message.find(c.message), std::string::npos) << c.what << ": " << d.message;
    }
}

TEST(Compiler, LineLimitsAtTheEdges)
{
    // 254 bytes is the longest line; 255 fails.
    std::string fits = "PRINT \"" + std::string(251, 'x') + "\"";
    EXPECT_EQ(compile_ok(fits)[0].size(), 254u);
    EXPECT_FALSE(compile_source("PRINT \"" + std::string(252, 'x') + "\"").ok());

    std::string source;
    for (int i = 0; i < 32767; ++i)
        source += "NOP\n";
    EXPECT_TRUE(compile_source(source).ok());
    CompileResult over = compile_source(source + "\n\nEND\n");
    ASSERT_FALSE(over.ok());
    EXPECT_EQ(over.diagnostics[0].line, 32767 + 3);
    EXPECT_NE(over.diagnostics[0].message.find("32767"), std::string::npos);
}

TEST(Compiler, KeepsNumberingAndReportsEveryFailingLine)
{
    CompileResult r = compile_source("\xEF\xBB\xBFPRINT 1\r\nFROB\r\n\r\nPRINT \"x\r\nEND");
    ASSERT_EQ(r.diagnostics.size(), 2u);
    EXPECT_EQ(r.diagnostics[0].line, 2);
    EXPECT_EQ(r.diagnostics[1].line, 4);
    ASSERT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(r.lines[0], line(0xA2, "1")); // the byte order mark is not part of the line
    EXPECT_FALSE(r.lines[1]);
    EXPECT_EQ(r.lines[3], line(0xBF));
    EXPECT_EQ(r.source_lines, (std::vector<int>{1, 2, 4, 5}));
    EXPECT_EQ(format_diagnostic("demo.tvs", r.diagnostics[0]), "demo.tvs:2:1: unknown keyword \"FROB\" (not a command or procedure)");
}

// Whatever the text, every line that is not blank makes one program line
// (or one error), so line numbers in calls stay right.
TEST(Compiler, AnyTextKeepsOneProgramLinePerSourceLine)
{
    const std::string pieces[] = {"PRINT", "PROC", "DEFFN", "WHEN", ":", "\"", "@", "@ADD(", "%HWND", "\\{", "\\{4",
        "\\{41}", "\\{}", " ", "\t", "x", "'", "GOTO", "\xC3\xA4", "\xE2\x86\x92", "\xFF", "(", ")", "1", ","};
    unsigned state = 12345;
    auto next = [&] { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7FFF; };
    for (int program = 0; program < 300; ++program) {
        std::string source;
        int expected = 0;
        int lines = 1 + next() % 12;
        for (int l = 0; l < lines; ++l) {
            std::string text;
            for (unsigned k = next() % 8; k > 0; --k)
                text += pieces[next() % std::size(pieces)];
            source += text + "\n";
            bool blank = text.find_first_not_of(" \t\r") == std::string::npos;
            expected += blank ? 0 : 1;
        }
        CompileResult r = compile_source(source);
        ASSERT_EQ(static_cast<int>(r.lines.size()), expected) << source;
        int failed = 0;
        for (const auto& l : r.lines)
            failed += l ? 0 : 1;
        EXPECT_LE(failed, static_cast<int>(r.diagnostics.size())) << source;
        EXPECT_EQ(r.ok(), failed == 0) << source;
    }
}

} // namespace
