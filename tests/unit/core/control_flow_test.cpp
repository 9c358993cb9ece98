// Control flow: partner searches with nesting, the stacks at their
// capacities, labels, procedures with parameters and results.
#include <gtest/gtest.h>

#include "support/program_builder.h"

namespace talven {
namespace {

using namespace talven::testing;

TEST(If, NestedBlocksFindTheirOwnPartners)
{
    auto result = run_lines({
        line(Tok::If, "0"),
        line(Tok::If, "1"),
        line(Tok::Print, "\"inner then\""),
        line(Tok::Else),
        line(Tok::Print, "\"inner else\""),
        line(Tok::Endif),
        line(Tok::Else),
        line(Tok::Print, "\"outer else\""),
        line(Tok::Endif),
    });
    EXPECT_EQ(result.output, "outer else\r\n");
}

TEST(If, OnlyTheFirstTrueElseifRuns)
{
    auto result = run_lines({
        line(Tok::If, "0"),
        line(Tok::Print, "\"if\""),
        line(Tok::Elseif, "0"),
        line(Tok::Print, "\"first\""),
        line(Tok::Elseif, "1"),
        line(Tok::Print, "\"second\""),
        line(Tok::Elseif, "1"),
        line(Tok::Print, "\"third\""),
        line(Tok::Else),
        line(Tok::Print, "\"else\""),
        line(Tok::Endif),
        line(Tok::Ifnot, "0"),
        line(Tok::Print, "\"ifnot\""),
        line(Tok::Endif),
    });
    EXPECT_EQ(result.output, "second\r\nifnot\r\n");
}

TEST(If, MissingPartnersAreReported)
{
    EXPECT_EQ(run_lines({line(Tok::If, "0")}).first_caption(), "ENDIF bzw. ELSE nicht gefunden!");
    EXPECT_EQ(run_lines({line(Tok::Ifnot, "1")}).first_caption(), "ENDIF nicht gefunden!");
    EXPECT_EQ(run_lines({line(Tok::Else)}).first_caption(), "ENDIF nicht gefunden!");
    auto failed = run_lines({line(Tok::If, "0"), line(Tok::Rem)});
    ASSERT_EQ(failed.boxes.size(), 1u);
    EXPECT_EQ(failed.boxes[0].text, "Zeile      2!"); // the search ran to the last line
}

std::vector<std::string> nested_whiles(int depth)
{
    std::vector<std::string> lines = {line(Tok::Declare, "N%"), line(Tok::Let, "N%=1")};
    for (int i = 0; i < depth; ++i)
        lines.push_back(line(Tok::While, "N%"));
    lines.push_back(line(Tok::Let, "N%=0"));
    for (int i = 0; i < depth; ++i)
        lines.push_back(line(Tok::Wend));
    lines.push_back(line(Tok::Print, "\"done\""));
    return lines;
}

TEST(While, TenNestedLoopsRunAnEleventhFails)
{
    EXPECT_EQ(run_lines(nested_whiles(10)).output, "done\r\n");
    EXPECT_EQ(run_lines(nested_whiles(11)).first_caption(), "Zu tiefe WHILE-Verschachtelung!");
}

TEST(While, AFalseConditionSkipsNestedLoops)
{
    auto result = run_lines({line(Tok::While, "0"), line(Tok::While, "1"), line(Tok::Print, "\"never\""),
                             line(Tok::Wend), line(Tok::Wend), line(Tok::Whilenot, "1"), line(Tok::Wend),
                             line(Tok::Print, "\"after\"")});
    EXPECT_EQ(result.output, "after\r\n");
    EXPECT_EQ(run_lines({line(Tok::Wend)}).first_caption(), "WHILE fehlt!");
    EXPECT_EQ(run_lines({line(Tok::While, "0")}).first_caption(), "ENDWHILE bzw. WEND nicht gefunden!");
}

TEST(While, EntriesLeftByGotoCount)
{
    // Eleven times: enter a loop and jump out of it.
    std::vector<std::string> lines = {line(Tok::Declare, "K%"), line(Tok::Nop, "again:"), line(Tok::Inc, "K%"),
                                      line(Tok::While, "1"), line(Tok::Goto, "\"AGAIN\""), line(Tok::Wend)};
    auto result = run_lines(lines);
    EXPECT_EQ(result.first_caption(), "Zu tiefe WHILE-Verschachtelung!");
}

TEST(Labels, FirstMatchFromTheTopIgnoringCase)
{
    auto result = run_lines({line(Tok::Goto, "\"loop\""), line(Tok::Nop, "Loop: first"),
                             line(Tok::Print, "\"one\""), line(Tok::End), line(Tok::Nop, "LOOP:"),
                             line(Tok::Print, "\"two\"")});
    EXPECT_EQ(result.output, "one\r\n");
    EXPECT_EQ(run_lines({line(Tok::Goto, "\"nowhere\"")}).first_caption(), "Label nicht gefunden: NOWHERE:");
}

std::vector<std::string> nested_gosubs(int calls)
{
    // K% counts down; each level calls the label again until K% is 0.
    return {line(Tok::Declare, "K%"),
            line(Tok::Let, "K%=" + std::to_string(calls)),
            line(Tok::Gosub, "\"DOWN\""),
            line(Tok::Print, "\"back\""),
            line(Tok::End),
            line(Tok::Nop, "down:"),
            line(Tok::Dec, "K%"),
            line(Tok::When, "K%:" + line(Tok::Gosub, "\"DOWN\"")),
            line(Tok::Return)};
}

TEST(Gosub, OneHundredFiftyLevelsThenTooDeep)
{
    EXPECT_EQ(run_lines(nested_gosubs(150)).output, "back\r\n");
    EXPECT_EQ(run_lines(nested_gosubs(151)).first_caption(), "Zu tiefe GOSUB/PROC-Verschachtelung!");
}

TEST(Gosub, OverflowInErrorModeMinusOneLeavesTheStackUsable)
{
    auto lines = nested_gosubs(200);
    lines.insert(lines.begin(), line(Tok::Errormode, "-1"));
    lines.insert(lines.begin() + 5, line(Tok::Print, sysvar('&', SysVar::Lasterror)));
    auto result = run_lines(lines);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, "back\r\n114\r\n");
}

TEST(Gosub, LocalVariablesEndAtTheReturn)
{
    auto result = run_lines({line(Tok::Declare, "X$"), line(Tok::Let, "X$=\"global\""), line(Tok::Gosub, "\"SUB\""),
                             line(Tok::Print, "X$"), line(Tok::End), line(Tok::Nop, "sub:"),
                             line(Tok::Declare, "X$"), line(Tok::Let, "X$=\"local\""), line(Tok::Print, "X$"),
                             line(Tok::Return)});
    EXPECT_EQ(result.output, "local\r\nglobal\r\n");
    EXPECT_EQ(run_lines({line(Tok::Return)}).first_caption(), "GOSUB/PROC fehlt!");
    EXPECT_EQ(run_lines({line(Tok::Endproc)}).first_caption(), "PROC fehlt!");
}

TEST(Procedures, ParametersResultsAndCounts)
{
    // Line 1 is the PROC; running into it skips it, nested pairs included.
    auto result = run_lines({
        line(Tok::Proc, "SHOW"),
        line(Tok::Parameters, "A%,B$,C!"),
        line(Tok::Print, "A%;\",\";B$;\",\";C!;\",\";" + sysvar('%', SysVar::Paramcount)),
        line(Tok::Proc, "INNER"),
        line(Tok::Endproc),
        line(Tok::Return, "5"),
        line(Tok::Endproc),
        call_line(1, "1,\"zwei\",3.5"),
        line(Tok::Print, call(Fn::ParamInt) + "0);" + call(Fn::ParamStr) + "0)"),
        call_line(1, "7"),
        line(Tok::Print, call(Fn::ParamStr) + "2)"),
    });
    EXPECT_EQ(result.output, "1,zwei,3.500000,3\r\n55\r\n7,zwei,3.500000,1\r\nzwei\r\n");
}

TEST(Procedures, ReturnWithoutValueKeepsSlotZero)
{
    auto result = run_lines({line(Tok::Proc, "P"), line(Tok::Return, " "), line(Tok::Endproc),
                             line(Tok::Proc, "Q"), line(Tok::Return, "9"), line(Tok::Endproc), call_line(4),
                             call_line(1), line(Tok::Print, call(Fn::ParamInt) + "0)")});
    EXPECT_EQ(result.output, "9\r\n");
}

TEST(Procedures, CallsNeedATargetLine)
{
    EXPECT_EQ(run_lines({call_line(0)}).first_caption(), "PROC fehlt!");
    EXPECT_EQ(run_lines({call_line(400)}).first_caption(), "PROC fehlt!");
    EXPECT_EQ(run_lines({std::string("\x28\x01", 2)}).first_caption(), "PROC fehlt!");
    EXPECT_EQ(run_lines({line(Tok::Proc, "P")}).first_caption(), "ENDPROC nicht gefunden!");
}

TEST(Procedures, EndInsideAProcedureEndsTheProgram)
{
    auto result = run_lines({call_line(3), line(Tok::Print, "\"never\""), line(Tok::Proc, "P"), line(Tok::End),
                             line(Tok::Endproc)});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, "");
}

TEST(DeclaredFunctions, ExpressionBodiesAndBadCallSites)
{
    // Line 1: a definition with two parameters whose body returns the second.
    std::string definition = line(Tok::Definition, "TWO 2)" + call(Fn::ParamStr) + "2)");
    std::string call_site = std::string("@\x60\x01\x00", 4);
    auto result = run_lines({definition, line(Tok::Print, call_site + "\"a\",\"b\")")});
    EXPECT_EQ(result.output, "b\r\n");
    for (std::string site : {std::string("@\x60\x00\x00)", 5), std::string("@\x60\x40\x9C)", 5),
                             std::string("@\x60\x02\x00)", 5), std::string("@\x60", 2)}) {
        auto bad = run_lines({definition, line(Tok::Print, site)});
        EXPECT_EQ(bad.first_caption(), "Funktion unbekannt: ") << site.size();
    }
    auto count = run_lines({line(Tok::Definition, "BAD 13)1"), line(Tok::Print, call_site + ")")});
    EXPECT_EQ(count.first_caption(), "Parameterzahl mu\xDF zwischen 0 und 12 liegen!");
}

TEST(Prefixes, WhenAndUnlessFunctionConditions)
{
    auto result = run_lines({line(Tok::Declare, "A%"), line(Tok::Let, "A%=3"),
                             line(Tok::When, "A%:" + line(Tok::Print, "\"yes\"")),
                             line(Tok::Unless, "A%:" + line(Tok::Print, "\"no\""))});
    EXPECT_EQ(result.output, "yes\r\n");
}

} // namespace
} // namespace talven

namespace talven {
namespace {

using namespace talven::testing;

TEST(DeclaredFunctions, EndlessSelfCallsEndWithTooDeepCalls)
{
    // Line 1: a function whose body calls itself inside a nested argument.
    std::string self_call = std::string("@\x60\x01\x00", 4);
    std::string body = call(Fn::Add) + call(Fn::Add) + self_call + "),1),1)";
    auto result = run_lines({line(Tok::Definition, "SELF0)" + body), line(Tok::Print, self_call + ")")});
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(result.first_caption(), "Zu tiefe GOSUB/PROC-Verschachtelung!");

    // In error mode -1 the calls unwind and the program goes on.
    auto goes_on = run_lines({line(Tok::Definition, "SELF0)" + body), line(Tok::Errormode, "-1"),
                              line(Tok::FunctionStatement, self_call + ")"),
                              line(Tok::Print, "\"after \";" + sysvar('&', SysVar::Lasterror))});
    EXPECT_EQ(goes_on.exit_code, 0);
    EXPECT_EQ(goes_on.output, "after 114\r\n");

    // A body that calls itself twice: once refused, the pending calls are
    // passed over instead of branching out without end.
    std::string twice = call(Fn::Add) + self_call + ")," + self_call + "))";
    auto bounded = run_lines({line(Tok::Definition, "TWO 0)" + twice), line(Tok::Errormode, "-1"),
                              line(Tok::FunctionStatement, self_call + ")"),
                              line(Tok::Print, "\"after \";" + sysvar('&', SysVar::Lasterror))});
    EXPECT_EQ(bounded.exit_code, 0);
    EXPECT_EQ(bounded.output, "after 114\r\n");
}

} // namespace
} // namespace talven
