// The numeric functions called the way programs call them, through the
// argument fetch: 32-bit wrap-around, the 6-byte real operands, the fatal
// errors and what is left in error mode -1, and every view of the result.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "core/runtime.h"
#include "core/tokens.h"
#include "values/fetch.h"
#include "values/numeric_functions.h"
#include "values/numeric_ops.h"
#include "support/fake_host.h"

namespace talven {
namespace {

using testing::FakeHost;

// "@", the token, the arguments and the closing ")".
std::string at(Fn fn, std::string_view args)
{
    std::string text = "@";
    text.push_back(static_cast<char>(fn));
    text += args;
    text += ')';
    return text;
}

struct Call {
    FakeHost host;
    Runtime rt{host};
    std::string text;

    explicit Call(std::string call_text, int error_mode = 1) : text(std::move(call_text))
    {
        rt.loader.program_loaded = true;
        rt.loop.current_line = 1;
        rt.errors.mode = error_mode;
        rt.loop.args = ArgText(text);
    }
    const Value& run()
    {
        fetch(rt, rest_of_text);
        return rt.value;
    }
};

struct NumericCase {
    Fn fn;
    const char* args;
    ValueType type;
    std::int32_t long_integer;
    double real;
};

void expect_numeric(const NumericCase& c)
{
    Call call(at(c.fn, c.args));
    const Value& v = call.run();
    SCOPED_TRACE(std::string(function_name(static_cast<std::uint8_t>(c.fn))) + "(" + c.args + ")");
    EXPECT_EQ(v.type, c.type);
    EXPECT_EQ(v.long_integer, c.long_integer);
    EXPECT_EQ(v.integer, c.long_integer);
    EXPECT_DOUBLE_EQ(v.real, c.real);
    EXPECT_TRUE(call.host.boxes.empty());
}

TEST(Arithmetic, WrapsAt32BitsWhileTheFloatViewDoesNot)
{
    const NumericCase cases[] = {
        {Fn::Add, "2147483647,1", ValueType::Float, INT32_MIN, 2147483648.0},
        {Fn::Sub, "-2147483648,1", ValueType::Float, INT32_MAX, -2147483649.0},
        {Fn::Mul, "65536,65536", ValueType::Float, 0, 4294967296.0},
        {Fn::Mul, "1.5,2", ValueType::Float, 2, 3.0}, // the long view of 1.5 is 1
        {Fn::Add, "$FF,1", ValueType::Float, 256, 256.0}, // a string-typed operand
        {Fn::Div, "7,2", ValueType::Float, 3, 3.5},
        {Fn::Div, "-7,2", ValueType::Float, -3, -3.5},
        {Fn::Div, "3,0.5", ValueType::Float, 0, 6.0}, // divisor's long view 0
        {Fn::Div, "-2147483648,-1", ValueType::Float, INT32_MIN, 2147483648.0},
        {Fn::Idiv, "-7,2", ValueType::Long, -3, -3.0},
        {Fn::Idiv, "-2147483648,-1", ValueType::Long, INT32_MIN, -2147483648.0},
        {Fn::Mod, "-7,2", ValueType::Float, -1, -1.0},
        {Fn::Mod, "7,-2", ValueType::Float, 1, 1.0},
        {Fn::Mod, "-2147483648,-1", ValueType::Float, 0, 0.0},
    };
    for (const auto& c : cases)
        expect_numeric(c);
}

TEST(Arithmetic, FloatOperandsPassThroughTheSixByteReal)
{
    // 0.1 has no exact 40-bit mantissa: the sum carries about 12 digits.
    Call call(at(Fn::Add, "0.1,0"));
    double sum = call.run().real;
    EXPECT_NE(sum, 0.1);
    EXPECT_NEAR(sum, 0.1, 1e-13);

    // Nested calls: (2 + 3) * 4.
    Call nested(at(Fn::Mul, at(Fn::Add, "2,3") + ",4"));
    EXPECT_EQ(nested.run().real, 20.0);
    EXPECT_EQ(nested.rt.value.long_integer, 20);
}

struct FatalCase {
    std::string text;
    Msg msg;
    ValueType type; // what error mode -1 leaves
};

TEST(Arithmetic, FatalErrorsStopOrLeaveZero)
{
    const FatalCase cases[] = {
        {at(Fn::Div, "7,0"), Msg::DivisionByZero, ValueType::Float},
        {at(Fn::Div, "7,1E-300"), Msg::DivisionByZero, ValueType::Float}, // 0 as a 6-byte real
        {at(Fn::Idiv, "7,0"), Msg::DivisionByZero, ValueType::Long},
        {at(Fn::Idiv, "7,0.5"), Msg::DivisionByZero, ValueType::Long},
        {at(Fn::Mod, "7,0"), Msg::DivisionByZero, ValueType::Float},
        {at(Fn::Add, "1E39,1"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Sub, "1,-1E39"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Equ, at(Fn::Exp, "100") + ",1"), Msg::InvalidFunctionValue, ValueType::Integer},
        {at(Fn::Pow, "1E39,2"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Round, "1E39,0"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Round, "3000000000,0"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Round, "21474836.48,2"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Ln, "0"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Ln, "-1"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Log, "0"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Sqrt, "-1"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Cot, "0"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Tan, "1E19"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Pow, "0,2"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Pow, "-8,0.5"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Exp, "1000"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::Sqr, "1E200"), Msg::InvalidFunctionValue, ValueType::Float},
        {at(Fn::FormatStr, "\"0\"," + at(Fn::Val, "\"1.0E999\"")), Msg::InvalidFunctionValue, ValueType::String},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Call shown(c.text);
        EXPECT_THROW(shown.run(), ProgramEnd);
        ASSERT_EQ(shown.host.boxes.size(), 1u);
        EXPECT_EQ(shown.host.boxes[0].caption, message_text(c.msg));

        Call recorded(c.text, -1);
        const Value& v = recorded.run();
        EXPECT_EQ(recorded.rt.errors.last_number, static_cast<int>(c.msg));
        EXPECT_EQ(v.type, c.type);
        if (c.type != ValueType::String) {
            EXPECT_EQ(v.long_integer, 0);
            EXPECT_EQ(v.real, 0.0);
        }
        EXPECT_TRUE(recorded.rt.loop.args.empty()); // the call was consumed
    }
}

TEST(Logic, BitsAndBitwiseOperations)
{
    const NumericCase cases[] = {
        {Fn::Testbit, "-1,31", ValueType::Integer, 1, 1.0},
        {Fn::Testbit, "4,2", ValueType::Integer, 1, 1.0},
        {Fn::Testbit, "4,34", ValueType::Integer, 1, 1.0},  // bit 34 is bit 2
        {Fn::Testbit, "4,-30", ValueType::Integer, 1, 1.0}, // bit -30 is bit 2
        {Fn::Testbit, "4,3", ValueType::Integer, 0, 0.0},
        {Fn::Setbit, "0,35,1", ValueType::Integer, 8, 8.0},
        {Fn::Setbit, "0,31,1", ValueType::Integer, INT32_MIN, -2147483648.0},
        {Fn::Setbit, "-1,31,0", ValueType::Integer, INT32_MAX, 2147483647.0},
        {Fn::Setbit, "8,3,0.5", ValueType::Integer, 0, 0.0}, // below 1 clears
        {Fn::And, "12,10", ValueType::Long, 8, 8.0},
        {Fn::Or, "12,10", ValueType::Float, 14, 14.0},
        {Fn::Xor, "12,10", ValueType::Float, 6, 6.0},
        {Fn::Not, "0", ValueType::Long, 1, 1.0},
        {Fn::Not, "5", ValueType::Long, 0, 0.0},
        {Fn::Not, "0.5", ValueType::Long, 1, 1.0}, // the long view decides
    };
    for (const auto& c : cases)
        expect_numeric(c);
}

TEST(Comparisons, NumbersBySignOfTheDifferenceTextsByUnsignedBytes)
{
    const NumericCase cases[] = {
        {Fn::Equ, "1,1.0", ValueType::Integer, 1, 1.0},
        {Fn::Equ, "0.1,0.10000000000001", ValueType::Integer, 1, 1.0}, // same 6-byte real
        {Fn::Equ, "0.1,0.1000000000003", ValueType::Integer, 0, 0.0},
        {Fn::Nequ, "-1,1", ValueType::Integer, 1, 1.0},
        {Fn::Gt, "2,1", ValueType::Integer, 1, 1.0},
        {Fn::Gt, "1,1", ValueType::Integer, 0, 0.0},
        {Fn::Lt, "-2147483648,2147483647", ValueType::Integer, 1, 1.0},
        {Fn::Equ, "$FF,255", ValueType::Integer, 1, 1.0},
        {Fn::EquStr, "\"abc\",\"abc\"", ValueType::Integer, 1, 1.0},
        {Fn::NequStr, "\"a\",\"A\"", ValueType::Integer, 1, 1.0},
        {Fn::LtStr, "\"ab\",\"abc\"", ValueType::Integer, 1, 1.0},
        {Fn::LtStr, "\"B\",\"a\"", ValueType::Integer, 1, 1.0},
        {Fn::GtStr, "\"\xE4\",\"z\"", ValueType::Integer, 1, 1.0},
    };
    for (const auto& c : cases)
        expect_numeric(c);

    Call number(at(Fn::EquStr, "\"5\",5"));
    EXPECT_THROW(number.run(), ProgramEnd);
    EXPECT_EQ(number.host.boxes[0].caption, "Falscher Parametertyp: 5");
}

TEST(Conditional, EvaluatesBothBranchesAndTagsTheResultString)
{
    struct Case {
        std::string args;
        std::int32_t long_integer;
        const char* text;
    };
    const Case cases[] = {
        {"1,\"yes\",\"no\"", 1, "yes"}, // the long view of a text literal is what it held before
        {"0,5,7", 7, "7"},
        {"1,5,7", 5, "5"},
        {"1," + at(Fn::Add, "1,2") + ",0", 3, "3.000000"},
        {"0,0," + at(Fn::HexStr, "255"), 255, "FF"},
    };
    for (const auto& c : cases) {
        Call call(at(Fn::If, c.args));
        const Value& v = call.run();
        SCOPED_TRACE(c.args);
        EXPECT_EQ(v.type, ValueType::String);
        EXPECT_EQ(v.text().view(), c.text);
        if (c.args.find('"') == std::string::npos) {
            EXPECT_EQ(v.long_integer, c.long_integer);
            EXPECT_EQ(v.integer, c.long_integer);
            EXPECT_EQ(v.real, c.long_integer);
        }
    }

    // The branch not taken runs all the same.
    Call side_effect(at(Fn::If, "0," + at(Fn::Rnd, "10") + ",1"));
    side_effect.run();
    EXPECT_NE(side_effect.rt.random.seed, random_start_seed);
}

struct TextCase {
    std::string text;
    const char* expected;
};

TEST(Conversions, NumbersToText)
{
    const TextCase cases[] = {
        {at(Fn::HexStr, "255"), "FF"},
        {at(Fn::HexStr, "-255"), "-FF"},
        {at(Fn::HexStr, "0"), "0"},
        {at(Fn::HexStr, "-2147483648"), "-80000000"},
        {at(Fn::HexStr, "$DEADBEEF"), "-21524111"},
        {at(Fn::OctStr, "8"), "10"},
        {at(Fn::OctStr, "-2147483648"), "-20000000000"},
        {at(Fn::BinStr, "5"), "101"},
        {at(Fn::BinStr, "-1"), "-1"},
        {at(Fn::BinStr, "-2147483648"), "-10000000000000000000000000000000"},
        {at(Fn::StrStr, "1.5"), "1.500000"},
        {at(Fn::StrStr, "42"), "42"},
        {at(Fn::StrStr, "$FF"), "255"},
        {at(Fn::StrStr, at(Fn::Div, "1,4")), "0.250000"},
        {at(Fn::StrStr, at(Fn::Idiv, "9,4")), "2"},
        {at(Fn::FormatStr, "\"#,##0.00\",1234.5"), "1.234,50"},
        {at(Fn::FormatStr, "\"0.0;(0.0)\"," + at(Fn::Sub, "0,2.26")), "(2,3)"},
    };
    for (const auto& c : cases) {
        Call call(c.text);
        const Value& v = call.run();
        EXPECT_EQ(v.type, ValueType::String) << c.text;
        EXPECT_EQ(v.text().view(), c.expected) << c.text;
        EXPECT_TRUE(call.host.boxes.empty()) << c.text;
    }

    // Decimals and number width come from the runtime's settings.
    Call wide(at(Fn::StrStr, "42"));
    wide.rt.format.number_width = 5;
    EXPECT_EQ(wide.run().text().view(), "   42");
    Call fixed(at(Fn::StrStr, "2.125"));
    fixed.rt.format.decimals = 2;
    fixed.rt.format.number_width = 8;
    EXPECT_EQ(fixed.run().text().view(), "    2.12");
}

TEST(Conversions, TextToNumber)
{
    struct Case {
        const char* text;
        ValueType type;
        std::int32_t long_integer;
        double real;
        const char* string_view;
    };
    const Case cases[] = {
        // A numeric result reads as its number: "1E3" is 1 in every view.
        {"\"12.5\"", ValueType::Float, 12, 12.5, "12.500000"},
        {"\"\"", ValueType::Long, 0, 0.0, "0"},
        {"\"  42 \\t\"", ValueType::Long, 42, 42.0, "42"},
        {"\"$FF\"", ValueType::Long, 255, 255.0, "255"},
        {"\"&17\"", ValueType::Long, 15, 15.0, "15"},
        {"\"%101\"", ValueType::Long, 5, 5.0, "5"},
        {"\"$XYZ\"", ValueType::Long, 0, 0.0, "0"},
        {"\"1E3\"", ValueType::Long, 1, 1.0, "1"},
        {"\"-1.5\"", ValueType::Float, 1, -1.5, "-1.500000"},
        {"\"-12\"", ValueType::Long, -12, -12.0, "-12"},
        {"\"3.7xyz\"", ValueType::Float, 3, 3.7, "3.700000"},
        {"\"abc\"", ValueType::Long, 0, 0.0, "0"},
    };
    for (const auto& c : cases) {
        Call call(at(Fn::Val, c.text));
        const Value& v = call.run();
        SCOPED_TRACE(c.text);
        EXPECT_EQ(v.type, c.type);
        EXPECT_EQ(v.long_integer, c.long_integer);
        EXPECT_EQ(v.integer, c.long_integer);
        EXPECT_EQ(v.real, c.real);
        EXPECT_EQ(v.text().view(), c.string_view);
        EXPECT_TRUE(call.host.boxes.empty());
    }
}

TEST(Mathematics, ResultsAndTheirIntegerViews)
{
    const double pi = 3.141592653589793;
    const NumericCase cases[] = {
        {Fn::Cos, "0", ValueType::Float, 1, 1.0},
        {Fn::Sin, "0", ValueType::Float, 0, 0.0},
        {Fn::Sin, "1E19", ValueType::Float, 0, 0.0}, // from 2^63 on
        {Fn::Exp, "1", ValueType::Float, 2, std::exp(1.0)},
        {Fn::Exp, "100", ValueType::Float, 0, std::exp(100.0)}, // beyond 32 bits: integer views 0
        {Fn::Ln, "1", ValueType::Float, 0, 0.0},
        {Fn::Log, "1000", ValueType::Float, 3, 3.0},
        {Fn::Sqr, "-3", ValueType::Float, 9, 9.0},
        {Fn::Sqrt, "16", ValueType::Float, 4, 4.0},
        {Fn::Arctan, "1", ValueType::Float, 0, pi / 4},
        {Fn::Cot, "1", ValueType::Float, 0, std::cos(1.0) / std::sin(1.0)},
        {Fn::Pow, "2,10", ValueType::Float, 1024, 1024.0},
        {Fn::Pow, "2,-1", ValueType::Float, 0, 0.5},
        {Fn::Pow, "9,0.5", ValueType::Float, 3, 3.0},
        {Fn::Abs, "-2.5", ValueType::Float, 2, 2.5},
        {Fn::Abs, "-2147483648", ValueType::Float, INT32_MIN, 2147483648.0},
        {Fn::Int, "-3.7", ValueType::Long, -3, -3.0}, // from the float view
        {Fn::Int, "3E10", ValueType::Long, 0, 0.0},
        {Fn::Round, "2.5,0", ValueType::Float, 2, 2.0},
        {Fn::Round, "3.5,0", ValueType::Float, 4, 4.0},
        {Fn::Round, "-2.5,0", ValueType::Float, -2, -2.0},
        {Fn::Round, "0.125,2", ValueType::Float, 0, 0.12},
        // 1.005 and 2.675 lie just below the half in binary.
        {Fn::Round, "1.005,2", ValueType::Float, 1, 1.0},
        {Fn::Round, "2.675,2", ValueType::Float, 2, 2.67},
        {Fn::Round, "1234.5678,-2", ValueType::Float, 1200, 1200.0},
        {Fn::Round, "1.23456,2.9", ValueType::Float, 1, 1.23}, // places truncated
        {Fn::Round, "2147483.647,3", ValueType::Float, 2147483, 2147483.647},
    };
    for (const auto& c : cases)
        expect_numeric(c);

    Call call(at(Fn::Pi, ""));
    EXPECT_EQ(call.run().real, pi);
    EXPECT_EQ(call.rt.value.long_integer, 3);
    EXPECT_EQ(call.rt.value.type, ValueType::Float);
}

TEST(Random, RepeatsFromTheStartSeedAndStaysInRange)
{
    // The documented generator, pinned: runs of old programs must repeat.
    std::uint32_t state = 0;
    EXPECT_EQ(next_random(state), 1013904223u);
    EXPECT_EQ(next_random(state), 1196435762u);
    state = 0;
    EXPECT_EQ(random_below(state, 100), 23);

    Call first(at(Fn::Rnd, "1000"));
    Call second(at(Fn::Rnd, "1000"));
    EXPECT_EQ(first.run().long_integer, second.run().long_integer);

    FakeHost host;
    Runtime rt{host};
    for (int i = 0; i < 2000; ++i) {
        std::int32_t r = random_below(rt.random.seed, 10);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 10);
    }
    reseed_random(rt, 77);
    std::int32_t a = random_below(rt.random.seed, 1 << 30);
    reseed_random(rt, 77);
    EXPECT_EQ(random_below(rt.random.seed, 1 << 30), a);

    for (const char* n : {"0", "-5"}) {
        Call call(at(Fn::Rnd, n));
        EXPECT_EQ(call.run().long_integer, 0);
        EXPECT_EQ(call.rt.random.seed, random_start_seed) << "no number drawn";
    }

    // Above 32767 the float view still holds the number itself.
    Call large(at(Fn::Rnd, "2000000000"));
    const Value& v = large.run();
    EXPECT_EQ(v.type, ValueType::Float);
    EXPECT_EQ(v.real, static_cast<double>(v.long_integer));
}

TEST(Colours, ValuesAndComponentsInBothDepths)
{
    struct Case {
        Fn fn;
        const char* args;
        bool true_color;
        std::int32_t expected;
    };
    const Case cases[] = {
        {Fn::Rgb, "31,31,31", false, 32767},
        {Fn::Rgb, "40,1,2", false, 31 + 32 + 2048},
        {Fn::Rgb, "-5,0,0", false, 0},
        {Fn::Rgb, "255,1,2", true, 255 + 256 + 131072},
        {Fn::Rgb, "300,300,300", true, 0xFFFFFF},
        {Fn::Getred, "5", false, 4},
        {Fn::Getred, "1", false, 1},
        {Fn::Getred, "37", false, 4},
        {Fn::Getred, "-3", false, -3},
        {Fn::Getcolor2, "3077", false, 3},
        {Fn::Getcolor3, "128", false, 3},
        {Fn::Getcolor3, "32", false, 1},
        {Fn::Getred, "$123456", true, 0x56},
        {Fn::Getcolor2, "$123456", true, 0x34},
        {Fn::Getcolor3, "$123456", true, 0x12},
        {Fn::Getcolor3, "-1", true, 255},
    };
    for (const auto& c : cases) {
        Call call(at(c.fn, c.args));
        call.rt.draw.true_color = c.true_color;
        const Value& v = call.run();
        SCOPED_TRACE(std::string(function_name(static_cast<std::uint8_t>(c.fn))) + "(" + c.args + ")");
        EXPECT_EQ(v.type, ValueType::Integer);
        EXPECT_EQ(v.long_integer, c.expected);
        EXPECT_EQ(v.integer, c.expected);
    }
}

} // namespace
} // namespace talven
