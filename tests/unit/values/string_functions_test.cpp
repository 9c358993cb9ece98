// The string, date and command-line functions as programs call them: the
// argument views they accept, their result types, the index errors and the
// soft date errors, and what they ask of the host.
#include <gtest/gtest.h>

#include <string>

#include "core/runtime.h"
#include "core/tokens.h"
#include "values/fetch.h"
#include "support/fake_host.h"

namespace talven {
namespace {

using testing::FakeHost;

// A host that shows what the functions pass to it.
class RecordingHost : public FakeHost {
public:
    std::string drives;
    ShortString ansi_to_oem(std::string_view text) override { return ShortString(std::string("oem:") += text); }
    std::optional<ShortString> current_directory(char drive) override
    {
        drives.push_back(drive);
        return FakeHost::current_directory(drive == '\0' ? 'C' : drive);
    }
};

// "@" + token + arguments + ")", the form calls take in the argument text.
std::string call(Fn token, const std::string& arguments)
{
    return std::string("@") + static_cast<char>(token) + arguments + ")";
}

struct Evaluation {
    RecordingHost host;
    Runtime rt{host};
    std::string text;

    explicit Evaluation(std::string argument_text, int error_mode = 1) : text(std::move(argument_text))
    {
        rt.loader.program_loaded = true;
        rt.loop.current_line = 1;
        rt.loop.args = ArgText(text);
        rt.errors.mode = error_mode;
        host.time.year = 1997, host.time.month = 3, host.time.day = 5;
        host.time.hour = 14, host.time.minute = 7, host.time.second = 3, host.time.millisecond = 250;
        host.arguments = {ShortString("talven"), ShortString("P.TVC"), ShortString("eins")};
    }
    const Value& run(char separator = rest_of_text)
    {
        fetch(rt, separator);
        return rt.value;
    }
};

TEST(StringFunctions, ResultsOfTypicalAndEdgeCalls)
{
    const std::pair<std::string, std::string> cases[] = {
        {call(Fn::LeftStr, "\"abc\",10"), "abc"},
        {call(Fn::LeftStr, "\"abc\",-1"), ""},
        {call(Fn::RightStr, "\"abc\",2"), "bc"},
        {call(Fn::MidStr, "\"abcde\",2,-1"), ""},
        {call(Fn::DelStr, "\"abcde\",2,-1"), "abcde"},
        {call(Fn::InsStr, "\"XY\",\"abc\",2"), "aXYbc"},
        {call(Fn::SubstrStr, "\"a,b,,c\",1,\",\""), "a"},
        {call(Fn::SubstrStr, "\"a,b,,c\",2,\",\""), "b"},
        {call(Fn::SubstrStr, "\"a,b,,c\",3,\",\""), ""},
        {call(Fn::SubstrStr, "\"a,b,,c\",4,\",\""), "c"},
        {call(Fn::SubstrStr, "\"a,b,,c\",5,\",\""), ""},
        {call(Fn::ReplaceStr, "\"a-b-c\",\"-\",\"+\""), "a+b+c"},
        {call(Fn::TrimStr, "\"\\t x \\n\""), "x"},
        {call(Fn::UpperStr, "\"\xE4\xDF" "a\""), "\xC4\xDF" "A"},
        {call(Fn::LowerStr, "\"\xC4Z\""), "\xE4z"},
        {call(Fn::ChrStr, "65"), "A"},
        {call(Fn::ChrStr, "321"), "A"},     // the low byte
        {call(Fn::ChrStr, "$41"), "A"},     // a hexadecimal literal is typed string
        {call(Fn::AddStr, "\"n=\"," + call(Fn::Len, "\"abc\"")), "n=3"},
        {call(Fn::AddStr, "12,1.50"), "121.50"}, // literals give their text as written
        {call(Fn::MkstrStr, "\"ab\",2"), "abab"},
        {call(Fn::SpaceStr, "2"), "  "},
        {call(Fn::AnsitooemStr, "\"x\""), "oem:x"},
        {call(Fn::ParstrStr, "0"), "talven"},
        {call(Fn::ParstrStr, "2"), "eins"},
        {call(Fn::GetdirStr, "\"c:\""), "C:\\WORK"},
        {call(Fn::GetdirStr, "\"\""), "C:\\WORK"}, // the current drive
        {call(Fn::GetdirStr, "\"Q\""), ""},        // a missing drive
        {call(Fn::GetdirStr, "\"1\""), ""},        // no drive letter
    };
    for (const auto& [text, expected] : cases) {
        Evaluation e(text);
        const Value& v = e.run();
        EXPECT_EQ(v.type, ValueType::String) << text;
        EXPECT_EQ(v.text().view(), expected) << text;
        EXPECT_TRUE(e.host.boxes.empty()) << text;
        EXPECT_TRUE(e.rt.loop.args.empty()) << text;
    }
}

TEST(StringFunctions, IntegerResultsAndNumericViews)
{
    const std::pair<std::string, std::int32_t> cases[] = {
        {call(Fn::Len, "\"abc\""), 3},
        {call(Fn::Len, call(Fn::SpaceStr, "300")), 254},
        {call(Fn::Len, call(Fn::MkstrStr, "\"a\",999")), 254},
        {call(Fn::Instr, "\"b\",\"abcb\""), 2},
        {call(Fn::Instr, "\"x\",\"abc\""), 0},
        {call(Fn::Ord, "\"\xE4\""), 228},
        {call(Fn::Ord, "\"\""), 0},
    };
    for (const auto& [text, expected] : cases) {
        Evaluation e(text);
        const Value& v = e.run();
        EXPECT_EQ(v.type, ValueType::Integer) << text;
        EXPECT_EQ(v.integer, expected) << text;
        EXPECT_EQ(v.real, expected) << text;
    }
    // A text result carries the numeric views a string variable would.
    Evaluation e(call(Fn::MidStr, "\"x42y\",2,2"));
    EXPECT_EQ(e.run().long_integer, 42);
    EXPECT_EQ(e.rt.value.integer, 42);
}

TEST(StringFunctions, IndexErrorsStopOrLeaveAnEmptyText)
{
    const std::pair<std::string, const char*> cases[] = {
        {call(Fn::RightStr, "\"abc\",4"), "String-Index ist < 1 !"},
        {call(Fn::RightStr, "\"abc\",0"), "String-Index ist < 1 !"},
        {call(Fn::MidStr, "\"abc\",0,1"), "String-Index ist < 1 !"},
        {call(Fn::DelStr, "\"abc\",0,1"), "String-Index ist < 1 !"},
        {call(Fn::InsStr, "\"x\",\"abc\",0"), "String-Index ist < 1 !"},
        {call(Fn::SubstrStr, "\"a,b\",0,\",\""), "Substring-Nr ist < 1 !"},
        {call(Fn::ParstrStr, "3"), "Kommandozeilenparameter fehlt!"},
        {call(Fn::ParstrStr, "-1"), "Kommandozeilenparameter fehlt!"},
        {call(Fn::ScrambleStr, "5"), "Falscher Parametertyp: 5"},
    };
    for (const auto& [text, caption] : cases) {
        Evaluation shown(text);
        EXPECT_THROW(shown.run(), ProgramEnd) << text;
        ASSERT_EQ(shown.host.boxes.size(), 1u) << text;
        EXPECT_EQ(shown.host.boxes[0].caption, caption) << text;

        Evaluation going_on(text + ",\"next\"", -1);
        const Value& v = going_on.run(',');
        EXPECT_EQ(going_on.rt.errors.level, 2) << text;
        EXPECT_EQ(v.type, ValueType::String) << text;
        EXPECT_EQ(going_on.rt.loop.args.view(), "\"next\"") << text;
    }
}

TEST(StringFunctions, ScramblingUsesTheKeyPattern)
{
    Evaluation e(call(Fn::ScrambleStr, call(Fn::ScrambleStr, "\"Geheim\"")));
    e.rt.scramble.pattern = std::string(255, '\x40'); // the key "A"
    EXPECT_EQ(e.run().text().view(), "Geheim");
    Evaluation once(call(Fn::ScrambleStr, "\"ab\""));
    once.rt.scramble.pattern = std::string(255, '\x40');
    EXPECT_EQ(once.run().text().view(), "!\"");
}

TEST(DateFunctions, TodayInEveryForm)
{
    const std::pair<std::string, std::string> cases[] = {
        {"3", "19970305"},
        {"1", "5. M\xE4rz  1997"},
        {"2", "Mittwoch, der 5. M\xE4rz  1997"},
        {"4", ".dMy"},
        {"0", "05.03.1997"},
        {"19", "19970305"}, // modulo 16
        {"-13", "19970305"},
    };
    for (const auto& [form, expected] : cases) {
        Evaluation e(call(Fn::DateStr, form));
        EXPECT_EQ(e.run().text().view(), expected) << form;
    }
    Evaluation us(call(Fn::DateStr, "0"));
    us.rt.locale.date_separator = "/";
    us.rt.locale.short_date = "M/d/yyyy";
    EXPECT_EQ(us.run().text().view(), "03/05/1997");

    Evaluation hours(call(Fn::TimeStr, "0"));
    EXPECT_EQ(hours.run().text().view(), "14:07");
    Evaluation seconds(call(Fn::TimeStr, "1"));
    EXPECT_EQ(seconds.run().text().view(), "03.25");
}

TEST(DateFunctions, StoredAndLocaleFormsAndTheirSoftErrors)
{
    struct Case {
        std::string text;
        const char* result;
        std::int32_t number;
        const char* warning;
    };
    const Case cases[] = {
        {call(Fn::DtocStr, "\"19970305\""), "05.03.1997", 5, nullptr},
        {call(Fn::DtocStr, "19970305"), "05.03.1997", 5, nullptr},
        {call(Fn::DtocStr, "\"19970230\""), "", 0, nullptr},
        {call(Fn::DtocStr, "\"1997035\""), "", 0, "Falscher Typ f\xFCr @DTOC$ !"},
        {call(Fn::CtodStr, "\" 05.03.1997 \""), "19970305", 19970305, nullptr},
        {call(Fn::CtodStr, "\"31.02.1997\""), "", 0, nullptr},
        {call(Fn::CtodStr, "\"5.03.1997\""), "", 0, "Falscher Typ f\xFCr @CTOD$ !"},
        {call(Fn::CtodStr, call(Fn::DtocStr, "\"20000229\"")), "20000229", 20000229, nullptr},
    };
    for (const auto& c : cases) {
        Evaluation e(c.text);
        const Value& v = e.run();
        EXPECT_EQ(v.type, ValueType::String) << c.text;
        EXPECT_EQ(v.text().view(), c.result) << c.text;
        EXPECT_EQ(v.long_integer, c.number) << c.text;
        if (c.warning) {
            ASSERT_EQ(e.host.boxes.size(), 1u) << c.text;
            EXPECT_EQ(e.host.boxes[0].caption, c.warning) << c.text;
            EXPECT_EQ(e.rt.errors.level, 1) << c.text;
        } else {
            EXPECT_TRUE(e.host.boxes.empty()) << c.text;
        }
    }
}

} // namespace
} // namespace talven
