// Display widths of result columns: the type's rule, the name when it is
// longer, and the cap that keeps a driver's size of 2^31 from becoming a
// buffer of gigabytes.
#include <gtest/gtest.h>

#include <cstdint>

#include "data/odbc.h"

namespace talven {
namespace {

struct WidthCase {
    std::int16_t type;
    std::uint64_t size;
    std::size_t name;
    std::int32_t width;
};

TEST(OdbcDisplayWidth, FollowsTheTypeTheSizeAndTheName)
{
    constexpr std::uint64_t huge = std::uint64_t{1} << 31;
    const WidthCase cases[] = {
        {2, 8, 1, 10},        // NUMERIC: size + 2
        {3, 0, 0, 2},         // DECIMAL of size 0
        {4, 10, 2, 11},       // INTEGER
        {9, 10, 3, 11},       // DATE
        {5, 6, 1, 6},         // SMALLINT
        {6, 15, 1, 22},       // FLOAT
        {8, 54, 1, 22},       // DOUBLE
        {7, 24, 1, 13},       // REAL
        {10, 8, 4, 8},        // TIME
        {11, 32, 2, 23},      // TIMESTAMP
        {-7, 1, 0, 1},        // BIT
        {-6, 4, 1, 4},        // TINYINT
        {-5, 20, 1, 20},      // BIGINT
        {-2, 255, 1, 510},    // BINARY: twice the size
        {-3, 16, 1, 32},      // VARBINARY
        {-1, 65536, 1, 50},   // LONGVARCHAR
        {12, 12, 1, 13},      // VARCHAR: size + 1
        {1, 0, 0, 1},         // CHAR of size 0
        {12, 5, 129, 129},    // the name is wider
        {4, 10, 14, 14},
        {12, huge, 3, 65535},         // unbounded text: capped
        {-2, huge, 3, 65535},
        {2, ~std::uint64_t{0}, 3, 65535},
        {12, ~std::uint64_t{0}, 3, 65535},
        {12, 65534, 3, 65535},
        {12, 65535, 3, 65535},
    };
    for (const WidthCase& c : cases)
        EXPECT_EQ(odbc_display_width(c.type, c.size, c.name), c.width)
            << "type " << c.type << " size " << c.size << " name " << c.name;
}

} // namespace
} // namespace talven
