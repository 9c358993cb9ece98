// What the runtime remembers about a line's text must give the same answers
// as reading the text anew: lines that run again after declarations change,
// a newer array of the same name, a label named by an expression.
#include <gtest/gtest.h>

#include "core/runtime.h"
#include "support/fake_host.h"
#include "support/program_builder.h"
#include "values/fetch.h"

namespace talven {
namespace {

using namespace talven::testing;

TEST(Remembered, VariableReadsFollowNewerDeclarations)
{
    // Lines 5 and 6 run before a subroutine declares its own X%, while it is
    // active, and after its RETURN has ended that X%.
    auto result = run_lines({
        line(Tok::Declare, "X%,K%"),
        line(Tok::Let, "X%=1"),
        line(Tok::Nop, "again:"),
        line(Tok::Inc, "K%"),
        line(Tok::Let, "X%=" + call(Fn::Add) + "X%,10)"),
        line(Tok::Print, "X%"),
        line(Tok::When, call(Fn::Equ) + "K%,2):" + line(Tok::Return)),
        line(Tok::When, call(Fn::Equ) + "K%,1):" + line(Tok::Gosub, "\"INNER\"")),
        line(Tok::When, call(Fn::Lt) + "K%,4):" + line(Tok::Goto, "\"again\"")),
        line(Tok::End),
        line(Tok::Nop, "inner:"),
        line(Tok::Declare, "X%"),
        line(Tok::Let, "X%=500"),
        line(Tok::Goto, "\"AGAIN\""),
    });
    EXPECT_EQ(result.output, "11\r\n510\r\n21\r\n31\r\n");
}

TEST(Remembered, ANewerArrayOfTheSameNameWins)
{
    auto result = run_lines({
        line(Tok::Declare, "A%[2],K%"),
        line(Tok::Nop, "top:"),
        line(Tok::Let, "A%[1]=" + call(Fn::Add) + "K%,7)"),
        line(Tok::Print, "A%[1]"),
        line(Tok::Inc, "K%"),
        line(Tok::When, call(Fn::Equ) + "K%,1):" + line(Tok::Declare, "A%[5]")),
        line(Tok::When, call(Fn::Lt) + "K%,2):" + line(Tok::Goto, "\"top\"")),
        line(Tok::Print, "A%[5]"),
    });
    EXPECT_EQ(result.output, "7\r\n8\r\n0\r\n");
}

TEST(Remembered, LabelsNamedByExpressionsAreSearchedEachTime)
{
    auto result = run_lines({
        line(Tok::Declare, "L$,K%"),
        line(Tok::Let, "L$=\"ONE\""),
        line(Tok::Nop, "jump:"),
        line(Tok::Goto, "L$"),
        line(Tok::Nop, "one:"),
        line(Tok::Print, "\"one\""),
        line(Tok::Let, "L$=\"TWO\""),
        line(Tok::Goto, "\"jump\""),
        line(Tok::Nop, "two:"),
        line(Tok::Print, "\"two\""),
    });
    EXPECT_EQ(result.output, "one\r\ntwo\r\n");
}

TEST(Remembered, ParameterListsBindTheirSlotsOnEveryCall)
{
    auto result = run_lines({
        line(Tok::Proc, "P"),
        line(Tok::Parameters, "A%,S$,Z#,B!"),
        line(Tok::Print, "A%;S$;B!"),
        line(Tok::Endproc),
        call_line(1, "1,\"x\",0,1.5"),
        call_line(1, "2,\"y\",0,2.5"),
        line(Tok::Print, sysvar('%', SysVar::Paramcount)),
    });
    EXPECT_EQ(result.output, "1x1.500000\r\n2y2.500000\r\n4\r\n");
}

TEST(Remembered, OneTextTwoSeparators)
{
    // The same argument text fetched with different separators: the
    // remembered split must not be taken for the other.
    auto result = run_lines({line(Tok::Declare, "A%"), line(Tok::Let, "A%=5"),
                             line(Tok::Print, "A%;" + call(Fn::Add) + "A%,A%)")});
    EXPECT_EQ(result.output, "510.000000\r\n");
}

// A compiled argument belongs to its position, the end of its text, the
// separator and the type asked for: the same position asked another way
// must be read anew, never answered from the node of another key.
TEST(Remembered, CompiledArgumentsAnswerOnlyTheirOwnKey)
{
    FakeHost host;
    Runtime rt{host};
    std::string program = "12,34;\"a\\tb\"";
    rt.loader.program_loaded = true;
    rt.compiled_args.reset(program.data(), program.size());
    const std::string_view numbers(program.data(), 5);
    const std::string_view literal(program.data() + 6, 6);
    auto fetched = [&](std::string_view text, char separator, Expect expect = Expect::Any) {
        rt.loop.args = ArgText(text);
        fetch(rt, separator, expect);
        return std::string(rt.value.text().view()) + "|" + std::string(rt.loop.args.view());
    };
    // Twice round: the first reads the text, the second runs from nodes
    // that the other keys at the same position have replaced meanwhile.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(fetched(numbers, ','), "12|34");
        EXPECT_EQ(fetched(numbers, rest_of_text), "12,34|");
        EXPECT_EQ(fetched(numbers.substr(0, 2), rest_of_text), "12|");
        EXPECT_EQ(fetched(numbers, ','), "12|34");
        EXPECT_EQ(fetched(literal, ',', Expect::String), "a\tb|");
        EXPECT_EQ(fetched(literal, ',', Expect::RawString), "a\\tb|");
    }
}

} // namespace
} // namespace talven
