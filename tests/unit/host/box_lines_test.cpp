#include <gtest/gtest.h>

#include "host/box_lines.h"

namespace talven {
namespace {

TEST(BoxLines, LineBreaksBecomeOneBlankEach)
{
    EXPECT_EQ(box_line_text("eins\r\nzwei\ndrei\rvier"), "eins zwei drei vier");
    EXPECT_EQ(box_line_text("\n\r\n"), "  ");
    EXPECT_EQ(box_line_text(""), "");
}

TEST(BoxLines, FixedTimesAreReadWithTheirWeekday)
{
    auto t = parse_fixed_time("1997-03-05 12:34:56.78");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->year, 1997);
    EXPECT_EQ(t->second, 56);
    EXPECT_EQ(t->millisecond, 780);
    EXPECT_EQ(t->weekday, 3);   // a Wednesday
    auto date_only = parse_fixed_time("2000-02-29");
    ASSERT_TRUE(date_only);
    EXPECT_EQ(date_only->hour, 0);
    EXPECT_EQ(date_only->weekday, 2);
}

TEST(BoxLines, ImpossibleFixedTimesAreRefused)
{
    EXPECT_FALSE(parse_fixed_time("1997-13-05"));
    EXPECT_FALSE(parse_fixed_time("1997-00-05"));
    EXPECT_FALSE(parse_fixed_time("1997-03-32"));
    EXPECT_FALSE(parse_fixed_time("gestern"));
    EXPECT_FALSE(parse_fixed_time(""));
}

} // namespace
} // namespace talven
