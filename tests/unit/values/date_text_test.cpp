// The calendar rules, the locale order and the date and time texts at their
// edges: the first and last valid day, the leap rules, the stored names with
// their blanks, and layouts that must read back what they write.
#include <gtest/gtest.h>

#include "values/date_text.h"

namespace talven {
namespace {

std::string stored(std::optional<CivilDate> date) { return date ? std::string(stored_date_text(*date)) : ""; }

TEST(Calendar, LeapYears)
{
    const std::pair<int, bool> cases[] = {
        {1900, false}, {1996, true}, {1997, false}, {2000, true},
        {2100, false}, {2400, true}, {4000, false}, {8000, false},
    };
    for (auto [year, leap] : cases)
        EXPECT_EQ(is_leap_year(year), leap) << year;
}

TEST(Calendar, ValidDatesAndTheCenturyOfShortYears)
{
    struct Case {
        int year, month, day;
        const char* expected;
    };
    const Case cases[] = {
        {1997, 3, 5, "19970305"}, {97, 3, 5, "19970305"},   {0, 1, 1, "19000101"},
        {99, 12, 31, "19991231"}, {100, 1, 1, ""},          {1899, 12, 31, ""},
        {1900, 1, 1, "19000101"}, {2078, 12, 31, "20781231"}, {2079, 1, 1, ""},
        {1900, 2, 29, ""},        {2000, 2, 29, "20000229"}, {1997, 2, 29, ""},
        {1997, 4, 31, ""},        {1997, 0, 1, ""},          {1997, 13, 1, ""},
        {1997, 1, 0, ""},         {-5, 1, 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stored(valid_date(c.year, c.month, c.day)), c.expected) << c.year << '-' << c.month << '-' << c.day;
}

TEST(Calendar, Weekdays)
{
    const std::pair<CivilDate, int> cases[] = {
        {{1997, 3, 5}, 3}, {{1900, 1, 1}, 1}, {{2000, 2, 29}, 2}, {{2078, 12, 31}, 6}, {{1999, 12, 31}, 5},
    };
    for (auto [date, weekday] : cases)
        EXPECT_EQ(weekday_of(date), weekday) << stored(date);
}

TEST(DateOrder, LettersLayoutAndRoundTrip)
{
    struct Case {
        const char* separator;
        const char* picture;
        const char* order;
        const char* short_date; // of 5 March 1997
    };
    const Case cases[] = {
        {".", "dd.MM.yyyy", ".dMy", "05.03.1997"},
        {"/", "M/d/yyyy", "/Mdy", "03/05/1997"},
        {"-", "yyyy-MM-dd", "-yMd", "1997-03-05"},
        {"", "", ".dMy", "05.03.1997"},
        {"./", "dd.MM.yy", ".dMy", "05.03.1997"},
        // Separator and picture disagree: "/" becomes a letter, and the
        // fields fall back to year first.
        {".", "d/M/yyyy", ".d/M", "1997.03.05"},
        {".", "dd", ".d", "1997.03.05"},
        {".", "yyyy.dd.MM", ".ydM", "1997.05.03"},
    };
    const CivilDate date{1997, 3, 5};
    for (const auto& c : cases) {
        DateOrder order = date_order(c.separator, c.picture);
        EXPECT_EQ(order_text(order).view(), c.order) << c.picture;
        ShortString text = short_date_text(date, order);
        EXPECT_EQ(text.view(), c.short_date) << c.picture;
        EXPECT_EQ(stored(parse_short_date(text, order)), "19970305") << c.picture;
    }
}

TEST(DateText, FormsOfTheFifthOfMarch1997)
{
    LocalTime today;
    today.year = 1997, today.month = 3, today.day = 5;
    DateOrder order = date_order(".", "dd.MM.yyyy");
    const std::pair<int, const char*> cases[] = {
        {1, "5. M\xE4rz  1997"}, {2, "Mittwoch, der 5. M\xE4rz  1997"}, {3, "19970305"},
        {4, ".dMy"},             {0, "05.03.1997"},                    {15, "05.03.1997"},
    };
    for (auto [form, expected] : cases)
        EXPECT_EQ(date_text(form, today, order).view(), expected) << form;

    today.year = 2000, today.month = 2, today.day = 12;
    EXPECT_EQ(date_text(1, today, order).view(), "12. Februar  2000");
    today.year = 2079, today.month = 1, today.day = 1;
    EXPECT_EQ(date_text(1, today, order).view(), "");
    EXPECT_EQ(date_text(3, today, order).view(), "");
    EXPECT_EQ(date_text(4, today, order).view(), ".dMy");
}

TEST(DateText, ParsingTheFixedLayouts)
{
    const std::pair<const char*, const char*> stored_cases[] = {
        {"19970305", "19970305"}, {"00970305", "19970305"}, {"1997035", ""}, {"199703050", ""},
        {"1997a305", ""},         {"19970229", ""},         {"20000229", "20000229"},
        {"20790101", ""},         {"-9970305", ""},         {"+9970305", ""},
    };
    for (auto [text, expected] : stored_cases)
        EXPECT_EQ(stored(parse_stored_date(text)), expected) << text;

    DateOrder order = date_order(".", "dd.MM.yyyy");
    const std::pair<const char*, const char*> short_cases[] = {
        {"05.03.1997", "19970305"}, {"05-03-1997", "19970305"}, {"05.03.0097", "19970305"},
        {"5.3.1997", ""},           {" 5.03.1997", ""},         {"31.04.1997", ""},
        {"05.03.19970", ""},
    };
    for (auto [text, expected] : short_cases)
        EXPECT_EQ(stored(parse_short_date(text, order)), expected) << text;
}

TEST(TimeText, EvenAndOddForms)
{
    LocalTime now;
    now.hour = 9, now.minute = 5, now.second = 7, now.millisecond = 45;
    const std::pair<int, const char*> cases[] = {
        {0, "09:05"}, {2, "09:05"}, {-2, "09:05"}, {1, "07.04"}, {-1, "07.04"}, {3, "07.04"},
    };
    for (auto [form, expected] : cases)
        EXPECT_EQ(time_text(form, now).view(), expected) << form;
    now.hour = 23, now.minute = 59, now.second = 59, now.millisecond = 999;
    EXPECT_EQ(time_text(0, now).view(), "23:59");
    EXPECT_EQ(time_text(1, now).view(), "59.99");
}

} // namespace
} // namespace talven
