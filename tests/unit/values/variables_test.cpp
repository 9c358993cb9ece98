// The variable store at its capacities and edges: pools, arrays, areas,
// names, and the newest-wins rule across calls.
#include <gtest/gtest.h>

#include "support/program_builder.h"

namespace talven {
namespace {

using namespace talven::testing;

std::string declare_many(char suffix, int count, int first = 0)
{
    std::string list;
    for (int i = 0; i < count; ++i) {
        if (!list.empty())
            list += ",";
        list += "V" + std::to_string(first + i) + suffix;
    }
    return list;
}

TEST(Pools, FourHundredNinetyNineThenExhausted)
{
    const std::pair<char, const char*> pools[] = {
        {'%', "Speicher f\xFCr Integer-Variablen ersch\xF6pft!"},
        {'&', "Speicher f\xFCr LongInt-Variablen ersch\xF6pft!"},
        {'$', "Speicher f\xFCr String-Variablen ersch\xF6pft!"},
        {'!', "Speicher f\xFCr Float-Variablen ersch\xF6pft!"},
        {'#', "Speicher f\xFCr Bereichs-Variablen ersch\xF6pft!"},
    };
    for (auto [suffix, message] : pools) {
        std::vector<std::string> lines;
        for (int i = 0; i < 499; i += 20)
            lines.push_back(line(Tok::Declare, declare_many(suffix, std::min(20, 499 - i), i)));
        EXPECT_EQ(run_lines(lines).exit_code, 0) << suffix;
        lines.push_back(line(Tok::Declare, std::string("ONEMORE") + suffix));
        auto result = run_lines(lines);
        EXPECT_EQ(result.exit_code, 2) << suffix;
        EXPECT_EQ(result.first_caption(), message);
    }
}

TEST(Pools, OverflowInErrorModeMinusOneKeepsEarlierVariables)
{
    std::vector<std::string> lines = {line(Tok::Errormode, "-1")};
    for (int i = 0; i < 600; i += 20)
        lines.push_back(line(Tok::Declare, declare_many('%', 20, i)));
    lines.push_back(line(Tok::Let, "V7%=77"));
    lines.push_back(line(Tok::Print, "V7%;" + sysvar('&', SysVar::Lasterror)));
    auto result = run_lines(lines);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, "77217\r\n");
}

TEST(Names, NewestDeclarationWins)
{
    auto result = run_lines({line(Tok::Declare, "A%"), line(Tok::Let, "A%=1"), line(Tok::Declare, "a%"),
                             line(Tok::Let, "a% = 2"), line(Tok::Print, "A%")});
    EXPECT_EQ(result.output, "2\r\n");
}

TEST(Names, CheckedOnDeclaration)
{
    const std::pair<std::string, std::string> cases[] = {
        {std::string(31, 'A') + "%", ""},
        {std::string(32, 'A') + "%", "Variablenname zu lang: " + std::string(32, 'A') + "%"},
        {"A B%", "Variablenbezeichner fehlerhaft: A B%"},
        {"NOSUFFIX", "Variablenbezeichner fehlerhaft: NOSUFFIX"},
        {"AREA#[5]", "Variablenbezeichner fehlerhaft: AREA#[5]"},
        {"X%5]", "Variablenbezeichner fehlerhaft: X%5]"},
    };
    for (const auto& [name, caption] : cases) {
        auto result = run_lines({line(Tok::Declare, name)});
        EXPECT_EQ(result.first_caption(), caption) << name;
    }
}

TEST(Arrays, BoundsAreInclusiveAndChecked)
{
    auto ok = run_lines({line(Tok::Declare, "N%[10]"), line(Tok::Let, "N%[10]=5"), line(Tok::Print, "N%[10];N%[0]")});
    EXPECT_EQ(ok.output, "50\r\n");
    for (std::string ref : {"N%[11]", "N%[2,1]", "N%[-1]"}) {
        auto bad = run_lines({line(Tok::Declare, "N%[10]"), line(Tok::Print, ref)});
        EXPECT_EQ(bad.first_caption(), "Das Element gibt es nicht!") << ref;
    }
    auto four = run_lines({line(Tok::Declare, "N%[10]"), line(Tok::Print, "N%[1,0,0,0]")});
    EXPECT_EQ(four.first_caption(), "Maximal drei Dimensionen erlaubt!");
}

TEST(Arrays, ElementTablesHold32768PerType)
{
    auto fits = run_lines({line(Tok::Declare, "A%[99,99,2]"), line(Tok::Declare, "B%[2767]"),
                           line(Tok::Declare, "C$[32767]")});
    EXPECT_EQ(fits.exit_code, 0);
    auto full = run_lines({line(Tok::Declare, "A%[99,99,2]"), line(Tok::Declare, "B%[2768]")});
    EXPECT_EQ(full.first_caption(), "Zu viele Elemente!");
    // Sizes that wrap in 32 bits, and bounds below -1, are refused.
    for (std::string bounds : {"[65535,65535]", "[-2,0]", "[-2,-2]"}) {
        auto bad = run_lines({line(Tok::Declare, "A%" + bounds)});
        EXPECT_EQ(bad.first_caption(), "Zu viele Elemente!") << bounds;
    }
    // A bound of -1 is an empty array: it exists, but has no elements.
    auto empty = run_lines({line(Tok::Declare, "C%[-1]"), line(Tok::Print, "C%[0]")});
    EXPECT_EQ(empty.first_caption(), "Das Element gibt es nicht!");
}

TEST(Arrays, IndexExpressionsAreEvaluatedWhole)
{
    // A long index with nested calls, and a string literal whose case
    // matters inside the index.
    auto result = run_lines({line(Tok::Declare, "A%[20]"),
                             line(Tok::Let, "A%[" + call(Fn::Len) + "\"abcdefghijklmnopqrstuvwxyz0123456789\")] = 9"),
                             line(Tok::Print, "A%[" + call(Fn::Len) + "\"0123456789abcdefghijklmnopqrstuvwxyz\")]")});
    EXPECT_EQ(result.first_caption(), "Das Element gibt es nicht!");
}

TEST(Areas, DimensionReleaseAndBounds)
{
    auto twice = run_lines({line(Tok::Declare, "Z#"), line(Tok::Areadim, "Z#,10"), line(Tok::Areadim, "Z#,10")});
    EXPECT_EQ(twice.first_caption(), "Bereichsvariable ist bereits DIMensioniert!");
    auto again = run_lines({line(Tok::Declare, "Z#"), line(Tok::Areadim, "Z#,10"), line(Tok::Areafree, "Z#"),
                            line(Tok::Areadim, "Z#,10")});
    EXPECT_EQ(again.exit_code, 0);
    auto not_area = run_lines({line(Tok::Declare, "Z%"), line(Tok::Areadim, "Z%,10")});
    EXPECT_EQ(not_area.first_caption(), "Bereichs-Variable erwartet!");
    auto no_block = run_lines({line(Tok::Declare, "Z#"), line(Tok::Print, "Z#")});
    EXPECT_EQ(no_block.first_caption(), "Bereichsvariable ist nicht DIMensioniert!");

    // Size 10: bytes 0..10 exist; a long fits at 0..7.
    std::string byte_at_10 = call(Fn::Areabyte) + "Z#,10)";
    std::string long_at_7 = call(Fn::Arealong) + "Z#,7)";
    auto inside = run_lines({line(Tok::Declare, "Z#"), line(Tok::Areadim, "Z#,10"), line(Tok::Arealong, "Z#,7=-2"),
                             line(Tok::Print, long_at_7 + ";\" \";" + byte_at_10)});
    EXPECT_EQ(inside.output, "-2 255\r\n");
    for (std::string access : {call(Fn::Areabyte) + "Z#,11)", call(Fn::Arealong) + "Z#,8)",
                               call(Fn::Areaword) + "Z#,-1)"}) {
        auto outside = run_lines({line(Tok::Declare, "Z#"), line(Tok::Areadim, "Z#,10"), line(Tok::Print, access)});
        EXPECT_EQ(outside.first_caption(), "Bereichsgrenze \xFC" "berschritten: ") << access;
    }
}

TEST(Areas, StringsStopBeforeTheLastByte)
{
    auto result = run_lines({line(Tok::Declare, "Z#"), line(Tok::Areadim, "Z#,10"), line(Tok::Areabyte, "Z#,10=65"),
                             line(Tok::Areastrz, "Z#,8=\"hallo\""),
                             line(Tok::Print, call(Fn::AreastrStr) + "Z#,8);" + call(Fn::Areabyte) + "Z#,10)")});
    EXPECT_EQ(result.output, "ha0\r\n");
    auto plain = run_lines({line(Tok::Declare, "Z#"), line(Tok::Areadim, "Z#,10"), line(Tok::Areabyte, "Z#,10=65"),
                            line(Tok::Areastr, "Z#,8=\"hallo\""),
                            line(Tok::Print, call(Fn::AreacharsStr) + "Z#,8,5)")});
    EXPECT_EQ(plain.output, "haA\r\n");
}

TEST(GlobalArrays, DimensionedOnceWithinTheirRange)
{
    EXPECT_EQ(run_lines({line(Tok::DimInt, "0"), line(Tok::DimInt, "0")}).first_caption(),
              "\"DIM%\" darf nur einmal verwandt werden!");
    EXPECT_EQ(run_lines({line(Tok::DimFloat, "1"), line(Tok::DimFloat, "1")}).first_caption(),
              "\"DIM!\" darf nur einmal verwandt werden!");
    EXPECT_EQ(run_lines({line(Tok::DimStr, "1"), line(Tok::DimStr, "1")}).first_caption(),
              "\"DIM$\" darf nur einmal verwandt werden!");
    EXPECT_EQ(run_lines({line(Tok::DimInt, "32767")}).exit_code, 0);
    EXPECT_EQ(run_lines({line(Tok::DimInt, "32768")}).first_caption(),
              "Es sind lediglich 0 bis 9999 Elemente erlaubt!");
    EXPECT_EQ(run_lines({line(Tok::SetdimInt, "5=1")}).first_caption(), "Bereichsgrenze \xFC" "berschritten: ");
    auto read = run_lines({line(Tok::DimLong, "2"), line(Tok::SetdimLong, "2=-7"),
                           line(Tok::Print, call(Fn::GetdimLong) + "2)")});
    EXPECT_EQ(read.output, "-7\r\n");
    EXPECT_EQ(run_lines({line(Tok::DimLong, "2"), line(Tok::Print, call(Fn::GetdimLong) + "3)")}).first_caption(),
              "Bereichsgrenze \xFC" "berschritten: 2");
}

TEST(Assignment, StringValueListsAndViews)
{
    auto result = run_lines({line(Tok::Declare, "S$,N%,F!"), line(Tok::Let, "S$ = \"a\",\"b\";\"c\""),
                             line(Tok::Print, "S$"), line(Tok::Let, "N% = 3.7"), line(Tok::Let, "S$ = 5"),
                             line(Tok::Print, "N%;\"|\";S$"), line(Tok::Let, "F! = -3.9"), line(Tok::Let, "N% = F!"),
                             line(Tok::Print, "N%")});
    EXPECT_EQ(result.output, "a bc\r\n3|5\r\n-3\r\n");
    EXPECT_EQ(run_lines({line(Tok::Let, "Q% = 1")}).first_caption(), "Variable nicht declariert: Q%");
}

TEST(IntegerUpdates, WrapAroundAndNeedAnIntegerVariable)
{
    auto result = run_lines({line(Tok::Declare, "A%"), line(Tok::Let, "A% = 2147483647"), line(Tok::Inc, "A%"),
                             line(Tok::Print, "A%"), line(Tok::Sub, "A%, 1"), line(Tok::Print, "A%"),
                             line(Tok::Add, "a%,-2147483647"), line(Tok::Dec, "A%"), line(Tok::Print, "A%")});
    EXPECT_EQ(result.output, "-2147483648\r\n2147483647\r\n-1\r\n");
    EXPECT_EQ(run_lines({line(Tok::Declare, "A&"), line(Tok::Inc, "A&")}).first_caption(),
              "Integer-Variable erwartet!");
}

TEST(ElementList, CapacityAndIndices)
{
    EXPECT_EQ(run_lines({line(Tok::Setstring, "-1=\"x\"")}).first_caption(), "Das Element gibt es nicht!");
    auto result = run_lines({line(Tok::Addstring, "\"a\""), line(Tok::Addstring, "\"b\""),
                             line(Tok::Setstring, "1=\"c\""), line(Tok::Print, sysvar('%', SysVar::Listlast)),
                             line(Tok::Clearlist), line(Tok::Print, sysvar('%', SysVar::Listlast))});
    EXPECT_EQ(result.output, "1\r\n-1\r\n");
}

TEST(Scrambling, TheKeyPatternRepeatsToTwoHundredFiftyFive)
{
    // One character "A" (65): (65 mod 4) * 64 = 64 everywhere, so bit 6 of
    // every character flips.
    FakeHost host;
    host.arguments.push_back(ShortString("P.TVC"));
    host.files["P.TVC"] = plain_program({line(Tok::Scramblekey, "\"A\"")});
    EXPECT_EQ(run_runtime(host), 0);
}

} // namespace
} // namespace talven
